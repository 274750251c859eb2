// Registering the player with Windows through its own registration program "Elevator.exe",
// and telling the shell that file associations changed.
#pragma once

#include "Setup.Core.Actions.h"

#include <string>

namespace Setup::Product::QOVI {

class TSetupActionIntegrate : public Core::TSetupAction {
public:
    // Starts DestPath "Elevator.exe" with Switches(), shown normally, and waits for it to end;
    // nothing when the program is missing or no switch is chosen. Its start and its exit code
    // are not looked at: the player registers itself again on its first start.
    void Execute() override;
    void BuildSummary(Core::TSetupSummaryBuilder& builder) override;

    // The switches of the run's [Integration] choices (each default true), in this order:
    //   IntegrateToWindows   " /REG=L1 /REG=D1 /REG=R1"
    //   RegisterContextMenu  " /REG=M1"
    //   AssociateWithFiles   " /REG=R2", then " /REG_UI" on Windows 8 (6.2) or later unless
    //                        the run is automatic (the user is there to confirm the defaults)
    static std::u16string Switches(const ORV::TORVIniFile& settings, uint32_t windowsVersion, bool automatic);
};

// Has the shell reread the file associations (SHChangeNotify), then gives it a second.
class TSetupActionUpdateShellCache : public Core::TSetupAction {
public:
    void Execute() override;
};

} // namespace Setup::Product::QOVI
