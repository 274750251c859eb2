#include "Setup.UI.LanguageDialog.h"

#include "Setup.Core.Package.h"

namespace Setup::UI {

TSetupLanguageDialog::TSetupLanguageDialog(const Core::TSetupResources& resources) : FResources(resources) {
    Populate();
}

void TSetupLanguageDialog::EnumLanguages(const TLanguageProc& proc) {
    ORV::TORVIniFile langFile;
    const ORV::TORVStringList& languages = FResources.Languages();
    for (int32_t i = 0; i < languages.Count(); ++i) {
        std::unique_ptr<ORV::TMemoryStream> stream;
        if (!FResources.SetupPackage().ExtractFile(languages.Strings(i), stream)) continue;
        langFile.LoadFromStream(*stream);
        proc(langFile, i);
    }
}

int32_t ChooseLanguage(const Core::TSetupResources& resources, bool automatic) {
    TSetupLanguageDialog dialog(resources);
    if (!automatic) dialog.ShowModal();
    return dialog.SelectedTag();
}

} // namespace Setup::UI
