// The program's exit codes, as package managers and deployment tools read them:
//
//      0  success
//   1602  cancelled by the user: the wizard closed before the run, a confirmed stop during it,
//         Abort in the files-in-use question, or a refused elevation prompt
//   1618  another setup or uninstaller of the product is running
//   3010  success, but files of the installation are left for the system to delete at its
//         next restart
//    112  the disk is full
//   1603  any other failure
//
// The first, unelevated process and the installed uninstaller exit with the code of the copy
// they start.
#pragma once

#ifndef _WIN32
#error "Setup.Core.ExitCodes.h is for the Windows build only"
#endif

#include <exception>

namespace Setup::Core {

class TSetup;

enum TSetupExitCode : int {
    ecSuccess = 0,
    ecDiskFull = 112,
    ecCancelled = 1602,
    ecFailure = 1603,
    ecAlreadyRunning = 1618,
    ecRestartNeeded = 3010,
};

// The code of Setup's run once it is over, or of a run that never started because the user
// closed the wizard first.
TSetupExitCode RunExitCode(const TSetup& setup);
// The code of a failure that ended the program outside the run (its start, a broken package).
TSetupExitCode FailureExitCode(const std::exception_ptr& error);

} // namespace Setup::Core
