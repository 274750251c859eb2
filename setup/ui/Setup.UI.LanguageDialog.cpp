#include "Setup.UI.LanguageDialog.h"

#include "Setup.Core.Languages.h"

namespace Setup::UI {

TSetupLanguageDialog::TSetupLanguageDialog(const Core::TSetupPackageReader& setup, const ORV::TORVStringList& languages)
    : FSetup(setup), FLanguages(languages) {
    Populate();
}

void TSetupLanguageDialog::EnumLanguages(const TLanguageProc& proc) {
    ORV::TORVIniFile langFile;
    for (int32_t i = 0; i < FLanguages.Count(); ++i) {
        std::unique_ptr<ORV::TMemoryStream> stream;
        if (!FSetup.ExtractFile(FLanguages.Strings(i), stream)) continue;
        langFile.LoadFromStream(*stream);
        proc(langFile, i);
    }
}

int32_t ChooseLanguage(const Core::TSetupResources& resources, bool automatic) {
    TSetupLanguageDialog dialog(resources);
    if (!automatic) dialog.ShowModal();
    return dialog.SelectedTag();
}

int32_t ChooseLanguage(const Core::TSetupPackageReader& setup) {
    // The same list, in the same order, as the resources make of the same package.
    ORV::TORVStringList languages;
    Core::ListLanguageFiles(setup.FileTable(), languages);
    TSetupLanguageDialog dialog(setup, languages);
    dialog.ShowModal();
    return dialog.SelectedTag();
}

} // namespace Setup::UI
