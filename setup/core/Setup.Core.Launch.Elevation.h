// The restart of this program with administrator rights, while the first process serves the
// elevated copy's requests to start programs as the desktop user (see the spawn service).
#pragma once

#ifndef _WIN32
#error "Setup.Core.Launch.Elevation.h is for the Windows build only"
#endif

#include "ORV.Win32.h"

#include <string>

namespace Setup::Core {

// Starts this program again with administrator rights ("runas") and the parameters
// "/SKIPUAC=<spawn window> CommandLine", initialising the spawn service with an own window
// first unless it is initialised already, and waits for the copy to end while serving its
// start requests. True with the copy's exit code when it ran; false when the user refused the
// elevation prompt; EOSError for any other failure to start it.
bool RestartElevated(const std::u16string& commandLine, DWORD& exitCode);
// The same for another program than this one.
bool RestartElevated(const std::u16string& program, const std::u16string& commandLine, DWORD& exitCode);

} // namespace Setup::Core
