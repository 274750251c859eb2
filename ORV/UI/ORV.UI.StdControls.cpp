#include "ORV.UI.StdControls.h"

#include "ORV.Callbacks.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.UI.Controls.h"
#include "ORV.UI.Scaling.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ORV::UI {

namespace {

void InitCommonControlsOnce() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_USEREX_CLASSES};
        return InitCommonControlsEx(&init) != FALSE;
    }();
    (void)done;
}

template <typename T>
T ReadLE(const std::vector<uint8_t>& data, size_t offset) {
    T value{};
    std::memcpy(&value, data.data() + offset, sizeof value);
    return value;
}

} // namespace

// ---- the base

TORVControl::TORVControl(TORVControlHost& host, const wchar_t* className, const std::u16string& text, DWORD style,
                         DWORD exStyle, const RECT& bounds, int id)
    : FHost(host), FBounds(bounds), FId(id) {
    InitCommonControlsOnce();
    const RECT scaled = Scale(bounds, host.HostDpi());
    FHandle = CreateWindowExW(exStyle, className, W(text), WS_CHILD | WS_VISIBLE | style, scaled.left, scaled.top,
                              scaled.right - scaled.left, scaled.bottom - scaled.top, host.HostHandle(),
                              reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!FHandle) RaiseLastOSError();
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(host.Font()), FALSE);
    host.AddControl(*this);
}

TORVControl::~TORVControl() {
    FHost.RemoveControl(*this);
    if (IsWindow(FHandle)) DestroyWindow(FHandle);
    if (FOwnFont) DeleteObject(FOwnFont);
}

HFONT TORVControl::CurrentFont() {
    if (!FFontPoints && !FBold) return FHost.Font();
    const int dpi = FHost.HostDpi();
    if (FOwnFont && FOwnFontDpi == dpi) return FOwnFont;
    LOGFONTW font{};
    GetObjectW(FHost.Font(), sizeof font, &font);
    if (FFontPoints) font.lfHeight = -MulDiv(FFontPoints, dpi, 72);
    font.lfWidth = 0;
    if (FBold) font.lfWeight = FW_BOLD;
    const HFONT made = CreateFontIndirectW(&font);
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
    if (FOwnFont) DeleteObject(FOwnFont);
    FOwnFont = made;
    FOwnFontDpi = dpi;
    return FOwnFont;
}

void TORVControl::SetFontSize(int points) {
    FFontPoints = points;
    FOwnFontDpi = 0;
    Relayout();
}

void TORVControl::SetBold(bool bold) {
    FBold = bold;
    FOwnFontDpi = 0;
    Relayout();
}

std::u16string TORVControl::Text() const {
    const int length = GetWindowTextLengthW(FHandle);
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(FHandle, W(text.data()), length + 1)));
    return text;
}

void TORVControl::SetText(const std::u16string& text) {
    if (Text() != text) SetWindowTextW(FHandle, W(text));
}

bool TORVControl::Visible() const { return (GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_VISIBLE) != 0; }

void TORVControl::SetVisible(bool visible) { ShowWindow(FHandle, visible ? SW_SHOWNA : SW_HIDE); }

bool TORVControl::Enabled() const { return IsWindowEnabled(FHandle) != FALSE; }

void TORVControl::SetEnabled(bool enabled) { EnableWindow(FHandle, enabled); }

void TORVControl::SetFocus() { ::SetFocus(FHandle); }

void TORVControl::SetBounds(const RECT& bounds) {
    FBounds = bounds;
    Relayout();
}

void TORVControl::Relayout() {
    const RECT scaled = Scale(FBounds, FHost.HostDpi());
    SetWindowPos(FHandle, nullptr, scaled.left, scaled.top, scaled.right - scaled.left, scaled.bottom - scaled.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(CurrentFont()), TRUE);
}

// ---- buttons, labels, check boxes, progress bars

TORVButton::TORVButton(TORVControlHost& host, const std::u16string& caption, const RECT& bounds, int id, bool isDefault)
    : TORVControl(host, L"BUTTON", caption, WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, bounds, id) {
    if (isDefault) host.SetDefaultId(id);
}

void TORVButton::Click() const {
    if (Visible() && Enabled() && OnClick) OnClick();
}

void TORVButton::Command(WORD notification) {
    if (notification == BN_CLICKED) Click();
}

TORVLabel::TORVLabel(TORVControlHost& host, const std::u16string& text, const RECT& bounds, int id, bool wordWrap)
    : TORVControl(host, L"STATIC", text, SS_NOPREFIX | (wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS), 0, bounds,
                  id) {}

TORVRadioButton::TORVRadioButton(TORVControlHost& host, const std::u16string& caption, const RECT& bounds, int id)
    : TORVControl(host, L"BUTTON", caption, WS_TABSTOP | BS_RADIOBUTTON, 0, bounds, id) {}

