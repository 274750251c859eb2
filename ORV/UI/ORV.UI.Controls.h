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

#include <functional>
#include <string>
#include <vector>

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

class TORVControl;

// The colours of a window and its controls.
struct TORVColors {
    COLORREF Text;
    COLORREF Background;
};

// A window that holds standard controls (ORV.UI.StdControls.h): it lays them out at its DPI,
// gives them its font and colours, and passes them their commands.
class TORVControlHost {
public:
    TORVControlHost() = default;
    TORVControlHost(const TORVControlHost&) = delete;
    TORVControlHost& operator=(const TORVControlHost&) = delete;
    virtual ~TORVControlHost();

    // The window the controls are children of, and its DPI.
    virtual HWND HostHandle() const = 0;
    virtual int HostDpi() const = 0;
    // "Segoe UI" at 9 points at the host's DPI.
    HFONT Font();
    // The colours the controls are drawn in; by default those of the desktop's theme: the
    // system's in high contrast, dark grey with white text in the dark app theme, else the
    // system's window colours.
    virtual TORVColors Colors() const;
    // The colours of one control; by default Colors(), with a label's own text colour.
    virtual TORVColors ControlColors(const TORVControl& control) const;

    // For the controls' own use: a control registers itself when it is made and leaves when it goes.
    void AddControl(TORVControl& control);
    void RemoveControl(TORVControl& control);
    // The default button's identifier (0 for none); Enter presses it.
    void SetDefaultId(int id) { FDefaultId = id; }

protected:
    // WM_COMMAND, DM_GETDEFID and the controls' colour messages; false for other messages.
    bool HandleControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Escape, or a Cancel button without a control of its own; by default nothing.
    virtual void CancelPressed() {}
    // A new font at the host's DPI, and every control laid out again.
    void RelayoutControls();

private:
    LRESULT ControlColor(HDC dc, HWND control);

    HFONT FFont = nullptr;
    int FFontDpi = 0;
    HBRUSH FBrush = nullptr;  // the last control background handed out
    COLORREF FBrushColor = CLR_INVALID;
    int FDefaultId = 0;
    std::vector<TORVControl*> FControls;
};

// Paints Window through an off-screen bitmap of its client size, so that nothing flickers:
// Paint draws into the bitmap, whose coordinates start at Origin, and one copy puts it on the
// screen. The frame is ended and every GDI object freed whatever Paint raises; the error is
// raised again afterwards.
void PaintThroughBuffer(HWND window, POINT origin, const std::function<void(HDC dc, const RECT& client)>& paint);

// How a form's frame looks.
struct TORVFormStyle {
    // A system menu with its Close command (and the close box); without it the title bar is bare.
    bool SystemMenu = true;
    // Above every window that is not topmost.
    bool TopMost = false;
};

// A top-level window with a fixed client size, centred on its screen, painted through an
// off-screen bitmap so that nothing flickers, that follows its monitor's DPI and the desktop's
// theme, and that hosts standard controls. Tab and Shift+Tab move the focus through the
// controls with WS_TABSTOP in the order they were made, Enter presses the default button and
// Escape asks to close (CancelPressed) while its message loop runs.
class TORVForm : public TORVWinControl, public TORVControlHost {
public:
    // Creates the window (hidden): a caption, not resizable, the client area ClientWidth x
    // ClientHeight in 96-DPI units.
    TORVForm(const std::u16string& caption, int clientWidth, int clientHeight, TORVFormStyle style = {});

    void Show();
    // Shows the form and serves messages until its window is gone.
    void ShowModal();
    // Asks CloseQuery, then destroys the window when it agrees.
    void Close();
    bool Visible() const;
    void SetCaption(const std::u16string& caption);

    HWND HostHandle() const override { return Handle(); }
    int HostDpi() const override { return Dpi(); }

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DpiChanged() override;
    // Draws the whole client area into DC (an off-screen bitmap of the client's size); by
    // default fills it with Colors().Background.
    virtual void Paint(HDC dc, const RECT& client);
    // Whether the window may close now; by default yes.
    virtual bool CloseQuery() { return true; }
    // Escape, or a Cancel button: by default Close().
    void CancelPressed() override { Close(); }
    // The app theme or high contrast changed.
    virtual void ThemeChanged() {}

private:
    void PaintBuffered();
    // Makes the client area exactly its design size at the window's DPI.
    void FitClientArea();

    int FClientWidth, FClientHeight;
    DWORD FStyle, FExStyle;
};

} // namespace ORV::UI
