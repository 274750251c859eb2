#include "ORV.UI.Themes.h"

#include "ORV.Win32.Handles.h"

#include <cwchar>

namespace ORV::UI {

namespace {

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// The attribute's number changed with Windows 10 20H1; the older one still works on the builds
// that had only it.
constexpr DWORD kUseImmersiveDarkMode = 20;
constexpr DWORD kUseImmersiveDarkModeBefore20H1 = 19;

} // namespace

bool IsDarkColor(COLORREF color) {
    const unsigned brightness = GetRValue(color) * 299u + GetGValue(color) * 587u + GetBValue(color) * 114u;
    return brightness < 128u * 1000u;
}

bool IsAppsDarkMode() {
    TScopedRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kPersonalizeKey, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return IsDarkColor(GetSysColor(COLOR_WINDOW));
    DWORD value = 1, size = sizeof value, type = 0;
    if (RegQueryValueExW(key.Get(), L"AppsUseLightTheme", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return false;
    return value == 0;
}

bool IsHighContrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

bool IsThemeChange(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_THEMECHANGED || message == WM_SYSCOLORCHANGE) return true;
    if (message != WM_SETTINGCHANGE) return false;
    if (wParam == SPI_SETHIGHCONTRAST) return true;
    const auto area = reinterpret_cast<const wchar_t*>(lParam);
    return area && std::wcscmp(area, L"ImmersiveColorSet") == 0;
}

bool SetDarkTitleBar(HWND window, bool dark) {
    // Loaded from System32 only, and only when asked: older systems have no such library export.
    static const HMODULE dwm = LoadSystemLibrary(L"dwmapi.dll");
    if (!dwm) return false;
    using TSetAttribute = HRESULT(WINAPI*)(HWND, DWORD, const void*, DWORD);
    const auto setAttribute = reinterpret_cast<TSetAttribute>(
        reinterpret_cast<void (*)()>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
    if (!setAttribute) return false;
    const BOOL value = dark ? TRUE : FALSE;
    return SUCCEEDED(setAttribute(window, kUseImmersiveDarkMode, &value, sizeof value)) ||
           SUCCEEDED(setAttribute(window, kUseImmersiveDarkModeBefore20H1, &value, sizeof value));
}

} // namespace ORV::UI
