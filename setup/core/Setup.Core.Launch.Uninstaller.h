// The uninstaller's restart from a fresh temporary folder: the installed "Uninstall.exe" cannot
// delete itself or its folder while it runs, so it starts a copy of itself from TEMP, which
// does the removal, and waits for it.
#pragma once

#ifndef _WIN32
#error "Setup.Core.Launch.Uninstaller.h is for the Windows build only"
#endif

#include "ORV.Win32.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Setup::Core {

// Copies this uninstaller ("Uninstall.exe") and its data package (".dat") into a folder that
// it creates under the temporary folder, schedules both files and then that folder for deletion
// at the next restart, starts the copy with /PATH="<this program's folder>\" followed by
// GetParams(), and waits for it to end while serving sent messages. Returns the copy's exit
// code, so that whoever waits for this uninstaller learns how the removal went. Raises EOSError
// when the temporary folder cannot be named, the folder cannot be made, a copy fails or the
// copy cannot be started.
DWORD StartUninstaller();
// The same for the uninstaller at ExecutablePath with Params; CopyPath, when given, receives
// the path of the copy.
DWORD StartUninstaller(const std::u16string& executablePath, const std::u16string& params,
                       std::u16string* copyPath = nullptr);

// Whether Path lies inside the temporary folder (at any depth; whole path components, case
// ignored, short and long name forms alike). The uninstaller's copy runs from there, so a copy
// that is started there without a usable /PATH must not restart again.
bool IsInsideTempFolder(const std::u16string& path);
// Whether Path lies below Folder (as IsInsideTempFolder).
bool IsInsideFolder(const std::u16string& path, const std::u16string& folder);

// Copies FileName into Folder under its own name, overwriting a read-only file left from an
// earlier run, and schedules the copy for deletion at the next restart. Returns the copy's
// path; raises as CopyFileOrFail does.
std::u16string CopyToTemp(const std::u16string& folder, const std::u16string& fileName);

// Creates a folder that did not exist under Parent, named "Setup-" and 16 hexadecimal digits
// of Random (by default from the system's secure generator), and returns it with a trailing
// backslash. A name that exists already is never reused: the next number is tried, up to 100
// times. The folder and what is put into it grant access to the system and the administrators
// alone, so that no unelevated program of the user can add a library beside a program that
// runs elevated from there, or replace that program before it starts. Raises EOSError when
// CreateDirectoryW fails for another reason or every name was taken.
std::u16string CreateFreshFolder(const std::u16string& parent, const std::function<uint64_t()>& random = {});

} // namespace Setup::Core
