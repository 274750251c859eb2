#include "Setup.Product.QOVI.Prepare.h"

#include "ORV.Classes.StringList.h"
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.Helper.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Log.h"
#include "Setup.Core.UninstallRecord.h"
#include "Setup.Core.ZipWriter.h"
#include "Setup.Product.QOVI.Rules.h"
#include "Setup.Product.QOVI.h"

#include <algorithm>

namespace Setup::Product::QOVI {

using namespace Setup::Core;
using ORV::W;

namespace {

bool IgnoringCase(const std::u16string& a, const std::u16string& b) { return ORV::Platform::CompareTextLocale(a, b) < 0; }

const std::u16string& DestPath() { return TSetupPersistent::Controller().DestPath(); }
bool HasOption(TSetupOption option) { return TSetupPersistent::Controller().HasOption(option); }
std::u16string BackupFolder() { return DestPath() + u"!Backup\\"; }

uint32_t DosTimeOf(const std::u16string& file) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FILETIME local{};
    WORD date = 0, time = 0;
    if (!GetFileAttributesExW(W(ORV::LongPathForm(file)), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return static_cast<uint32_t>(date) << 16 | time;
}

int64_t SizeOf(const std::u16string& file) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(W(ORV::LongPathForm(file)), GetFileExInfoStandard, &data)) return 0;
    return static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

// The backup message of the file that could not be archived.
// Raises the backup error for File from Cause, a failure caught just now: its system error,
// when it knows one, else the thread's last error.
[[noreturn]] void RaiseBackupError(const std::u16string& file, const ORV::Exception& cause) {
    const DWORD lastError = cause.SystemError() ? cause.SystemError() : GetLastError();
    throw EInstallerBackupError(ORV::Format(u"An error occurs while backuping the \"%s\" file (%d)\r\n%s\r\n%s",
                                            {file, static_cast<long long>(SizeOf(file)), cause.Message(),
                                             ORV::Platform::SystemErrorMessage(lastError)}),
                                lastError);
}

} // namespace

bool TSetupActionPrepare::MayWipeDestination() {
    const std::u16string& dest = DestPath();
    if (IsProtectedFolder(dest)) return false;
    return Product().InstalledVersion() >= 1 || ORV::FileExists(dest + u"Uninstall.dat");
}

std::u16string TSetupActionPrepare::BackupFileName() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return BackupFolder() + BackupArchiveName(Product().GetProductVersion(),
                                              {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond});
}

void TSetupActionPrepare::Execute() {
    FDone = 0;
    FTotal = 0;
    TSetupDeleteList deleteList;
    FProfiles.Populate();
    CreateTasks();
    FTotal = static_cast<int32_t>(FTasks.size());
    if (!HasOption(NoBackup)) Backup(deleteList);
    if (HasOption(Update)) KeepUserFolders(deleteList, DestPath(), Product().InstalledVersion());
    AddOldBackups(deleteList);
    AddObsoleteFiles(deleteList);
    AddScriptFiles(deleteList);
    RemoveRepeated(deleteList);
    RunTasks(deleteList);
    DeleteFiles(deleteList);
}

void TSetupActionPrepare::CreateTasks() {
    if (!HasOption(Portable) && (!HasOption(Update) || Product().InstalledVersion() < 4000)) {
        FTasks.push_back(std::make_unique<TSetupUpdateTaskRemoveShellMenu>());
        FTasks.push_back(std::make_unique<TSetupUpdateTaskRemoveUninstallInfo>());
        FTasks.push_back(std::make_unique<TSetupUpdateTaskRemoveShortcuts>());
    }
    if (HasOption(Update))
        for (int32_t i = 0; i < FProfiles.Count(); ++i)
            FTasks.push_back(std::make_unique<TSetupUpdateTaskUpdateConfigs>(FProfiles.Items(i)));
}

void TSetupActionPrepare::Backup(TSetupDeleteList& deleteList) {
    TSetupFileList files;
    BackupFileList(files);
    FTotal = static_cast<int32_t>(FTasks.size()) + files.Count();
    for (int32_t i = 0; i < files.Count(); ++i) deleteList.push_back(files.Items(i).FileName);
    for (const std::u16string& name : kUnarchivedFileNames) files.RemoveByName(name);
    MakeBackup(files);
}

void TSetupActionPrepare::BackupFileList(TSetupFileList& files) const {
    const std::u16string& dest = DestPath();
    const bool wipe = MayWipeDestination();
    if (HasOption(Portable)) {
        if (wipe) files.AddFolder(dest, BackupFolder(), {});
        return;
    }
    for (int32_t i = 0; i < FProfiles.Count(); ++i)
        files.AddFolder(FProfiles.Items(i).OldPath, BackupFolder(), u"Profiles\\" + FProfiles.Items(i).Name + u"\\");
    if (wipe) files.AddFolder(dest, BackupFolder(), u"Program\\");
}

