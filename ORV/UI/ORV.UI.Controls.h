// The window behind every control and form of the library: one C++ object per window, reached
// from the window's procedure through the window's user data. Geometry is given in units of a
// 96-DPI screen and scaled to the window's monitor.
//
// Every message goes through the guard of ORV.Callbacks: an exception of a handler never
// leaves the window procedure (it would end the 32-bit process); it goes to the process's
// callback error handler and the message gets the default answer.
#pragma once

#ifndef _WIN32
#error "ORV.UI.Controls.h is for the Windows build only"
#endif

#include "ORV.Win32.h"

#include <string>

namespace ORV::UI {

class TORVWinControl {
public:
    TORVWinControl() = default;
    TORVWinControl(const TORVWinControl&) = delete;
    TORVWinControl& operator=(const TORVWinControl&) = delete;
    // Destroys the window when it still exists.
    virtual ~TORVWinControl();

    HWND Handle() const { return FHandle; }
    // The DPI of the window's monitor (96 before the window exists).
    int Dpi() const { return FDpi; }
    // Value in 96-DPI units at the window's DPI.
    int ScaleValue(int value) const;

protected:
    // Registers ClassName once per process (with this unit's procedure) and creates the window
    // with this object as its owner. Bounds are in 96-DPI units, at the DPI of Parent's monitor
    // (of the primary screen for a top-level window). Raises EOSError when it cannot be made.
    void CreateHandle(const wchar_t* className, const std::u16string& text, DWORD style, DWORD exStyle, HWND parent,
                      const RECT& bounds);
    // The window's messages; by default DefWindowProcW.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after WM_DPICHANGED has moved the window, with the new DPI in Dpi().
    virtual void DpiChanged() {}

private:
    static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND FHandle = nullptr;
    int FDpi = 96;
};

// A top-level window with a fixed client size, centred on its screen, painted through an
// off-screen bitmap so that nothing flickers, that follows its monitor's DPI and the desktop's
// theme.
class TORVForm : public TORVWinControl {
public:
    // Creates the window (hidden): a caption and a system menu, not resizable, the client area
    // ClientWidth x ClientHeight in 96-DPI units.
    TORVForm(const std::u16string& caption, int clientWidth, int clientHeight);

    void Show();
    // Asks CloseQuery, then destroys the window when it agrees.
    void Close();
    bool Visible() const;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Draws the whole client area into DC (an off-screen bitmap of the client's size).
    virtual void Paint(HDC dc, const RECT& client) {}
    // Whether the window may close now; by default yes.
    virtual bool CloseQuery() { return true; }
    // The app theme or high contrast changed.
    virtual void ThemeChanged() {}

private:
    void PaintBuffered();
    int FClientWidth, FClientHeight;
};

} // namespace ORV::UI
