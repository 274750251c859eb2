#include "Setup.Product.QOVI.Uninstall.h"

#include "ORV.Classes.Streams.h"
#include "ORV.FileFormats.INI.h"
#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.DeleteList.h"
#include "Setup.Core.Helper.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Log.h"
#include "Setup.Core.Resources.h"
#include "Setup.Core.UninstallRecord.h"
#include "Setup.Core.Users.h"
#include "Setup.Product.QOVI.Settings.h"

namespace Setup::Product::QOVI {

using namespace Setup::Core;
using ORV::W;

namespace {

// The record, loaded as the INI text it is; raises "Cannot locate" without one.
std::unique_ptr<ORV::TORVIniFile> LoadRecord() {
    const std::unique_ptr<ORV::TMemoryStream> text = TSetupAction::Resources().GetFile(kUninstallRecordName);
    auto record = std::make_unique<ORV::TORVIniFile>();
    record->LoadFromStream(*text);
    return record;
}

// Subfolders of Folder, each before its own parent, none through a link.
void ListFoldersPostOrder(const std::u16string& folder, std::vector<TUninstallFolder>& folders) {
    WIN32_FIND_DATAW found{};
    ORV::TScopedFindHandle find(FindFirstFileExW(W(ORV::LongPathForm(folder + u"*")), FindExInfoBasic, &found,
                                                 FindExSearchNameMatch, nullptr, 0));
    if (!find.IsValid()) return;
    std::vector<std::u16string> subfolders;
    do {
        const std::u16string name = ORV::FromW(found.cFileName);
        if (name == u"." || name == u"..") continue;
        // A link is the user's, and what it points to is not ours to walk.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            subfolders.push_back(folder + name + u"\\");
    } while (FindNextFileW(find.Get(), &found));
    find.Reset();
    for (const std::u16string& subfolder : subfolders) {
        ListFoldersPostOrder(subfolder, folders);
        folders.push_back({subfolder, TRemoveMode::RemoveWhenEmpty});
    }
}

// Whether a folder between Folder (excluded) and Path is a junction or symbolic link: a file
// reached through one is not in the installation, whatever its path says.
bool PassesThroughLink(const std::u16string& path, const std::u16string& folder) {
    for (size_t slash = path.find(u'\\', folder.size()); slash != std::u16string::npos;
         slash = path.find(u'\\', slash + 1)) {
        const DWORD attributes = GetFileAttributesW(W(ORV::LongPathForm(path.substr(0, slash))));
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    }
    return false;
}

// Whether the uninstaller may delete the recorded File of the installation in Dest. A file in
// the installation is deleted unless a link between the two leads elsewhere. A recorded full
// path outside it is deleted only when the record lies where only administrators write (the
// Program Files folders): elsewhere a user could have edited the record of a portable copy to
// make an elevated uninstaller delete any file of the system.
bool MayDelete(const std::u16string& file, const std::u16string& dest, bool adminOnlyRecord) {
    if (StartsWithText(file, dest)) return !PassesThroughLink(file, dest);
    return adminOnlyRecord;
}

} // namespace

// ---- integration

TSetupActionUninstallIntegration::TSetupActionUninstallIntegration() {
    FTasks.push_back(std::make_unique<TSetupUpdateTaskRemoveShellMenu>());
    FTasks.push_back(std::make_unique<TSetupUpdateTaskRemoveShortcuts>());
    FTasks.push_back(std::make_unique<TSetupUpdateTaskRemoveFromRegistry>());
}

void TSetupActionUninstallIntegration::Execute() {
    LoadRecord();
    ShowStatus(GetCommonMessage(u"A9"));
    const int64_t count = static_cast<int64_t>(FTasks.size());
    for (int64_t i = 0; i < count; ++i) {
        FTasks[static_cast<size_t>(i)]->Execute(nullptr);
        SetProgress(StepProgress(i + 1, count));
    }
}

// ---- files

bool TSetupActionUninstallFiles::RemoveBackups() {
    return Settings().ReadBool(Settings::kCommon, Settings::kRemoveBackups, Controller().HasOption(Auto));
}

bool TSetupActionUninstallFiles::RemoveContent() {
    return Settings().ReadBool(Settings::kCommon, Settings::kRemoveContent, false);
}

std::vector<std::u16string> TSetupActionUninstallFiles::CreateFileList() {
    const std::unique_ptr<ORV::TORVIniFile> record = LoadRecord();
    const std::u16string& dest = Controller().DestPath();
    const int32_t count = record->ReadInteger(kUninstallSection, u"Count", 0);
    TSetupDeleteList files;
    for (int32_t i = 0; i < count; ++i) {
        std::u16string path;
        const std::u16string entry = record->ReadString(kUninstallSection, ORV::IntToStr(i), {});
        if (ResolveUninstallEntry(entry, dest, path))
            files.push_back(path);
        else
            LogLine(u"Skipped, a record entry outside the installation: " + entry);
    }
    RemoveRepeated(files);
    return files;
}

std::vector<TUninstallFolder> TSetupActionUninstallFiles::CreateDirsList(const std::vector<std::u16string>& files) {
    const std::u16string& dest = Controller().DestPath();
    std::vector<TUninstallFolder> folders;
    if (!IsProtectedFolder(dest)) {
        ListFoldersPostOrder(dest, folders);
    } else {
        // Only what the record put there; the folders of a drive or a system folder that were
        // empty before are not the player's to remove.
        const std::vector<std::u16string> tried = FoldersToTryBelow(files, dest);
        for (auto folder = tried.rbegin(); folder != tried.rend(); ++folder)
            folders.push_back({*folder, TRemoveMode::RemoveWhenEmpty});
    }
    if (RemoveBackups()) folders.push_back({dest + u"!Backup\\", TRemoveMode::RemoveAll});
    if (RemoveContent()) PrepareContent(folders);
    return folders;
}

void TSetupActionUninstallFiles::PrepareContent(std::vector<TUninstallFolder>& folders) {
    const std::u16string& dest = Controller().DestPath();
    if (!IsProtectedFolder(dest)) {
        // With the backups gone too, nothing of the folder stays.
        folders.push_back({RemoveBackups() ? dest : dest + u"Profile\\", TRemoveMode::RemoveAll});
    } else if (Product().IsPortable()) {
        // A folder that is never emptied as a whole (a drive root) still loses the profile of the
        // portable copy there; without one, a "Profile" folder there is not known to be ours.
        folders.push_back({dest + u"Profile\\", TRemoveMode::RemoveAll});
    }
    // A portable copy keeps its profile in its folder; only an installation for all users has
    // profiles in the users' application data.
    if (Product().IsPortable()) return;
    // Other users' folders come without their trailing backslash.
    TSetupUsers::Populate([&](const std::u16string&, const std::u16string& appData) {
        if (appData.empty()) return;
        folders.push_back({TSetupProfileHelper::OldProfilePath(ORV::IncludeTrailingBackslash(appData)),
                           TRemoveMode::RemoveAll});
    });
}

void TSetupActionUninstallFiles::Execute() {
    const std::vector<std::u16string> files = CreateFileList();
    const std::vector<TUninstallFolder> folders = CreateDirsList(files);
    const std::u16string& dest = Controller().DestPath();
    ShowStatus(GetCommonMessage(u"A9"));
    const int64_t total = static_cast<int64_t>(files.size() + folders.size());
    int64_t done = 0;
    const bool adminOnlyRecord = Controller().IsDestPathInProgramFiles();
    for (const std::u16string& file : files) {
        if (MayDelete(file, dest, adminOnlyRecord))
            DeleteFileOrLater(file);
        else
            LogLine(u"Skipped, not this installation's to delete: " + file);
        SetProgress(StepProgress(++done, total));
    }
    for (const TUninstallFolder& folder : folders) {
        TSetupHelper::RemoveFolder(folder.Path, folder.Mode == TRemoveMode::RemoveWhenEmpty);
        SetProgress(StepProgress(++done, total));
    }
}

} // namespace Setup::Product::QOVI
