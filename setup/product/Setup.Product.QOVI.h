// The player's product information: where an earlier installation of the player lives, which
// version it has, whether it is portable and whether this setup can update it. Linking this
// unit into a program registers TProductInfoQOVI as its product information class.
#pragma once

#include "ORV.FileFormats.INI.h"
#include "Setup.Core.ProductInfo.h"

#include <string>

namespace Setup::Product::QOVI {

// The update window: installations from 3.50 to 5.49, both ends included.
inline constexpr int32_t kOldestUpdatableVersion = 3500;
inline constexpr int32_t kNewestUpdatableVersion = 5499;

// The player's main window class, by which a running player is found.
inline constexpr char16_t kPlayerWindowClass[] = u"TQOVIMainForm";

class TProductInfoQOVI : public Core::TSetupProductInfo {
public:
    explicit TProductInfoQOVI(Core::ISetupHost& host);

    static std::unique_ptr<Core::TSetupProductInfo> Create(Core::ISetupHost& host);

    // The folder of an earlier installation when one is found, else the inherited default.
    std::u16string GetDefaultPath() override;
    bool CanUpdate() override;
    // [System] UserMode of the installed configuration is 0.
    bool IsPortable() override;
    // [System] Version of the installed configuration, 0 without one.
    int32_t InstalledVersion() override;
    // Reads the configuration in DestPath ("QOVI.ini", else "QOVI3.ini") and makes the run's
    // [Integration] settings a copy of the installed ones (empty when it has none).
    void Refresh() override;
    void EnumActions(const Core::TSetupActionClassProc& proc) override;
    void EnumPages(const Core::TSetupPageClassProc& proc) override;

    // The add-on bundle is offered in interactive Russian runs only.
    bool AddonsOffered() const;

    // The folder (with its trailing backslash) of an installed player: the uninstall entry
    // "QOVI", then "QOVI3", then the program of a running player window. False when none
    // is found; every source that cannot be read is skipped.
    static bool FindInstalledPath(std::u16string& path);

    // The configuration of the installation in DestPath, or an empty store.
    const ORV::TORVIniFile& InstalledConfig() const { return FInstalledConfig; }

private:
    ORV::TORVIniFile FInstalledConfig;
};

} // namespace Setup::Product::QOVI
