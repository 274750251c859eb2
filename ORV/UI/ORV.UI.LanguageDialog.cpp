#include "ORV.UI.LanguageDialog.h"

#include "ORV.Graphics.Icon.h"
#include "ORV.Platform.h"

namespace ORV::UI {

namespace {

constexpr int kWidth = 220, kHeight = 75, kMargin = 8, kButtonHeight = 25;
constexpr int kLanguageBoxId = 100;

} // namespace

TORVCustomLanguageDialog::TORVCustomLanguageDialog()
    : TORVForm(u"Select Language", kWidth, kHeight, TORVFormStyle{.SystemMenu = false, .TopMost = true}),
      FIcons(16),
      FLanguageBox(*this, RECT{kMargin, kMargin, kWidth - kMargin, kMargin + 24}, kLanguageBoxId, &FIcons),
      FOk(*this, u"OK", RECT{60, kHeight - kMargin - kButtonHeight, kWidth - 60, kHeight - kMargin}, IDOK, true) {
    FOk.OnClick = [this] { Close(); };
}

void TORVCustomLanguageDialog::Populate() {
    EnumLanguages([this](const TORVIniFile& langFile, int32_t tag) {
        TORVLocalizationInfo info;
        TORVIcon icon;
        LangGetInfo(langFile, info, &icon);
        AddLanguage(info, tag, icon.Empty() ? -1 : FIcons.AddIcon(icon));
    });
    SelectDefault();
}

void TORVCustomLanguageDialog::AddLanguage(const TORVLocalizationInfo& info, int32_t tag, int imageIndex) {
    int position = FLanguageBox.Count();
    while (position > 0 && Platform::CompareTextLocale(info.Name, FLanguageBox.ItemText(position - 1)) < 0) --position;
    FLanguageBox.Insert(position, info.Name, imageIndex, tag);
    FItems.insert(FItems.begin() + position, TItem{info.LangId, tag});
}

void TORVCustomLanguageDialog::SelectDefault() {
    const auto find = [this](int32_t langId) {
        for (size_t i = 0; i < FItems.size(); ++i)
            if (FItems[i].LangId == langId) return static_cast<int>(i);
        return -1;
    };
    int index = find(Platform::UserDefaultUILanguage());
    if (index < 0) index = find(1033);
    if (index < 0 && !FItems.empty()) index = 0;
    if (index >= 0) FLanguageBox.SetItemIndex(index);
}

int32_t TORVCustomLanguageDialog::SelectedTag() const {
    if (FClosed) return FClosedTag;
    const int index = FLanguageBox.ItemIndex();
    return index >= 0 && index < static_cast<int>(FItems.size()) ? FItems[static_cast<size_t>(index)].Tag : -1;
}

LRESULT TORVCustomLanguageDialog::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The list goes with the window; what it showed at that moment is the choice.
    if (message == WM_DESTROY) {
        FClosedTag = SelectedTag();
        FClosed = true;
    }
    return TORVForm::WndProc(message, wParam, lParam);
}

} // namespace ORV::UI
