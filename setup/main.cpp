// The setup program's entry point: one executable that installs, updates and uninstalls.

#include "ORV.SysUtils.h"
#include "ORV.Utils.CommandLine.h"
#include "ORV.Win32.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.ProductInfo.h"

namespace {

// The installer runs from a Downloads folder and the uninstaller from TEMP, both places where
// anyone can leave a DLL: from here on, libraries come from System32 only. Windows 7 without
// its loader update lacks the call; there, at least the current folder is taken off the path.
void RestrictDllSearch() {
    using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<TSetDefaultDllDirectories>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

void ShowError(const std::u16string& message) {
    MessageBoxW(nullptr, ORV::W(message), L"Setup", MB_OK | MB_ICONERROR);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RestrictDllSearch();
    const std::u16string commandLine = ORV::GetParams();
    try {
        if (!Setup::Core::ProductInfoClass) throw Setup::Core::EInstallerGeneralError(Setup::Core::kMsgSetupMalformed);
        // The run itself follows here: the elevated restart, the setup controller, and the
        // wizard or the silent worker.
        (void)commandLine;
    } catch (const ORV::Exception& error) {
        ShowError(error.Message());
    }
    // The outcome is shown to the user; the exit code is always 0.
    return 0;
}
