#include "ORV.UI.Controls.h"

#include "ORV.Callbacks.h"
#include "ORV.SysUtils.h"
#include "ORV.UI.Scaling.h"
#include "ORV.UI.StdControls.h"
#include "ORV.UI.Themes.h"

#include <algorithm>
#include <cwchar>

// Windows 10 1703; older headers lack it.
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace ORV::UI {

namespace {

// The object that is creating its window, for the messages that come before CreateWindowExW
// returns; creation happens on one thread at a time per object, and windows belong to the
// interface thread.
thread_local TORVWinControl* GCreating = nullptr;

void RegisterClassOnce(const wchar_t* className, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &windowClass)) return;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    if (!RegisterClassExW(&windowClass)) RaiseLastOSError();
}

// The window rectangle for a client area of Width x Height at Dpi.
SIZE WindowSizeFor(int width, int height, DWORD style, DWORD exStyle, int dpi) {
    RECT rect{0, 0, Scale(width, dpi), Scale(height, dpi)};
    using TAdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = reinterpret_cast<TAdjustForDpi>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (!adjustForDpi || !adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

constexpr wchar_t kFormClass[] = L"TORVForm";

} // namespace

TORVWinControl::~TORVWinControl() {
    if (FHandle) {
        SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        DestroyWindow(FHandle);
    }
}

int TORVWinControl::ScaleValue(int value) const { return Scale(value, FDpi); }

void TORVWinControl::CreateHandle(const wchar_t* className, const std::u16string& text, DWORD style, DWORD exStyle,
                                  HWND parent, const RECT& bounds) {
    RegisterClassOnce(className, &StaticWndProc);
    FDpi = WindowDpi(parent);
    const RECT scaled = Scale(bounds, FDpi);
    GCreating = this;
    const HWND window = CreateWindowExW(exStyle, className, W(text), style, scaled.left, scaled.top,
                                        scaled.right - scaled.left, scaled.bottom - scaled.top, parent, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    GCreating = nullptr;
    if (!window) RaiseLastOSError();
    FHandle = window;
    FDpi = WindowDpi(window);
}

LRESULT TORVWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(FHandle, message, wParam, lParam);
}

LRESULT CALLBACK TORVWinControl::StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TORVWinControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self && GCreating) {
        self = GCreating;
        self->FHandle = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->FHandle = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return GuardCallback<LRESULT>(0, [&]() -> LRESULT {
        if (message == WM_DPICHANGED) {
            self->FDpi = HIWORD(wParam);
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            self->DpiChanged();
            return 0;
        }
        return self->WndProc(message, wParam, lParam);
    });
}

// ---- hosts of controls

namespace {

constexpr COLORREF kDarkBackground = RGB(0x26, 0x26, 0x26);
constexpr COLORREF kDarkText = RGB(0xFF, 0xFF, 0xFF);

} // namespace

TORVControlHost::~TORVControlHost() {
    if (FFont) DeleteObject(FFont);
    if (FBrush) DeleteObject(FBrush);
}

HFONT TORVControlHost::Font() {
    const int dpi = HostDpi();
    if (FFont && FFontDpi == dpi) return FFont;
    if (FFont) DeleteObject(FFont);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) font = metrics.lfMessageFont;
    wcscpy(font.lfFaceName, L"Segoe UI");
    font.lfHeight = -MulDiv(9, dpi, 72);
    font.lfWidth = 0;
    font.lfWeight = FW_NORMAL;
    font.lfQuality = CLEARTYPE_QUALITY;
    FFont = CreateFontIndirectW(&font);
    FFontDpi = dpi;
    return FFont;
}

void TORVControlHost::RelayoutControls() {
    for (TORVControl* control : FControls) control->Relayout();
}

TORVColors TORVControlHost::Colors() const {
    if (IsHighContrast()) return {GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)};
    if (IsAppsDarkMode()) return {kDarkText, kDarkBackground};
    return {GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)};
}

TORVColors TORVControlHost::ControlColors(const TORVControl& control) const {
    TORVColors colors = Colors();
    if (const auto* label = dynamic_cast<const TORVLabel*>(&control);
        label && label->TextColor() != CLR_INVALID && !IsHighContrast())
        colors.Text = label->TextColor();
    return colors;
}

void TORVControlHost::AddControl(TORVControl& control) { FControls.push_back(&control); }

void TORVControlHost::RemoveControl(TORVControl& control) { std::erase(FControls, &control); }

LRESULT TORVControlHost::ControlColor(HDC dc, HWND window) {
    TORVColors colors = Colors();
    for (const TORVControl* control : FControls)
        if (control->Handle() == window) colors = ControlColors(*control);
    SetTextColor(dc, colors.Text);
    SetBkColor(dc, colors.Background);
    if (colors.Background != FBrushColor) {
        if (FBrush) DeleteObject(FBrush);
        FBrush = CreateSolidBrush(colors.Background);
        FBrushColor = colors.Background;
    }
    return reinterpret_cast<LRESULT>(FBrush);
}

bool TORVControlHost::HandleControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND: {
        const auto window = reinterpret_cast<HWND>(lParam);
        const int id = LOWORD(wParam);
        result = 0;
        for (TORVControl* control : FControls) {
            if ((window && control->Handle() == window) || (!window && control->Id() == id)) {
                control->Command(HIWORD(wParam));
                return true;
            }
        }
        if (id == IDCANCEL) CancelPressed();
        return true;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        for (TORVControl* control : FControls)
            if (control->Handle() == header->hwndFrom) return control->Notify(*header, result);
        return false;
    }
    case DM_GETDEFID:
        result = FDefaultId ? MAKELRESULT(FDefaultId, DC_HASDEFID) : 0;
        return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        result = ControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        return true;
    default:
        return false;
    }
}

