// What an installation leaves behind to be removed again: the uninstaller program, its data
// package and the entry in the list of installed programs.
//
//   <dest>\Uninstall.exe   the setup program with the setup package and without the product
//   <dest>\Uninstall.dat   a package (the setup's package key, level 4) with one file,
//                          "Uninstall.ini": the record, saved as UTF-16 LE with its mark
//
// The record is a copy of the run's settings store with a fresh section
//
//   [Uninstall]
//   Count=N
//   0=<first extracted file> ... then Uninstall.dat, then Uninstall.exe (the last two entries)
//
// Entries are the expanded targets, relative to the destination folder when they lie in it
// (the folder compared ignoring case), full paths otherwise. Files the user chose to skip are
// listed too: the script says they belong to the product.
//
// A program named "Uninstall.exe" reads its product package from the ".dat" beside it, and the
// controller enters uninstaller mode when that package holds "Uninstall.ini".
#pragma once

#ifndef _WIN32
#error "Setup.Core.UninstallRecord.h is for the Windows build only"
#endif

#include "ORV.FileFormats.INI.h"
#include "Setup.Core.Host.h"
#include "Setup.Core.Script.h"

#include <string>
#include <vector>

namespace Setup::Core {

class TSetupResources;

inline constexpr char16_t kUninstallerName[] = u"Uninstall.exe";
inline constexpr char16_t kUninstallDataName[] = u"Uninstall.dat";
inline constexpr char16_t kUninstallRecordName[] = u"Uninstall.ini";
inline constexpr char16_t kUninstallSection[] = u"Uninstall";

// Path as the record stores it: without the leading DestPath (which ends with a backslash) when
// it starts with it, ignoring case; unchanged otherwise.
std::u16string UninstallEntryName(const std::u16string& path, const std::u16string& destPath);

// Appends Path (as UninstallEntryName gives it) to [Uninstall] of Record: under the key named
// by the current Count (0 when missing), then Count + 1.
void AddUninstallEntry(ORV::TORVIniFile& record, const std::u16string& path, const std::u16string& destPath);

// Writes the uninstaller to Path (replacing a file there): the "Uninstall.exe" that the setup
// package carries, the setup program without the product, or, in a build without one, a copy of
// the running program. Raises EOSError or EWriteError (with the system's reason) on failure.
void WriteUninstaller(const TSetupResources& resources, const std::u16string& path);

// Writes the uninstaller to DestPath + "Uninstall.exe" (WriteUninstaller), writes the
// record for Files (install-script entries, expanded by Host's resources) into DestPath +
// "Uninstall.dat", and, unless the run is portable, registers the product in the list of
// installed programs. Raises what WriteUninstaller raises and what the package raises when it
// cannot be saved; registry trouble is silent.
void WriteUninstallRecord(ISetupHost& host, const std::u16string& destPath,
                          const std::vector<const TSetupScriptFile*>& files);

// Whether Folder holds the installation that the uninstaller UninstallerPath removes: the
// "Uninstall.dat" in Folder has the content of the data package beside UninstallerPath (the
// same file, or the copy that the uninstaller's restart from TEMP took of it). False when
// either cannot be read. An uninstall works on nothing else, whatever /PATH= says.
bool HoldsInstallationOf(const std::u16string& folder, const std::u16string& uninstallerPath);

} // namespace Setup::Core
