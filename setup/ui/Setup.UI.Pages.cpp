#include "Setup.UI.Pages.h"

namespace Setup::UI {

TSetupCustomPage& TSetupPageList::AddPage(const Core::TSetupPageClass& pageClass) {
    FItems.push_back(pageClass.Create());
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