bool TORVRadioButton::Checked() const { return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TORVRadioButton::SetChecked(bool checked) {
    SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TORVRadioButton::Command(WORD notification) {
    if (notification != BN_CLICKED) return;
    // The group: this one on, the host's other radio buttons off.
    for (HWND sibling = GetWindow(GetParent(Handle()), GW_CHILD); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        if (sibling == Handle()) continue;
        wchar_t name[16] = {};
        GetClassNameW(sibling, name, 16);
        if (_wcsicmp(name, L"Button") == 0 && (GetWindowLongW(sibling, GWL_STYLE) & BS_TYPEMASK) == BS_RADIOBUTTON)
            SendMessageW(sibling, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    SetChecked(true);
    if (OnClick) OnClick();
}

TORVEdit::TORVEdit(TORVControlHost& host, const RECT& bounds, int id)
    : TORVControl(host, L"EDIT", {}, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, bounds, id) {}

void TORVEdit::Command(WORD notification) {
    if (notification == EN_CHANGE && OnChange) OnChange();
}

TORVWarningLabel::TORVWarningLabel(TORVControlHost& host, const std::u16string& text, const RECT& bounds, int id)
    : TORVControl(host, L"STATIC", u"\u26A0 " + text, SS_LEFT | SS_NOPREFIX, 0, bounds, id) {
    SetBold(true);
}

namespace {

constexpr wchar_t kPaintedControlProp[] = L"TORVHostPaintedControl";

} // namespace

TORVHostPaintedControl::TORVHostPaintedControl(TORVControlHost& host, const wchar_t* className,
                                               const std::u16string& text, DWORD style, const RECT& bounds, int id,
                                               TPaintEvent onPaint)
    : TORVControl(host, className, text, style, 0, bounds, id), FOnPaint(std::move(onPaint)) {
    SetPropW(Handle(), kPaintedControlProp, this);
    FOriginal = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TORVHostPaintedControl::SubclassProc)));
}

TORVHostPaintedControl::~TORVHostPaintedControl() {
    if (IsWindow(Handle())) {
        SetWindowLongPtrW(Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOriginal));
        RemovePropW(Handle(), kPaintedControlProp);
    }
}

LRESULT CALLBACK TORVHostPaintedControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<TORVHostPaintedControl*>(GetPropW(window, kPaintedControlProp));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        // A painting error must not leave the window procedure; the control then stays as it was.
        GuardCallback<int>(0, [&] {
            self->PaintByHost();
            return 0;
        });
        return 0;
    default:
        return CallWindowProcW(self->FOriginal, window, message, wParam, lParam);
    }
}

void TORVHostPaintedControl::PaintByHost() {
    // The host's client coordinates: the host draws its whole frame, the control shows its part.
    POINT origin{0, 0};
    MapWindowPoints(Handle(), Host().HostHandle(), &origin, 1);
    PaintThroughBuffer(Handle(), POINT{-origin.x, -origin.y}, [this](HDC dc, const RECT&) {
        if (FOnPaint) FOnPaint(dc);
    });
}

TORVMemo::TORVMemo(TORVControlHost& host, const RECT& bounds, int id)
    : TORVControl(host, L"EDIT", {}, WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE,
                  bounds, id) {}

TORVLinkLabel::TORVLinkLabel(TORVControlHost& host, const std::u16string& text, const RECT& bounds, int id)
    : TORVLabel(host, text, bounds, id, false) {
    // The type of a static control is a number in the low bits, not a set of flags.
    const LONG_PTR style = GetWindowLongPtrW(Handle(), GWL_STYLE);
    SetWindowLongPtrW(Handle(), GWL_STYLE, (style & ~LONG_PTR(SS_TYPEMASK | SS_ENDELLIPSIS)) | SS_CENTER | SS_NOTIFY);
}

void TORVLinkLabel::Command(WORD notification) {
    if (notification == STN_CLICKED && OnClick) OnClick();
}

void TORVLabel::SetTextColor(COLORREF color) {
    if (color == FTextColor) return;
    FTextColor = color;
    InvalidateRect(Handle(), nullptr, TRUE);
}

TORVCheckBox::TORVCheckBox(TORVControlHost& host, const std::u16string& caption, const RECT& bounds, int id)
    : TORVControl(host, L"BUTTON", caption, WS_TABSTOP | BS_AUTOCHECKBOX, 0, bounds, id) {}

