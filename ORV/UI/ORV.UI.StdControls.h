// The standard Windows controls that the forms are made of: push button, label, check box,
// progress bar and the combo box whose items show an icon, with the image list behind it. Each
// object owns one child window of its host (a form or a page); its bounds are kept in 96-DPI
// units and follow the host's DPI, and its colours are the host's (TORVControlHost::ControlColors).
#pragma once

#ifndef _WIN32
#error "ORV.UI.StdControls.h is for the Windows build only"
#endif

#include "ORV.Graphics.Icon.h"
#include "ORV.Win32.h"

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>

namespace ORV::UI {

class TORVControlHost;

class TORVControl {
public:
    TORVControl(const TORVControl&) = delete;
    TORVControl& operator=(const TORVControl&) = delete;
    virtual ~TORVControl();

    HWND Handle() const { return FHandle; }
    int Id() const { return FId; }

    std::u16string Text() const;
    void SetText(const std::u16string& text);
    // The control's own visibility, whether its host is on screen or not.
    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    void SetFocus();
    // In 96-DPI units of the form's client area.
    const RECT& Bounds() const { return FBounds; }
    void SetBounds(const RECT& bounds);
    // Puts the control at its bounds at the host's DPI with its font.
    void Relayout();
    // "Segoe UI" at Points instead of the host's font (0: the host's again).
    void SetFontSize(int points);
    void SetBold(bool bold);
    // The component name: the key of the control's text in its page's section; may be empty.
    const std::u16string& Name() const { return FName; }
    void SetName(const std::u16string& name) { FName = name; }

    // The host's WM_COMMAND for this control.
    virtual void Command(WORD notification) { (void)notification; }
    // The host's WM_NOTIFY from this control; true when handled, with the answer in Result.
    virtual bool Notify(const NMHDR& header, LRESULT& result) {
        (void)header;
        (void)result;
        return false;
    }

protected:
    // Creates the child window of ClassName on Host; Id is its command identifier.
    TORVControl(TORVControlHost& host, const wchar_t* className, const std::u16string& text, DWORD style, DWORD exStyle,
                const RECT& bounds, int id);

    TORVControlHost& Host() const { return FHost; }

private:
    HFONT CurrentFont();

    TORVControlHost& FHost;
    HWND FHandle = nullptr;
    RECT FBounds;
    int FId;
    std::u16string FName;
    int FFontPoints = 0;
    bool FBold = false;
    HFONT FOwnFont = nullptr;
    int FOwnFontDpi = 0;
};

class TORVButton : public TORVControl {
public:
    // A push button; the default button of its form when IsDefault (Enter presses it). Give it
    // IDOK or IDCANCEL as Id to have Enter or Escape press it.
    TORVButton(TORVControlHost& host, const std::u16string& caption, const RECT& bounds, int id, bool isDefault = false);
    void Click() const;
    void Command(WORD notification) override;

    std::function<void()> OnClick;
};

class TORVLabel : public TORVControl {
public:
    // WordWrap: the text wraps at the label's width; otherwise it stays on one line, cut with an
    // ellipsis.
    TORVLabel(TORVControlHost& host, const std::u16string& text, const RECT& bounds, int id = -1, bool wordWrap = true);
    // The text colour; CLR_INVALID (the default) takes the form's.
    COLORREF TextColor() const { return FTextColor; }
    void SetTextColor(COLORREF color);

private:
    COLORREF FTextColor = CLR_INVALID;
};

class TORVCheckBox : public TORVControl {
public:
    TORVCheckBox(TORVControlHost& host, const std::u16string& caption, const RECT& bounds, int id);
    bool Checked() const;
    // From the program: OnClick is not called.
    void SetChecked(bool checked);
    void Command(WORD notification) override;

    // The user changed the box.
    std::function<void()> OnClick;
};

class TORVRadioButton : public TORVControl {
public:
    // Radio buttons of one host exclude each other.
    TORVRadioButton(TORVControlHost& host, const std::u16string& caption, const RECT& bounds, int id);
    bool Checked() const;
    // From the program: OnClick is not called.
    void SetChecked(bool checked);
    void Command(WORD notification) override;

    std::function<void()> OnClick;
};

// A one-line text box.
class TORVEdit : public TORVControl {
public:
    TORVEdit(TORVControlHost& host, const RECT& bounds, int id);
    void Command(WORD notification) override;

    // The user (or the program, through SetText) changed the text.
    std::function<void()> OnChange;
};

// A text beside the system's warning sign, in bold.
class TORVWarningLabel : public TORVControl {
public:
    TORVWarningLabel(TORVControlHost& host, const std::u16string& text, const RECT& bounds, int id);
};

// A standard control (its class, text, state and accessibility as the system makes them) whose
// picture the host draws: OnPaint gets a DC whose coordinates are the host's client
// coordinates, clipped to the control. So a frame that the host paints as one picture can
// still have parts that screen readers see as a text or a progress bar.
class TORVHostPaintedControl : public TORVControl {
public:
    using TPaintEvent = std::function<void(HDC dc)>;
    TORVHostPaintedControl(TORVControlHost& host, const wchar_t* className, const std::u16string& text, DWORD style,
                           const RECT& bounds, int id, TPaintEvent onPaint);
    ~TORVHostPaintedControl() override;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void PaintByHost();

    TPaintEvent FOnPaint;
    WNDPROC FOriginal = nullptr;
};

// A read-only text of several lines with a vertical scroll bar.
class TORVMemo : public TORVControl {
public:
    TORVMemo(TORVControlHost& host, const RECT& bounds, int id = -1);
};

// A label that opens an address when it is clicked.
class TORVLinkLabel : public TORVLabel {
public:
    TORVLinkLabel(TORVControlHost& host, const std::u16string& text, const RECT& bounds, int id);
    void Command(WORD notification) override;

    std::function<void()> OnClick;
};

class TORVProgressBar : public TORVControl {
public:
    TORVProgressBar(TORVControlHost& host, const RECT& bounds, int id = -1);
    // 0..100.
    void SetPosition(int position);
    int Position() const;
    // A flat bar in these colours instead of the system's style.
    void SetColors(COLORREF bar, COLORREF background);
};

// Icons of one size for the items of a list or a combo box.
class TORVImageList {
public:
    explicit TORVImageList(int size = 16);
    TORVImageList(const TORVImageList&) = delete;
    TORVImageList& operator=(const TORVImageList&) = delete;
    ~TORVImageList();

    HIMAGELIST Handle() const { return FHandle; }
    int Size() const { return FSize; }
    int Count() const;
    // Adds the image of Icon that suits the list's size best; returns its index, -1 when the
    // icon is empty or cannot be read.
    int AddIcon(const TORVIcon& icon);

private:
    HIMAGELIST FHandle;
    int FSize;
};

// A drop-down list whose items show an icon and a text, and carry a number of the caller's.
class TORVImageComboBox : public TORVControl {
public:
    // Bounds give the closed box; the drop-down list opens below it.
    TORVImageComboBox(TORVControlHost& host, const RECT& bounds, int id, TORVImageList* images = nullptr);
    int Count() const;
    // Inserts an item at Index (0..Count); ImageIndex -1 for none.
    void Insert(int index, const std::u16string& text, int imageIndex, intptr_t data);
    std::u16string ItemText(int index) const;
    int ItemImage(int index) const;
    intptr_t ItemData(int index) const;
    // -1 when nothing is selected.
    int ItemIndex() const;
    void SetItemIndex(int index);
};

} // namespace ORV::UI
