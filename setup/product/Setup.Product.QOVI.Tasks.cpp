#include "Setup.Product.QOVI.Tasks.h"

#include "ORV.Classes.StringList.h"
#include "ORV.Platform.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.ActiveX.h"
#include "Setup.Core.AppRepo.h"
#include "Setup.Core.FileList.h"
#include "Setup.Core.Helper.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Resources.h"
#include "Setup.Core.Users.h"
#include "Setup.Product.QOVI.Rules.h"
#include "Setup.Product.QOVI.Shortcuts.h"

#include <shlobj.h>

namespace Setup::Product::QOVI {

using namespace Setup::Core;
using ORV::W;

namespace {

const std::u16string& DestPath() { return TSetupPersistent::Controller().DestPath(); }
int32_t InstalledVersion() { return TSetupPersistent::Product().InstalledVersion(); }

void AddWhenExists(TSetupDeleteList* list, const std::u16string& file) {
    if (list && ORV::FileExists(file)) list->push_back(file);
}

// Renames From to To when From exists; raises the system's error when it cannot.
void RenameWhenExists(const std::u16string& from, const std::u16string& to) {
    if (!ORV::FileExists(from)) return;
    if (!MoveFileW(W(ORV::LongPathForm(from)), W(ORV::LongPathForm(to))))
        ORV::RaiseLastOSError(u"\r\n" + from + u" -> " + to);
}

// Whether the shortcut at LinkPath starts a program of this installation; one that cannot be
// read is not known to be ours.
bool IsLinkIntoDestPath(const std::u16string& linkPath) {
    std::u16string target;
    return TSetupActionShortcuts::ReadLinkTarget(linkPath, target) && StartsWithText(target, DestPath());
}

void DeleteLinkIntoDestPath(const std::u16string& linkPath) {
    if (ORV::FileExists(linkPath) && IsLinkIntoDestPath(linkPath)) DeleteFileOrLater(linkPath);
}

// Deletes the shortcuts below Folder that start a program of this installation, then the
// folders that this left empty. Another installation's shortcuts and the user's own files stay.
void DeleteLinksIntoDestPath(const std::u16string& folder) {
    if (!ORV::DirectoryExists(folder)) return;
    ORV::TORVStringList files;
    TFileSearchHelper().Search(folder, {}, files);
    TSetupDeleteList deleted{folder};
    for (int32_t i = 0; i < files.Count(); ++i) {
        const std::u16string& file = files.Strings(i);
        if (!IsLinkIntoDestPath(file)) continue;
        DeleteFileOrLater(file);
        deleted.push_back(file);
    }
    const std::vector<std::u16string> folders = FoldersToTry(deleted);
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        if (StartsWithText(*it, folder)) TSetupHelper::RemoveFolder(*it, true);
}

// Whether the uninstall entry Name belongs to this installation.
bool IsEntryOfDestPath(const std::u16string& name) {
    std::u16string path;
    return TSetupAppRepo::FindInstallPath(name, path) && StartsWithText(path, DestPath());
}

} // namespace

// ---- profiles

std::u16string TSetupProfileHelper::ProfilePath(const std::u16string& appData, int32_t version) {
    return QOVI::ProfilePath(appData, version, TSetupPersistent::Product().GetProductName(), DestPath());
}

std::u16string TSetupProfileHelper::NewProfilePath(const std::u16string& appData) {
    return ProfilePath(appData, TSetupPersistent::Product().GetProductVersionId());
}

std::u16string TSetupProfileHelper::OldProfilePath(const std::u16string& appData) {
    return ProfilePath(appData, InstalledVersion());
}

void TSetupProfileInfoList::Populate() {
    if (TSetupPersistent::Controller().HasOption(Portable)) {
        Add(u"SingleUser", {});
        return;
    }
    TSetupUsers::Populate([this](const std::u16string& name, const std::u16string& appData) { Add(name, appData); });
}

void TSetupProfileInfoList::Add(const std::u16string& name, const std::u16string& appData) {
    auto profile = std::make_unique<TSetupProfileInfo>();
    profile->Name = name;
    profile->NewPath = TSetupProfileHelper::NewProfilePath(appData);
    profile->OldPath = TSetupProfileHelper::OldProfilePath(appData);
    if (!ORV::DirectoryExists(profile->OldPath)) return;
    // The current user is reported twice; one entry is enough.
    for (const auto& item : FItems)
        if (ORV::Platform::SameTextLocale(item->OldPath, profile->OldPath)) return;
    FItems.push_back(std::move(profile));
}

// ---- tasks

void TSetupUpdateTaskRemoveShellMenu::Execute(TSetupDeleteList*) {
    for (const char16_t* name : {u"System\\qovi_menu32.dll", u"System\\qovi_menu64.dll"}) {
        const std::u16string library = DestPath() + name;
        if (!ORV::FileExists(library)) continue;
        TSetupActiveX::Unregister(library);
        DeleteFileOrLater(library);
    }
}

void TSetupUpdateTaskRemoveUninstallInfo::Execute(TSetupDeleteList*) {
    for (const char16_t* name : {u"QOVI3", u"QOVI"})
        if (IsEntryOfDestPath(name)) TSetupAppRepo::Unregister(name);
}

void TSetupUpdateTaskRemoveShortcuts::Execute(TSetupDeleteList*) {
    RemoveFor(u"QOVI");
    if (InstalledVersion() < 4000) RemoveFor(u"QOVI3");
}

void TSetupUpdateTaskRemoveShortcuts::RemoveFor(const std::u16string& name) {
    if (name.empty()) return;
    // The shell's link objects live in an apartment of this thread.
    const ORV::TComInitialization com;
    // Only this installation's: a shortcut of another copy of the player stays where it is.
    DeleteLinkIntoDestPath(ShellFolderPath(CSIDL_DESKTOPDIRECTORY) + name + u".lnk");
    DeleteLinkIntoDestPath(ShellFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY) + name + u".lnk");
    for (const int folder : {CSIDL_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTMENU})
        DeleteLinksIntoDestPath(ShellFolderPath(folder) + name + u"\\");
}