bool TORVCheckBox::Checked() const { return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TORVCheckBox::SetChecked(bool checked) {
    SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TORVCheckBox::Command(WORD notification) {
    if (notification == BN_CLICKED && OnClick) OnClick();
}

TORVProgressBar::TORVProgressBar(TORVControlHost& host, const RECT& bounds, int id)
    : TORVControl(host, PROGRESS_CLASSW, {}, PBS_SMOOTH, 0, bounds, id) {
    SendMessageW(Handle(), PBM_SETRANGE32, 0, 100);
}

void TORVProgressBar::SetPosition(int position) {
    SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(std::clamp(position, 0, 100)), 0);
}

int TORVProgressBar::Position() const { return static_cast<int>(SendMessageW(Handle(), PBM_GETPOS, 0, 0)); }

void TORVProgressBar::SetColors(COLORREF bar, COLORREF background) {
    // The visual style draws its own colours; without it the bar takes these. The theme library
    // is loaded from System32 only: a program started from a download folder must not pick up
    // a library of that name lying beside it.
    using TSetWindowTheme = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    static const HMODULE uxtheme = LoadSystemLibrary(L"uxtheme.dll");
    static const auto setWindowTheme =
        uxtheme ? reinterpret_cast<TSetWindowTheme>(reinterpret_cast<void (*)()>(GetProcAddress(uxtheme, "SetWindowTheme")))
                : nullptr;
    if (setWindowTheme) setWindowTheme(Handle(), L" ", L" ");
    SendMessageW(Handle(), PBM_SETBARCOLOR, 0, static_cast<LPARAM>(bar));
    SendMessageW(Handle(), PBM_SETBKCOLOR, 0, static_cast<LPARAM>(background));
}

// ---- images

TORVImageList::TORVImageList(int size)
    : FHandle(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 4, 4)), FSize(size) {
    if (!FHandle) RaiseLastOSError();
}

TORVImageList::~TORVImageList() { ImageList_Destroy(FHandle); }

int TORVImageList::Count() const { return ImageList_GetImageCount(FHandle); }

int TORVImageList::AddIcon(const TORVIcon& icon) {
    // TORVIcon checked the directory and that every entry lies inside the data.
    const std::vector<uint8_t>& data = icon.Data();
    if (data.size() < 6) return -1;
    const uint16_t count = ReadLE<uint16_t>(data, 4);
    int best = -1, bestDistance = 0;
    for (int i = 0; i < count; ++i) {
        const size_t entry = 6 + static_cast<size_t>(i) * 16;
        if (entry + 16 > data.size()) break;
        const int width = data[entry] ? data[entry] : 256;
        const int distance = std::abs(width - FSize) * 64 - ReadLE<uint16_t>(data, entry + 6);  // then more colours
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    if (best < 0) return -1;
    const size_t entry = 6 + static_cast<size_t>(best) * 16;
    const uint32_t size = ReadLE<uint32_t>(data, entry + 8), offset = ReadLE<uint32_t>(data, entry + 12);
    if (offset > data.size() || size > data.size() - offset) return -1;
    const HICON handle = CreateIconFromResourceEx(const_cast<uint8_t*>(data.data() + offset), size, TRUE, 0x00030000,
                                                  FSize, FSize, LR_DEFAULTCOLOR);
    if (!handle) return -1;
    const int index = ImageList_AddIcon(FHandle, handle);
    DestroyIcon(handle);
    return index;
}

// ---- the combo box with icons

TORVImageComboBox::TORVImageComboBox(TORVControlHost& host, const RECT& bounds, int id, TORVImageList* images)
    : TORVControl(host, WC_COMBOBOXEXW, {}, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                  0, RECT{bounds.left, bounds.top, bounds.right, bounds.top + 200}, id) {
    if (images) SendMessageW(Handle(), CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images->Handle()));
}

int TORVImageComboBox::Count() const { return static_cast<int>(SendMessageW(Handle(), CB_GETCOUNT, 0, 0)); }

void TORVImageComboBox::Insert(int index, const std::u16string& text, int imageIndex, intptr_t data) {
    std::u16string buffer = text;
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM;
    item.iItem = index;
    item.pszText = W(buffer.data());
    item.iImage = item.iSelectedImage = imageIndex < 0 ? I_IMAGENONE : imageIndex;
    item.lParam = data;
    if (SendMessageW(Handle(), CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) < 0) RaiseLastOSError();
}

std::u16string TORVImageComboBox::ItemText(int index) const {
    wchar_t text[512] = {};
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_TEXT;
    item.iItem = index;
    item.pszText = text;
    item.cchTextMax = 512;
    SendMessageW(Handle(), CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return FromW(text);
}

int TORVImageComboBox::ItemImage(int index) const {
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_IMAGE;
    item.iItem = index;
    SendMessageW(Handle(), CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage == I_IMAGENONE ? -1 : item.iImage;
}

intptr_t TORVImageComboBox::ItemData(int index) const {
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_LPARAM;
    item.iItem = index;
    SendMessageW(Handle(), CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

int TORVImageComboBox::ItemIndex() const { return static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)); }

void TORVImageComboBox::SetItemIndex(int index) { SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

} // namespace ORV::UI
