#include "Setup.Product.QOVI.Integrate.h"

#include "ORV.SysUtils.h"
#include "ORV.Win32.h"
#include "Setup.Core.Launch.h"
#include "Setup.Product.QOVI.Settings.h"

#include <shlobj.h>

namespace Setup::Product::QOVI {

using namespace Setup::Core;

std::u16string TSetupActionIntegrate::Switches(const ORV::TORVIniFile& settings, uint32_t windowsVersion,
                                               bool automatic) {
    std::u16string switches;
    if (settings.ReadBool(Settings::kIntegration, Settings::kIntegrateToWindows, true))
        switches += u" /REG=L1 /REG=D1 /REG=R1";
    if (settings.ReadBool(Settings::kIntegration, Settings::kRegisterContextMenu, true)) switches += u" /REG=M1";
    if (settings.ReadBool(Settings::kIntegration, Settings::kAssociateWithFiles, true)) {
        switches += u" /REG=R2";
        if (windowsVersion >= 602 && !automatic) switches += u" /REG_UI";
    }
    return switches;
}

void TSetupActionIntegrate::BuildSummary(TSetupSummaryBuilder& builder) {
    const ORV::TORVIniFile& settings = Settings();
    builder.SetHeader(u"PageIntegration", u"LB2");
    if (settings.ReadBool(Settings::kIntegration, Settings::kIntegrateToWindows, true))
        builder.AddItem(u"PageIntegration", u"CB4");
    if (settings.ReadBool(Settings::kIntegration, Settings::kRegisterContextMenu, true))
        builder.AddItem(u"PageIntegration", u"CB5");
    if (settings.ReadBool(Settings::kIntegration, Settings::kAssociateWithFiles, true))
        builder.AddItem(u"PageIntegration", u"CB3");
}

void TSetupActionIntegrate::Execute() {
    const std::u16string program = Controller().DestPath() + u"Elevator.exe";
    if (!ORV::FileExists(program)) return;
    const std::u16string switches = Switches(Settings(), ORV::WindowsVersion(), Controller().HasOption(Auto));
    if (switches.empty()) return;
    // Quoted, so that a blank in the destination can never make Windows start another program.
    RunAndWait(QuoteArgument(program) + switches);
}

void TSetupActionUpdateShellCache::Execute() {
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
    Sleep(1000);
}

} // namespace Setup::Product::QOVI
