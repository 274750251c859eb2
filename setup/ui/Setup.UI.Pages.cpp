#include "Setup.UI.Pages.h"

#include "ORV.UI.Scaling.h"
#include "Setup.UI.Palette.h"

namespace Setup::UI {

void TSetupCustomPage::Place(HWND parent, const RECT& area) {
    FArea = area;
    if (!Handle()) {
        CreateHandle(L"TSetupPage", FName, WS_CHILD | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, parent, area);
        WindowCreated();
    } else {
        if (GetParent(Handle()) != parent) SetParent(Handle(), parent);
        const RECT scaled = ORV::UI::Scale(area, ORV::UI::WindowDpi(parent));
        SetWindowPos(Handle(), nullptr, scaled.left, scaled.top, scaled.right - scaled.left, scaled.bottom - scaled.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        // The parent may have moved to a monitor of another DPI.
        RelayoutControls();
    }
}

void TSetupCustomPage::Show() {
    if (Handle()) ShowWindow(Handle(), SW_SHOW);
}

void TSetupCustomPage::Hide() {
    if (Handle()) ShowWindow(Handle(), SW_HIDE);
}

int TSetupCustomPage::HostDpi() const { return ORV::UI::WindowDpi(Handle()); }

ORV::UI::TORVColors TSetupCustomPage::Colors() const {
    const TWizardPalette palette = WizardPalette();
    return {palette.Text, palette.Background};
}

LRESULT TSetupCustomPage::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (LRESULT result = 0; HandleControlMessage(message, wParam, lParam, result)) return result;
    if (message == WM_ERASEBKGND) {
        RECT client{};
        GetClientRect(Handle(), &client);
        const HBRUSH brush = CreateSolidBrush(WizardPalette().Background);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        DeleteObject(brush);
        return 1;
    }
    return TORVWinControl::WndProc(message, wParam, lParam);
}

TSetupCustomPage& TSetupPageList::AddPage(const Core::TSetupPageClass& pageClass) {
    FItems.push_back(pageClass.Create());
    std::u16string name = pageClass.ClassName ? pageClass.ClassName : u"";
    FItems.back()->SetName(name.size() > 6 ? name.substr(6) : std::u16string());
    return *FItems.back();
}

int32_t TSetupPageList::IndexOf(const TSetupCustomPage* page) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == page) return static_cast<int32_t>(i);
    return -1;
}

TSetupCustomPage* TSetupPageList::NextPage(const TSetupCustomPage* page) const {
    const int32_t index = IndexOf(page);
    if (index < 0) return nullptr;
    for (int32_t i = index + 1; i < Count(); ++i)
        if (Items(i).IsAvailable()) return &Items(i);
    return nullptr;
}

TSetupCustomPage* TSetupPageList::PrevPage(const TSetupCustomPage* page) const {
    for (int32_t i = IndexOf(page) - 1; i >= 0; --i)
        if (Items(i).IsAvailable()) return &Items(i);
    return nullptr;
}

bool TSetupPageList::CanMoveNext(TSetupCustomPage* page) const {
    return page && page->CanGoNext() && NextPage(page);
}

bool TSetupPageList::CanMoveBack(TSetupCustomPage* page) const {
    return page && page->CanGoBack() && PrevPage(page);
}

} // namespace Setup::UI
