// The small dialog in which the user picks a language before any translated text exists: a
// drop-down list of the languages (icon and name, sorted by name) and an OK button. A subclass
// supplies the languages.
#pragma once

#ifndef _WIN32
#error "ORV.UI.LanguageDialog.h is for the Windows build only"
#endif

#include "ORV.FileFormats.INI.h"
#include "ORV.MUI.h"
#include "ORV.UI.Controls.h"
#include "ORV.UI.StdControls.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace ORV::UI {

class TORVCustomLanguageDialog : public TORVForm {
public:
    using TLanguageProc = std::function<void(const TORVIniFile& langFile, int32_t tag)>;

    // The dialog, hidden and empty; the subclass's constructor calls Populate.
    TORVCustomLanguageDialog();

    // Fills the list from EnumLanguages (each file's name, language and icon), then SelectDefault.
    void Populate();
    // Inserts a language after every item whose name sorts before or equal to its name (the
    // user's locale, case ignored).
    void AddLanguage(const TORVLocalizationInfo& info, int32_t tag, int imageIndex);
    // Selects the first item (in list order) of the user's interface language, else the first
    // of 1033, else the first; nothing in an empty list.
    virtual void SelectDefault();
    // The tag of the item selected now, or when the dialog was closed; -1 for none.
    int32_t SelectedTag() const;

    TORVImageComboBox& LanguageBox() { return FLanguageBox; }
    const TORVImageList& Icons() const { return FIcons; }
    int32_t ItemLangId(int index) const { return FItems.at(static_cast<size_t>(index)).LangId; }

protected:
    // Calls Proc once per language; by default none.
    virtual void EnumLanguages(const TLanguageProc& proc) { (void)proc; }
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct TItem {
        int32_t LangId;
        int32_t Tag;
    };

    TORVImageList FIcons;
    TORVImageComboBox FLanguageBox;
    TORVButton FOk;
    std::vector<TItem> FItems;  // in the list's order
    int32_t FClosedTag = -1;
    bool FClosed = false;
};

} // namespace ORV::UI
