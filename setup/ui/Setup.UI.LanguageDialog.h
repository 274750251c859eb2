// The language dialog of the setup: the languages of the setup package.
#pragma once

#ifndef _WIN32
#error "Setup.UI.LanguageDialog.h is for the Windows build only"
#endif

#include "ORV.UI.LanguageDialog.h"
#include "Setup.Core.Resources.h"

namespace Setup::UI {

class TSetupLanguageDialog : public ORV::UI::TORVCustomLanguageDialog {
public:
    // Filled at once; the tag of a language is its index in the resources' Languages.
    explicit TSetupLanguageDialog(const Core::TSetupResources& resources);

protected:
    // Every listed language file that the setup package itself holds (the product package is
    // not searched), in list order.
    void EnumLanguages(const TLanguageProc& proc) override;

private:
    const Core::TSetupResources& FResources;
};

// The choice for InitializeLanguages: the dialog, shown unless Auto, and its selection.
int32_t ChooseLanguage(const Core::TSetupResources& resources, bool automatic);

} // namespace Setup::UI
