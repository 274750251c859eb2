#include "Setup.Core.ExitCodes.h"

#include "ORV.SysUtils.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Launch.Files.h"
#include "Setup.Core.RunLock.h"

#include <windows.h>

namespace Setup::Core {

namespace {

bool IsDiskFull(uint32_t systemError) { return systemError == ERROR_DISK_FULL || systemError == ERROR_HANDLE_DISK_FULL; }

} // namespace

TSetupExitCode RunExitCode(const TSetup& setup) {
    if (setup.HasErrors()) {
        if (setup.CancelledByUser()) return ecCancelled;
        return IsDiskFull(setup.FailureSystemError()) ? ecDiskFull : ecFailure;
    }
    if (setup.State() != ssFinished) return ecCancelled;
    return RestartPending() ? ecRestartNeeded : ecSuccess;
}

TSetupExitCode FailureExitCode(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const EInstallerAlreadyRunning&) {
        return ecAlreadyRunning;
    } catch (...) {
        return IsDiskFull(ORV::SystemErrorOf(error)) ? ecDiskFull : ecFailure;
    }
}

} // namespace Setup::Core
