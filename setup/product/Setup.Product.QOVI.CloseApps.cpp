#include "Setup.Product.QOVI.CloseApps.h"

#include "ORV.Strings.h"
#include "ORV.Win32.h"
#include "Setup.Core.Errors.h"

namespace Setup::Product::QOVI {

using namespace Setup::Core;
using ORV::W;

bool ProgramOfWindow(HWND window, std::u16string& program) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const ORV::TScopedKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.IsValid()) return false;
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (!QueryFullProcessImageNameW(process.Get(), 0, path, &length) || length == 0) return false;
    program = ORV::FromW(path, length);
    return true;
}

TSetupActionCloseApplications::TSetupActionCloseApplications()
    : FCancelled(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

bool TSetupActionCloseApplications::ClosePass() {
    bool found = false;
    for (const char16_t* windowClass : kPlayerWindowClasses) {
        const HWND window = FindWindowW(W(windowClass), nullptr);
        if (!window) continue;
        found = true;
        DWORD_PTR result = 0;
        // A window that asks its user first keeps us waiting; one that hangs, not for ever.
        SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCloseTimeout, &result);
    }
    return found;
}

bool TSetupActionCloseApplications::FindRunningProgram(std::u16string& program) {
    for (const char16_t* windowClass : kPlayerWindowClasses) {
        if (const HWND window = FindWindowW(W(windowClass), nullptr)) {
            if (!ProgramOfWindow(window, program)) program = windowClass;
            return true;
        }
    }
    return false;
}

void TSetupActionCloseApplications::Execute() {
    ShowStatus(GetCommonMessage(u"A8"));
    for (int pass = 1; pass <= kMaxPasses; ++pass) {
        // Nothing open (any more): the pause after the pass that closed it has given the program
        // the time to end and free its files, and a run without a player waits for nothing.
        if (!ClosePass()) return;
        if (WaitForSingleObject(FCancelled.Get(), kPause) == WAIT_OBJECT_0) return;
    }
    std::u16string program;
    if (!FindRunningProgram(program)) return;  // the last pause was enough
    throw EInstallerInstallError(ORV::Format(kMsgStillRunning, {program}));
}

void TSetupActionCloseApplications::Cancel() { SetEvent(FCancelled.Get()); }

} // namespace Setup::Product::QOVI