// ---- forms

namespace {

DWORD FormStyle(const TORVFormStyle& style) {
    return WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN | (style.SystemMenu ? WS_SYSMENU : 0);
}

DWORD FormExStyle(const TORVFormStyle& style) {
    return WS_EX_CONTROLPARENT | (style.TopMost ? WS_EX_TOPMOST : 0) | (style.SystemMenu ? 0 : WS_EX_DLGMODALFRAME);
}

} // namespace

TORVForm::TORVForm(const std::u16string& caption, int clientWidth, int clientHeight, TORVFormStyle style)
    : FClientWidth(clientWidth), FClientHeight(clientHeight), FStyle(FormStyle(style)), FExStyle(FormExStyle(style)) {
    const int dpi = WindowDpi(nullptr);
    const SIZE size = WindowSizeFor(clientWidth, clientHeight, FStyle, FExStyle, dpi);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - size.cx) / 2;
    const int top = work.top + (work.bottom - work.top - size.cy) / 2;
    // CreateHandle scales what it is given; the form's place is already in pixels.
    CreateHandle(kFormClass, caption, FStyle, FExStyle, nullptr,
                 RECT{MulDiv(left, kDesignDpi, dpi), MulDiv(top, kDesignDpi, dpi), MulDiv(left + size.cx, kDesignDpi, dpi),
                      MulDiv(top + size.cy, kDesignDpi, dpi)});
    // The window may have come up on another monitor than the primary one.
    if (Dpi() != dpi) {
        const SIZE exact = WindowSizeFor(clientWidth, clientHeight, FStyle, FExStyle, Dpi());
        SetWindowPos(Handle(), nullptr, 0, 0, exact.cx, exact.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FitClientArea();
    SetDarkTitleBar(Handle(), IsAppsDarkMode() && !IsHighContrast());
}

void TORVForm::FitClientArea() {
    // The frame the system draws may differ by a pixel from what it computes for it.
    RECT client{}, window{};
    GetClientRect(Handle(), &client);
    GetWindowRect(Handle(), &window);
    const int dx = ScaleValue(FClientWidth) - client.right, dy = ScaleValue(FClientHeight) - client.bottom;
    if (dx || dy)
        SetWindowPos(Handle(), nullptr, 0, 0, window.right - window.left + dx, window.bottom - window.top + dy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TORVForm::Show() {
    ShowWindow(Handle(), SW_SHOW);
    UpdateWindow(Handle());
}

void TORVForm::ShowModal() {
    Show();
    MSG message{};
    while (Handle()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // WM_QUIT belongs to the loop that called us.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (got < 0) return;
        if (Handle() && IsDialogMessageW(Handle(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void TORVForm::Close() {
    if (Handle()) SendMessageW(Handle(), WM_CLOSE, 0, 0);
}

bool TORVForm::Visible() const { return Handle() && IsWindowVisible(Handle()); }

void TORVForm::SetCaption(const std::u16string& caption) { SetWindowTextW(Handle(), W(caption)); }

void TORVForm::DpiChanged() {
    FitClientArea();
    RelayoutControls();
}

void TORVForm::Paint(HDC dc, const RECT& client) {
    const HBRUSH brush = CreateSolidBrush(Colors().Background);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
}

void PaintThroughBuffer(HWND window, POINT origin, const std::function<void(HDC dc, const RECT& client)>& paint) {
    PAINTSTRUCT frame{};
    const HDC target = BeginPaint(window, &frame);
    RECT client{};
    GetClientRect(window, &client);
    const HDC buffer = CreateCompatibleDC(target);
    const HBITMAP bitmap = CreateCompatibleBitmap(target, client.right, client.bottom);
    const HGDIOBJ previous = SelectObject(buffer, bitmap);
    SetViewportOrgEx(buffer, origin.x, origin.y, nullptr);
    // The frame is ended and the GDI objects are freed whatever Paint raises.
    const std::exception_ptr error = CatchAll([&] { paint(buffer, client); });
    SetViewportOrgEx(buffer, 0, 0, nullptr);
    if (!error) BitBlt(target, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
    SelectObject(buffer, previous);
    DeleteObject(bitmap);
    DeleteDC(buffer);
    EndPaint(window, &frame);
    if (error) std::rethrow_exception(error);
}

void TORVForm::PaintBuffered() {
    PaintThroughBuffer(Handle(), POINT{0, 0}, [this](HDC dc, const RECT& client) { Paint(dc, client); });
}

LRESULT TORVForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (LRESULT result = 0; HandleControlMessage(message, wParam, lParam, result)) return result;
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // Paint covers everything
    case WM_PAINT:
        PaintBuffered();
        return 0;
    case WM_CLOSE:
        if (CloseQuery()) DestroyWindow(Handle());
        return 0;
    case WM_GETDPISCALEDSIZE: {
        // Keep the client area's design size at the new DPI.
        auto* size = reinterpret_cast<SIZE*>(lParam);
        *size = WindowSizeFor(FClientWidth, FClientHeight, FStyle, FExStyle, static_cast<int>(wParam));
        return TRUE;
    }
    default:
        break;
    }
    if (IsThemeChange(message, wParam, lParam)) {
        SetDarkTitleBar(Handle(), IsAppsDarkMode() && !IsHighContrast());
        ThemeChanged();
        InvalidateRect(Handle(), nullptr, TRUE);
    }
    return TORVWinControl::WndProc(message, wParam, lParam);
}

} // namespace ORV::UI
