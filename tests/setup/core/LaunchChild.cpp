// The other end of the launch tests: a GUI program that notes how it was started and then does
// what its switches ask.
//
//   (always)          appends "<own path>\t<process id>\t<parent's process id>\t<command line>"
//                     and CR LF in UTF-8 to "launch.log" beside itself
//   /SKIPUAC=<window> initialises the spawn service with that window, as the elevated copy does
//   /EXECUTE=<path>   then opens Path through the spawn service
//   /GUI              makes a window and serves it briefly: it becomes ready for input and ends
//   /HANG             never looks at its message queue, so it is never ready for input
//   /EXIT=<n>         ends with exit code N (0 without it)
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.Utils.CommandLine.h"
#include "ORV.Win32.h"
#include "Setup.Core.Launch.h"

#include <tlhelp32.h>

#include <string>

namespace {

DWORD ParentProcessId() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    DWORD parent = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

void Record() {
    const std::u16string self = ORV::Platform::ExecutableFileName();
    const std::u16string log = self.substr(0, self.find_last_of(u'\\') + 1) + u"launch.log";
    const std::string line = ORV::Utf16ToUtf8(self + u"\t" + ORV::IntToStr(GetCurrentProcessId()) + u"\t" +
                                              ORV::IntToStr(ParentProcessId()) + u"\t" +
                                              ORV::FromW(GetCommandLineW()) + u"\r\n");
    // Appends are atomic, so children that run at the same time never mix their lines.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const HANDLE file =
        CreateFileW(ORV::W(log), FILE_APPEND_DATA, share, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

void ServeWindowBriefly() {
    const HWND window = CreateWindowExW(0, L"STATIC", L"LaunchChild", 0, 0, 0, 10, 10, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    SetTimer(window, 1, 300, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER) break;
        DispatchMessageW(&message);
    }
    DestroyWindow(window);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Record();
    const std::u16string params = ORV::GetParams();
    std::u16string value;
    if (ORV::GetSwitchValue(params, u"SKIPUAC", value)) {
        int64_t window = 0;
        ORV::TryStrToInt64(value, window);
        Setup::Core::TSetupSpawnService::Initialize(static_cast<intptr_t>(window));
        if (ORV::GetSwitchValue(params, u"EXECUTE", value)) Setup::Core::TSetupSpawnService::Execute(value);
        Setup::Core::TSetupSpawnService::Finalize();
    }
    if (ORV::HasSwitch(params, u"GUI")) ServeWindowBriefly();
    if (ORV::HasSwitch(params, u"HANG"))
        for (;;) Sleep(1000);
    int64_t exitCode = 0;
    if (ORV::GetSwitchValue(params, u"EXIT", value)) ORV::TryStrToInt64(value, exitCode);
    return static_cast<int>(exitCode);
}