void TSetupActionPrepare::MakeBackup(const TSetupFileList& files) {
    ShowStatus(GetCommonMessage(u"A1"));
    if (files.Count() == 0) return;
    ForceDirectory(BackupFolder());
    const std::u16string archiveName = BackupFileName();
    std::unique_ptr<TZipWriter> archive;
    try {
        archive = std::make_unique<TZipWriter>(archiveName);
    } catch (const ORV::Exception& error) {
        RaiseBackupError(archiveName, error);
    }
    for (int32_t i = 0; i < files.Count(); ++i) {
        const TSetupFileListItem& item = files.Items(i);
        try {
            ORV::TFileStream file(item.FileName, ORV::fmOpenRead,
                                  ORV::Platform::TFile::fsRead | ORV::Platform::TFile::fsWrite | ORV::Platform::TFile::fsDelete);
            archive->AddFile(item.ArchiveName, file, DosTimeOf(item.FileName));
        } catch (const ORV::Exception& error) {
            RaiseBackupError(item.FileName, error);
        }
        ++FDone;
        StepDone();
    }
    // An archive that did not close cleanly (a full disk, say) is no backup: nothing may be
    // deleted after it.
    try {
        archive->Close();
    } catch (const ORV::Exception& error) {
        RaiseBackupError(archiveName, error);
    }
    LogLine(u"Backed up " + ORV::IntToStr(files.Count()) + u" files to " + archiveName);
}

void TSetupActionPrepare::AddOldBackups(TSetupDeleteList& deleteList) const {
    std::vector<std::u16string> archives;
    WIN32_FIND_DATAW found{};
    ORV::TScopedFindHandle find(FindFirstFileExW(W(ORV::LongPathForm(BackupFolder() + u"*.zip")), FindExInfoBasic,
                                                 &found, FindExSearchNameMatch, nullptr, 0));
    if (find.IsValid()) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) archives.push_back(ORV::FromW(found.cFileName));
        } while (FindNextFileW(find.Get(), &found));
    }
    std::sort(archives.begin(), archives.end(), [](const std::u16string& a, const std::u16string& b) {
        return ORV::Platform::CompareTextLocale(a, b) < 0;
    });
    for (size_t i = 0; i + 3 < archives.size(); ++i) deleteList.push_back(BackupFolder() + archives[i]);
}

void TSetupActionPrepare::AddObsoleteFiles(TSetupDeleteList& deleteList) const {
    const std::u16string& dest = DestPath();
    if (ORV::FileExists(dest + u"libVorbis.dll")) deleteList.push_back(dest + u"libVorbis.dll");
    ORV::TORVStringList files;
    TFileSearchHelper search;
    for (const std::u16string& folder : ObsoletePluginFolders(Product().InstalledVersion()))
        search.Search(dest + u"Plugins\\" + folder + u"\\", {}, files);
    for (int32_t i = 0; i < files.Count(); ++i) deleteList.push_back(files.Strings(i));
}

void TSetupActionPrepare::AddScriptFiles(TSetupDeleteList& deleteList) const {
    const TSetupScriptGroup& components = Script().Components();
    for (int32_t i = 0; i < components.Count(); ++i)
        deleteList.push_back(Resources().ExpandPath(components.Files(i).Name));
}

void TSetupActionPrepare::RunTasks(TSetupDeleteList& deleteList) {
    ShowStatus(GetCommonMessage(u"A5"));
    for (const auto& task : FTasks) {
        ++FDone;
        task->Execute(&deleteList);
        StepDone();
    }
}

std::vector<std::u16string> TSetupActionPrepare::WrittenAgain() const {
    std::vector<std::u16string> paths{DestPath() + kUninstallerName, DestPath() + kUninstallDataName};
    const TSetupScriptGroup& components = Script().Components();
    for (int32_t i = 0; i < components.Count(); ++i) paths.push_back(Resources().ExpandPath(components.Files(i).Name));
    std::sort(paths.begin(), paths.end(), IgnoringCase);
    return paths;
}

void TSetupActionPrepare::DeleteFiles(const TSetupDeleteList& deleteList) const {
    ShowStatus(GetCommonMessage(u"A3"));
    const std::vector<std::u16string> writtenAgain = WrittenAgain();
    for (const std::u16string& entry : deleteList) {
        if (entry.empty() || entry.back() == u'\\') continue;
        if (std::binary_search(writtenAgain.begin(), writtenAgain.end(), entry, IgnoringCase))
            DeleteFileOrMoveAside(entry);
        else
            DeleteFileOrLater(entry);
    }
    const std::vector<std::u16string> folders = FoldersToTry(deleteList);
    for (size_t i = folders.size(); i-- > 0;) TSetupHelper::RemoveFolder(folders[i], true);
}

bool InstalledElsewhere() {
    const TSetup& controller = TSetupPersistent::Controller();
    if (controller.HasOption(Update)) return false;
    if (TSetupPersistent::Product().InstalledVersion() >= 1) return true;
    std::u16string elsewhere;
    return !controller.HasOption(Portable) && TProductInfoQOVI::FindInstalledPath(elsewhere);
}

void TSetupActionPrepare::StepDone() { SetProgress(StepProgress(FDone, FTotal)); }

void TSetupActionPrepare::BuildSummary(TSetupSummaryBuilder& builder) {
    const auto text = [](const char16_t* key) { return GetMessage(u"PageSetup", key); };
    builder.SetHeader(text(u"LB1"));
    builder.AddItem(DestPath());
    builder.SetHeader(text(u"Title"));
    builder.AddItem(text(HasOption(Update) ? u"CB1" : HasOption(Portable) ? u"CB3" : u"CB2"));
    if (!HasOption(NoBackup)) builder.AddItem(text(u"CB4"));
    if (InstalledElsewhere()) {
        builder.SetHeader(text(u"Title"));
        builder.AddItem(text(u"W3"));
    }
}

} // namespace Setup::Product::QOVI
