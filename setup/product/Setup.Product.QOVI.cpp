#include "Setup.Product.QOVI.h"

#include "ORV.Platform.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.AppRepo.h"
#include "Setup.Core.Extract.h"
#include "Setup.Core.Resources.h"
#include "Setup.Product.QOVI.Addons.h"
#include "Setup.Product.QOVI.CloseApps.h"
#include "Setup.Product.QOVI.Config.h"
#include "Setup.Product.QOVI.Integrate.h"
#include "Setup.Product.QOVI.Pages.h"
#include "Setup.Product.QOVI.Shortcuts.h"
#include "Setup.Product.QOVI.Uninstall.h"
#include "Setup.UI.Pages.h"
#include "Setup.Product.QOVI.Prepare.h"

namespace Setup::Product::QOVI {

using namespace Setup::Core;
using ORV::W;

namespace {

// Registered while the program starts, before its entry point runs.
const bool kRegistered = (ProductInfoClass = &TProductInfoQOVI::Create, true);

// The folder of the program that owns a running player window.
bool FindRunningPlayerFolder(std::u16string& folder) {
    const HWND window = FindWindowW(W(kPlayerWindowClass), nullptr);
    std::u16string program;
    // A process whose path cannot be read points nowhere: the caller falls back to the default.
    if (!window || !ProgramOfWindow(window, program)) return false;
    folder = ORV::ExtractFilePath(program);
    return !folder.empty();
}

} // namespace

TProductInfoQOVI::TProductInfoQOVI(ISetupHost& host) : TSetupProductInfo(host) { (void)kRegistered; }

std::unique_ptr<TSetupProductInfo> TProductInfoQOVI::Create(ISetupHost& host) {
    return std::make_unique<TProductInfoQOVI>(host);
}

bool TProductInfoQOVI::FindInstalledPath(std::u16string& path) {
    for (const char16_t* entry : {u"QOVI", u"QOVI3"})
        if (TSetupAppRepo::FindInstallPath(entry, path)) return true;
    return FindRunningPlayerFolder(path);
}

std::u16string TProductInfoQOVI::GetDefaultPath() {
    std::u16string path;
    if (FindInstalledPath(path)) return path;
    return TSetupProductInfo::GetDefaultPath();
}

bool TProductInfoQOVI::CanUpdate() {
    const int32_t version = InstalledVersion();
    return version >= kOldestUpdatableVersion && version <= kNewestUpdatableVersion;
}

bool TProductInfoQOVI::IsPortable() { return !FInstalledConfig.ReadBool(u"System", u"UserMode", true); }

int32_t TProductInfoQOVI::InstalledVersion() { return FInstalledConfig.ReadInteger(u"System", u"Version", 0); }

void TProductInfoQOVI::Refresh() {
    const std::u16string& dest = Host().DestPath();
    std::u16string config;
    if (!dest.empty()) {
        for (const char16_t* name : {u"QOVI.ini", u"QOVI3.ini"}) {
            if (ORV::FileExists(dest + name)) {
                config = dest + name;
                break;
            }
        }
    }
    FInstalledConfig.LoadFromFile(config);
    Host().Settings().WriteSectionText(u"Integration", FInstalledConfig.ReadSectionText(u"Integration"));
}

bool TProductInfoQOVI::AddonsOffered() const {
    const TSetupOptions options = Host().Options();
    return !options.Contains(Auto) && !options.Contains(Silent) &&
           ORV::Platform::SameTextLocale(Host().Resources().LanguageName(), u"Russian");
}

void TProductInfoQOVI::EnumActions(const TSetupActionClassProc& proc) {
    static constexpr TSetupActionClass kCloseApplications =
        ActionClassOf<TSetupActionCloseApplications>(u"TSetupActionCloseApplications");
    static constexpr TSetupActionClass kPrepare = ActionClassOf<TSetupActionPrepare>(u"TSetupActionPrepare");
    static constexpr TSetupActionClass kAddonsInstall =
        ActionClassOf<TSetupActionAddonsInstall>(u"TSetupActionAddonsInstall");
    static constexpr TSetupActionClass kExtract = ActionClassOf<TSetupActionExtract>(u"TSetupActionExtract");
    static constexpr TSetupActionClass kConfig = ActionClassOf<TSetupActionConfig>(u"TSetupActionConfig");
    static constexpr TSetupActionClass kIntegrate = ActionClassOf<TSetupActionIntegrate>(u"TSetupActionIntegrate");
    static constexpr TSetupActionClass kShortcuts = ActionClassOf<TSetupActionShortcuts>(u"TSetupActionShortcuts");
    static constexpr TSetupActionClass kUpdateShellCache =
        ActionClassOf<TSetupActionUpdateShellCache>(u"TSetupActionUpdateShellCache");
    static constexpr TSetupActionClass kUninstallIntegration =
        ActionClassOf<TSetupActionUninstallIntegration>(u"TSetupActionUninstallIntegration");
    static constexpr TSetupActionClass kUninstallFiles =
        ActionClassOf<TSetupActionUninstallFiles>(u"TSetupActionUninstallFiles");

    proc(kCloseApplications);
    if (Host().Mode() == smUninstall) {
        proc(kUninstallIntegration);
        proc(kUninstallFiles);
        return;
    }
    const TSetupOptions options = Host().Options();
    proc(kPrepare);
    if (AddonsOffered()) proc(kAddonsInstall);
    proc(kExtract);
    proc(kConfig);
    if (!options.Contains(Update) && !options.Contains(Portable)) proc(kIntegrate);
    if (!options.Contains(Update)) proc(kShortcuts);
    if (ORV::WindowsVersion() >= 1000) proc(kUpdateShellCache);
}

void TProductInfoQOVI::EnumPages(const TSetupPageClassProc& proc) {
    static constexpr TSetupPageClass kWelcome = PageClassOf<UI::TSetupPageWelcome>(u"TSetupPageWelcome");
    static constexpr TSetupPageClass kLicense = PageClassOf<UI::TSetupPageLicense>(u"TSetupPageLicense");
    static constexpr TSetupPageClass kSetup = PageClassOf<TSetupPageSetup>(u"TSetupPageSetup");
    static constexpr TSetupPageClass kAddons = PageClassOf<TSetupPageAddons>(u"TSetupPageAddons");
    static constexpr TSetupPageClass kIntegration = PageClassOf<TSetupPageIntegration>(u"TSetupPageIntegration");
    static constexpr TSetupPageClass kReady = PageClassOf<UI::TSetupPageReadyToInstall>(u"TSetupPageReadyToInstall");
    static constexpr TSetupPageClass kUninstallParams =
        PageClassOf<TSetupPageUninstallParams>(u"TSetupPageUninstallParams");

    if (Host().Mode() == smUninstall) {
        proc(kUninstallParams);
        return;
    }
    proc(kWelcome);
    proc(kLicense);
    proc(kSetup);
    if (AddonsOffered()) proc(kAddons);
    proc(kIntegration);
    proc(kReady);
}

} // namespace Setup::Product::QOVI
