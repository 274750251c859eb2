// The optional add-on bundle of interactive Russian runs: its installer travels in the setup
// package and is started, before the player's files are extracted, with the parameters that
// the user's choices on the add-ons page call for. Its keys live in the package file
// "addons.ini" (name=value lines):
//
//   P4   the installer's file name in the package (a plain name, no folder)
//   P1   parameter when the user did not choose the extensions
//   P2   parameter when the user chose the viewer
//   P3   parameter when the user chose the shortcuts
//   CL   format of the installer's parameters, "%s" standing for the collected ones
#pragma once

#include "Setup.Core.Actions.h"

#include <string>

namespace Setup::Product::QOVI {

// The value of Name in the lines of "addons.ini" ("NAME=value"); empty when it has none.
std::u16string AddonInfoValue(const ORV::TORVStringList& info, std::u16string_view name);

class TSetupActionAddonsInstall : public Core::TSetupAction {
public:
    // Nothing when none of the three add-on choices is set. Otherwise writes the installer into
    // a new folder of its own under TEMP (a fixed name there could be replaced by another
    // program of the user between the write and the start of what we run elevated) and opens
    // it through the shell with its parameters, without waiting. Raises EInstallerInstallError
    // "Cannot locate ..." for a missing "addons.ini" or installer, EInstallerGeneralError
    // for a "P4" that is not a plain file name, and the file or system error when the folder
    // or the file cannot be written. A failure of the shell to start it is not an error.
    void Execute() override;
    void BuildSummary(Core::TSetupSummaryBuilder& builder) override;

    // The parameter text of the three choices: "P1 " unless Extensions, then "P2 " with Viewer
    // and "P3 " with Shortcuts, each value followed by one blank.
    static std::u16string ChoiceParameters(const ORV::TORVStringList& values, bool viewer, bool extensions,
                                           bool shortcuts);
};

} // namespace Setup::Product::QOVI
