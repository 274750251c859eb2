// Writing the player's configuration file after its files: "QOVI.ini" in the destination gets
// the run's [Integration] choices and a fresh [System] section; its other sections stay.
#pragma once

#include "Setup.Core.Actions.h"

#include <string>

namespace Setup::Product::QOVI {

class TSetupActionConfig : public Core::TSetupAction {
public:
    // Shows "A6", then rewrites "QOVI.ini" (see the top of the unit). Raises ORV::EFCreateError
    // "Cannot create file \"%s\"" when the file cannot be written; nothing after it runs then.
    void Execute() override;

    // A newly generated GUID in registry form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
    static std::u16string NewGuid();
};

} // namespace Setup::Product::QOVI
