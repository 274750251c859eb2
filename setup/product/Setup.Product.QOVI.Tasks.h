// The player's users' profiles and the update tasks: the small steps that migrate an older
// installation's configuration and profiles, and remove what older versions left outside
// their folder (the shell menu, uninstall entries, shortcuts, registrations).
#pragma once

#include "Setup.Core.Actions.h"
#include "Setup.Core.DeleteList.h"

#include <memory>
#include <string>
#include <vector>

namespace Setup::Product::QOVI {

// One user's player profile.
struct TSetupProfileInfo {
    std::u16string Name;     // the user's name, "SingleUser" for a portable installation
    std::u16string NewPath;  // the profile folder of the version being installed
    std::u16string OldPath;  // the profile folder of the installed version
};

class TSetupProfileHelper {
public:
    TSetupProfileHelper() = delete;
    // See ProfilePath of the product's rules, with the product name and the destination.
    static std::u16string ProfilePath(const std::u16string& appData, int32_t version);
    static std::u16string NewProfilePath(const std::u16string& appData);  // the setup's version
    static std::u16string OldProfilePath(const std::u16string& appData);  // the installed version
};

class TSetupProfileInfoList {
public:
    // Portable: the one profile "SingleUser" inside the destination. Otherwise the machine's
    // users (TSetupUsers), each with an existing old profile folder once.
    void Populate();
    // Appends the user's profile when its old folder exists.
    void Add(const std::u16string& name, const std::u16string& appData);
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    const TSetupProfileInfo& Items(int32_t index) const { return *FItems.at(static_cast<size_t>(index)); }

private:
    std::vector<std::unique_ptr<TSetupProfileInfo>> FItems;
};

class TSetupUpdateTask : public Core::TSetupPersistent {
public:
    // DeleteList is the preparation's, or null when the uninstaller runs the task.
    virtual void Execute(Core::TSetupDeleteList* deleteList) = 0;
};

// Unregisters and deletes the player's shell-menu libraries in "System\".
class TSetupUpdateTaskRemoveShellMenu : public TSetupUpdateTask {
public:
    void Execute(Core::TSetupDeleteList* deleteList) override;
};

// Removes the uninstall entries "QOVI3" and "QOVI" that point into the destination.
class TSetupUpdateTaskRemoveUninstallInfo : public TSetupUpdateTask {
public:
    void Execute(Core::TSetupDeleteList* deleteList) override;
};

// Removes the player's desktop shortcuts and Start-menu folders, for both user scopes.
class TSetupUpdateTaskRemoveShortcuts : public TSetupUpdateTask {
public:
    void Execute(Core::TSetupDeleteList* deleteList) override;
    static void RemoveFor(const std::u16string& name);
};

// Has "Elevator.exe /REG=U" remove the player's registrations, then removes its uninstall entry.
class TSetupUpdateTaskRemoveFromRegistry : public TSetupUpdateTask {
public:
    void Execute(Core::TSetupDeleteList* deleteList) override;
};

// Migrates one profile and the configuration files of an older installation.
class TSetupUpdateTaskUpdateConfigs : public TSetupUpdateTask {
public:
    explicit TSetupUpdateTaskUpdateConfigs(const TSetupProfileInfo& profile) : FProfile(profile) {}
    // Raises EInstallerInstallError when the profile cannot be copied and the system's error
    // when a renamed configuration file cannot take its new name.
    void Execute(Core::TSetupDeleteList* deleteList) override;

private:
    const TSetupProfileInfo& FProfile;
};

} // namespace Setup::Product::QOVI
