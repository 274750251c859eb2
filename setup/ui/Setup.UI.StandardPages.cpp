#include "Setup.UI.StandardPages.h"

#include "Setup.Core.Actions.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Resources.h"

namespace Setup::UI {

std::u16string TSetupPage::GetMessage(std::u16string_view key) const {
    return Core::TSetupPersistent::Controller().Resources().GetMessage(Name(), key);
}

} // namespace Setup::UI
