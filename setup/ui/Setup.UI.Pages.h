// The wizard's pages as the frame sees them: what every page tells the form (the page
// contract), the descriptors by which the product names its page classes, and the ordered list
// of a run's pages with the moves between them.
#pragma once

#include "ORV.UI.Controls.h"
#include "Setup.Core.ProductInfo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Setup::UI {

class TSetupCustomPage : public ORV::UI::TORVWinControl, public ORV::UI::TORVControlHost {
public:
    // Whether the page takes part in the flow now; Next and Back skip it otherwise.
    virtual bool IsAvailable() { return true; }
    // Whether the user may leave the page forward, or backward, now.
    virtual bool CanGoNext() { return true; }
    virtual bool CanGoBack() { return true; }
    // Called every time the page is about to be shown, also again after Back.
    virtual void Prepare() {}
    // The page's own progress, 0..100; only the install and uninstall pages have one.
    virtual int32_t GetProgress() { return 0; }
    // The header's texts.
    virtual std::u16string Title() { return {}; }
    virtual std::u16string Description() { return {}; }
    // The page's kind: a full-screen page covers the header too; the install page starts the
    // work, and the uninstall page (which is an install page as well) the removal.
    virtual bool IsFullScreen() const { return false; }
    virtual bool IsInstallPage() const { return false; }
    virtual bool IsUninstallPage() const { return false; }

    // The class name without "TSetup" ("PageWelcome"): the section of the page's texts.
    const std::u16string& Name() const { return FName; }
    void SetName(const std::u16string& name) { FName = name; }

    // Makes the page's window a child of Parent at Area (96-DPI units of the parent), hidden;
    // the window, and with it the page's controls, are made the first time.
    void Place(HWND parent, const RECT& area);
    void Show();
    void Hide();

    HWND HostHandle() const override { return Handle(); }
    int HostDpi() const override;
    // The wizard's palette.
    ORV::UI::TORVColors Colors() const override;

protected:
    // Called once the page's window exists: the page makes its controls.
    virtual void WindowCreated() {}
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::u16string FName;
    RECT FArea{};
};

} // namespace Setup::UI

namespace Setup::Core {

// A page class: its name and its constructor without arguments (the page makes its window when
// the form shows it).
struct TSetupPageClass {
    const char16_t* ClassName;
    std::unique_ptr<UI::TSetupCustomPage> (*Create)();
};

template <typename T>
constexpr TSetupPageClass PageClassOf(const char16_t* className) {
    return {className, []() -> std::unique_ptr<UI::TSetupCustomPage> { return std::make_unique<T>(); }};
}

} // namespace Setup::Core

namespace Setup::UI {

// Owns the pages of a run, in the order they are shown.
class TSetupPageList {
public:
    // Creates a page of PageClass and appends it; returns it.
    TSetupCustomPage& AddPage(const Core::TSetupPageClass& pageClass);
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // Raises std::out_of_range outside 0..Count-1.
    TSetupCustomPage& Items(int32_t index) const { return *FItems.at(static_cast<size_t>(index)); }
    TSetupCustomPage* First() const { return FItems.empty() ? nullptr : FItems.front().get(); }
    TSetupCustomPage* Last() const { return FItems.empty() ? nullptr : FItems.back().get(); }
    // -1 for a page that is not in the list (or null).
    int32_t IndexOf(const TSetupCustomPage* page) const;

    // The first available page after Page, the last available one before it; null when there is
    // none (or Page is not in the list).
    TSetupCustomPage* NextPage(const TSetupCustomPage* page) const;
    TSetupCustomPage* PrevPage(const TSetupCustomPage* page) const;
    // Page exists, lets the user go that way, and there is a page to go to.
    bool CanMoveNext(TSetupCustomPage* page) const;
    bool CanMoveBack(TSetupCustomPage* page) const;

private:
    std::vector<std::unique_ptr<TSetupCustomPage>> FItems;
};

} // namespace Setup::UI
