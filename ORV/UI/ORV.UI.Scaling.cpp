#include "ORV.UI.Scaling.h"

namespace ORV::UI {

int Scale(int value, int dpi) { return MulDiv(value, dpi, kDesignDpi); }

RECT Scale(const RECT& rect, int dpi) {
    return {Scale(rect.left, dpi), Scale(rect.top, dpi), Scale(rect.right, dpi), Scale(rect.bottom, dpi)};
}

int WindowDpi(HWND window) {
    using TGetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<TGetDpiForWindow>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) {
        if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

} // namespace ORV::UI
