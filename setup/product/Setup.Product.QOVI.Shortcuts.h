// The player's shortcuts on the desktop and in the Start menu: the install script's Shortcuts
// group names each link (with its location macro) and its target; the user's choices say for
// which locations links are made.
#pragma once

#include "ORV.Classes.StringList.h"
#include "Setup.Core.Actions.h"

#include <string>

namespace Setup::Product::QOVI {

class TSetupActionShortcuts : public Core::TSetupAction {
public:
    // Shows "A2" and goes through the Shortcuts group, reporting progress after each entry.
    // Every failure belongs to one entry and is silent: the others are still made.
    void Execute() override;
    void BuildSummary(Core::TSetupSummaryBuilder& builder) override;

    // [Integration] ShortcutDesktop and ShortcutStartMenu; by default not for a portable run.
    bool WantDesktop();
    bool WantStartMenu();
    // "$DESKTOP" when WantDesktop, then "$STARTMENU" when WantStartMenu.
    void FillLocations();
    // Makes the link of Entry (Name: the link with its location macro; ResolvedValue: the
    // target) when its link path contains a wanted location (upper-cased) and, on Windows 8
    // or later, its target is an ".exe"; creates the link's folder first.
    void ProcessShortcut(const Core::TSetupScriptFile& entry);
    // Leaves a ".lnk" file that loads and points at TargetPath (ignoring case) as it is;
    // otherwise writes a new link to an existing TargetPath over LinkPath. Never raises.
    static void UpdateLink(const std::u16string& linkPath, const std::u16string& targetPath);
    // The target stored in the link file LinkPath; false when it cannot be read as a link.
    static bool ReadLinkTarget(const std::u16string& linkPath, std::u16string& targetPath);

    const ORV::TORVStringList& Locations() const { return FLocations; }

private:
    ORV::TORVStringList FLocations;
};

} // namespace Setup::Product::QOVI
