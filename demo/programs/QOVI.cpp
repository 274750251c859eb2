// Stand-in for the QOVI player: just enough of it for the installer to find, recognise and
// close. The installer looks for a running player by the class of its main window and closes
// it with WM_CLOSE; the title shows the version that the configuration beside us names, so a
// look at the window tells which installation is running. Started with /STUBBORN, it plays a
// player that will not close (it ignores WM_CLOSE), so that the installer's patience shows.
#include "StandIn.h"

namespace {

constexpr wchar_t MainFormClass[] = L"TQOVIMainForm";

bool gStubborn = false;

// Version ids count major × 1000 + two-digit minor × 10 + release: 5100 is version 5.10.
std::wstring TitleFor(UINT versionId) {
    if (versionId == 0) return L"QOVI (no configuration)";
    const UINT minor = versionId % 1000 / 10;
    return L"QOVI " + std::to_wstring(versionId / 1000) + (minor < 10 ? L".0" : L".") + std::to_wstring(minor);
}

LRESULT CALLBACK MainFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // WM_CLOSE is left to DefWindowProc, which destroys the window: closing must never ask.
    if (message == WM_CLOSE && gStubborn) return 0;
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int show) {
    gStubborn = arguments && std::wstring_view(arguments).find(L"/STUBBORN") != std::wstring_view::npos;
    // A bare file name would send the profile functions to the Windows folder.
    const std::wstring config = StandIn::FolderOf(StandIn::ModuleFileName(nullptr)) + L"QOVI.ini";
    const UINT versionId = GetPrivateProfileIntW(L"System", L"Version", 0, config.c_str());

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = MainFormProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = MainFormClass;
    if (!RegisterClassExW(&windowClass)) return 1;

    const HWND window = CreateWindowExW(0, MainFormClass, TitleFor(versionId).c_str(), WS_OVERLAPPEDWINDOW,
                                        CW_USEDEFAULT, CW_USEDEFAULT, 480, 320, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, show);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
