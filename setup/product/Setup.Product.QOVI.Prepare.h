// The preparation before the player's files are written: it backs the previous installation
// and the users' player profiles up into a ZIP archive in "!Backup\" of the destination, runs
// the update tasks, and deletes what was backed up (less what an update keeps), old archives
// beyond the newest three, plug-ins that newer players no longer ship, and the old copies of
// the files about to be written.
//
// It wipes only what belongs to the player: the destination's own files are backed up and
// deleted only when the destination holds an installation of the player (a version in its
// configuration, or an "Uninstall.dat"), and never when it is a drive root or one of the
// system's known folders. Anywhere else only the files the install script writes are replaced.
#pragma once

#include "Setup.Core.Actions.h"
#include "Setup.Core.DeleteList.h"
#include "Setup.Core.FileList.h"
#include "Setup.Product.QOVI.Tasks.h"

#include <memory>
#include <vector>

namespace Setup::Product::QOVI {

// Whether the run is not an update while an installation exists: one in the destination (a
// configuration with a version) that is not being updated, or, unless portable, one found
// elsewhere (an uninstall entry, a running player).
bool InstalledElsewhere();

class TSetupActionPrepare : public Core::TSetupAction {
public:
    // Raises EInstallerBackupError when a file cannot be archived (nothing is deleted then),
    // the "E3" error when "!Backup\" cannot be made, and what an update task raises.
    void Execute() override;
    void BuildSummary(Core::TSetupSummaryBuilder& builder) override;

    // Whether the destination's own files may be backed up and wiped (see the top of the unit).
    static bool MayWipeDestination();
    // DestPath + "!Backup\" + the archive's name for the version being installed and the
    // local time now.
    static std::u16string BackupFileName();

private:
    void CreateTasks();
    void Backup(Core::TSetupDeleteList& deleteList);
    void BackupFileList(Core::TSetupFileList& files) const;
    void MakeBackup(const Core::TSetupFileList& files);
    void AddOldBackups(Core::TSetupDeleteList& deleteList) const;
    void AddObsoleteFiles(Core::TSetupDeleteList& deleteList) const;
    void AddScriptFiles(Core::TSetupDeleteList& deleteList) const;
    void RunTasks(Core::TSetupDeleteList& deleteList);
    // Deletes the files of DeleteList, a file in use at the next restart; one that this run
    // writes again (WrittenAgain) only when that frees its name now, never at the restart,
    // which would take the new file.
    void DeleteFiles(const Core::TSetupDeleteList& deleteList) const;
    // What the run writes itself later, sorted ignoring case: the files of the install script
    // and the uninstaller's two files.
    std::vector<std::u16string> WrittenAgain() const;
    void StepDone();

    TSetupProfileInfoList FProfiles;
    int32_t FDone = 0;
    std::vector<std::unique_ptr<TSetupUpdateTask>> FTasks;
    int32_t FTotal = 0;
};

} // namespace Setup::Product::QOVI
