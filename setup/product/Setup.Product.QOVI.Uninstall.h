// The uninstaller's two steps after the player is closed: removing what the installation
// registered with the system, then the installed files listed in the uninstall record and the
// folders they leave empty, and on request the backups, the user data and the users' player
// profiles. Nothing is backed up before it goes.
#pragma once

#include "Setup.Core.Actions.h"
#include "Setup.Product.QOVI.Tasks.h"

#include <memory>
#include <string>
#include <vector>

namespace Setup::Product::QOVI {

class TSetupActionUninstallIntegration : public Core::TSetupAction {
public:
    // Creates its tasks: RemoveShellMenu, RemoveShortcuts, RemoveFromRegistry.
    TSetupActionUninstallIntegration();

    // Shows "A9" and runs the tasks in order, with progress after each. Raises "Cannot locate"
    // for a data package without its record before any task runs, so that a broken
    // installation keeps its registration and can be removed again once repaired.
    void Execute() override;

    const std::vector<std::unique_ptr<TSetupUpdateTask>>& Tasks() const { return FTasks; }

private:
    std::vector<std::unique_ptr<TSetupUpdateTask>> FTasks;
};

enum class TRemoveMode { RemoveWhenEmpty, RemoveAll };

struct TUninstallFolder {
    std::u16string Path;  // with a trailing backslash
    TRemoveMode Mode;
};

class TSetupActionUninstallFiles : public Core::TSetupAction {
public:
    // Builds both lists first (raising "Cannot locate" for a missing record before anything is
    // deleted), shows "A9", deletes the files (in use: at the next restart), then handles the
    // folders in order; progress counts files and folders together. What cannot be removed
    // stays, and nothing of it is an error. A recursive removal never takes a protected
    // folder (a drive root, a system or user shell folder, or one above them) and never goes
    // through a link to a folder.
    void Execute() override;

    // The record's entries, resolved against DestPath (ResolveUninstallEntry: entries that
    // would climb out of it are dropped), each once, in record order.
    std::vector<std::u16string> CreateFileList();
    // Every folder below DestPath (links to folders not followed), subfolders before their
    // parent, RemoveWhenEmpty; then "!Backup\" RemoveAll when RemoveBackups; then the user
    // data when RemoveContent (PrepareContent). For a DestPath that is itself protected only the
    // folders of the recorded files are listed: nothing else there belongs to the player.
    std::vector<TUninstallFolder> CreateDirsList(const std::vector<std::u16string>& files);
    // With RemoveBackups the whole DestPath, else its portable profile "Profile\", RemoveAll;
    // then, when the installation's "QOVI.ini" has [System] UserMode, every user's player
    // profile of the installed version, RemoveAll.
    void PrepareContent(std::vector<TUninstallFolder>& folders);

    // [Common] RemoveBackups (by default for automatic runs) and RemoveContent (false).
    bool RemoveBackups();
    bool RemoveContent();
};

} // namespace Setup::Product::QOVI
