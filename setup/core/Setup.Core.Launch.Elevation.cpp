#include "Setup.Core.Launch.Elevation.h"

#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.CommandLine.h"
#include "Setup.Core.Launch.Process.h"
#include "Setup.Core.Launch.Spawn.h"

#include <shellapi.h>

namespace Setup::Core {

using ORV::FromW;
using ORV::LongPathForm;
using ORV::W;

bool RestartElevated(const std::u16string& commandLine, DWORD& exitCode) {
    return RestartElevated(ORV::Platform::ExecutableFileName(), commandLine, exitCode);
}

bool RestartElevated(const std::u16string& program, const std::u16string& commandLine, DWORD& exitCode) {
    if (!TSetupSpawnService::Initialized()) TSetupSpawnService::Initialize(0);
    const std::u16string parameters =
        ElevatedRestartParams(reinterpret_cast<intptr_t>(TSetupSpawnService::SpawnWindow()), commandLine);
    const std::u16string directory = ORV::IncludeTrailingBackslash(
        FilledBuffer([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); }));

    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
    info.lpVerb = L"runas";
    info.lpFile = W(program);
    info.lpParameters = W(parameters);
    info.lpDirectory = directory.empty() ? nullptr : W(directory);
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
        const DWORD error = GetLastError();
        if (error == ERROR_CANCELLED) return false;
        ORV::RaiseOSError(error);
    }
    exitCode = 0;
    const ORV::TScopedKernelHandle process(info.hProcess);
    // The shell may hand the start to a process that exists already and give no handle back.
    if (process) {
        WaitServingMessages(process.Get());
        GetExitCodeProcess(process.Get(), &exitCode);
    }
    return true;
}

} // namespace Setup::Core
