// The language dialog of the setup: the languages of the setup package.
#pragma once

#ifndef _WIN32
#error "Setup.UI.LanguageDialog.h is for the Windows build only"
#endif

#include "ORV.Classes.StringList.h"
#include "ORV.UI.LanguageDialog.h"
#include "Setup.Core.Package.h"
#include "Setup.Core.Resources.h"

namespace Setup::UI {

class TSetupLanguageDialog : public ORV::UI::TORVCustomLanguageDialog {
public:
    // Filled at once from the language files Languages of the setup package Setup; the tag of a
    // language is its index in Languages. Both must outlive the dialog.
    TSetupLanguageDialog(const Core::TSetupPackageReader& setup, const ORV::TORVStringList& languages);
    explicit TSetupLanguageDialog(const Core::TSetupResources& resources)
        : TSetupLanguageDialog(resources.SetupPackage(), resources.Languages()) {}

protected:
    // Every listed language file that the setup package itself holds (the product package is
    // not searched), in list order.
    void EnumLanguages(const TLanguageProc& proc) override;

private:
    const Core::TSetupPackageReader& FSetup;
    const ORV::TORVStringList& FLanguages;
};

// The choice for InitializeLanguages: the dialog, shown unless Automatic, and its selection.
int32_t ChooseLanguage(const Core::TSetupResources& resources, bool automatic);
// The same from the setup package alone, before the resources exist: the dialog shown, and the
// index of the chosen language among the setup package's language files (-1 for none).
int32_t ChooseLanguage(const Core::TSetupPackageReader& setup);

} // namespace Setup::UI