void TSetupUpdateTaskRemoveFromRegistry::Execute(TSetupDeleteList*) {
    // A portable copy registered nothing; its "Elevator.exe" would take away the registrations of
    // the installed player.
    if (!Product().IsPortable()) RunAndWait(QuoteArgument(DestPath() + u"Elevator.exe") + u" /REG=U");
    if (IsEntryOfDestPath(Product().GetProductName())) TSetupAppRepo::Unregister(Product().GetProductName());
}

void TSetupUpdateTaskUpdateConfigs::Execute(TSetupDeleteList* deleteList) {
    const std::u16string& dest = DestPath();
    const std::u16string& profile = FProfile.NewPath;
    const int32_t installed = InstalledVersion();
    TSetupHelper::CopyFolder(FProfile.OldPath, profile, false);
    if (deleteList) TSetupHelper::RemovePrefix(*deleteList, profile);
    if (installed < 4000) {
        RenameWhenExists(dest + u"QOVI3.ini", dest + u"QOVI.ini");
        for (const auto& [from, to] : kRenamedProfileFiles) RenameWhenExists(profile + from, profile + to);
        for (const std::u16string& name : kDroppedProfileFiles) AddWhenExists(deleteList, profile + name);
    }
    if (installed < 4500)
        for (const std::u16string& name : kRetiredSkinFiles) AddWhenExists(deleteList, dest + u"Skins\\" + name);
    if (installed < 4600) AddWhenExists(deleteList, profile + u"AlbumArts.db");
    if (installed < 5020) {
        AddWhenExists(deleteList, profile + u"AlbumArtCache.db");
        if (ORV::FileExists(profile + u"AlbumArtsForURLs.db"))
            MoveFileW(W(ORV::LongPathForm(profile + u"AlbumArtsForURLs.db")), W(ORV::LongPathForm(profile + u"AlbumArts.Custom.db")));
    }
    if (installed < 5401 && deleteList) {
        AddWhenExists(deleteList, dest + u"System\\libsoxr.dll");
        ORV::TORVStringList files;
        TFileSearchHelper search;
        search.Search(dest + u"System\\Encoders\\", {}, files);
        search.Search(dest + u"System\\Data\\", {}, files);
        for (int32_t i = 0; i < files.Count(); ++i) deleteList->push_back(files.Strings(i));
    }
}

} // namespace Setup::Product::QOVI
