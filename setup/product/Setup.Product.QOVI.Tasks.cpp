#include "Setup.Product.QOVI.Tasks.h"

#include "ORV.Classes.StringList.h"
#include "ORV.Platform.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "Setup.Core.ActiveX.h"
#include "Setup.Core.AppRepo.h"
#include "Setup.Core.FileList.h"
#include "Setup.Core.Helper.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Resources.h"
#include "Setup.Core.Users.h"
#include "Setup.Product.QOVI.Rules.h"

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
    for (const char16_t* name : {u"QOVI3", u"QOVI"}) {
        std::u16string path;
        if (TSetupAppRepo::FindInstallPath(name, path) && StartsWithText(path, DestPath())) TSetupAppRepo::Unregister(name);
    }
}

void TSetupUpdateTaskRemoveShortcuts::Execute(TSetupDeleteList*) {
    RemoveFor(u"QOVI");
    if (InstalledVersion() < 4000) RemoveFor(u"QOVI3");
}

void TSetupUpdateTaskRemoveShortcuts::RemoveFor(const std::u16string& name) {
    if (name.empty()) return;
    DeleteFileOrLater(ShellFolderPath(CSIDL_DESKTOPDIRECTORY) + name + u".lnk");
    DeleteFileOrLater(ShellFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY) + name + u".lnk");
    for (const int folder : {CSIDL_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTMENU})
        TSetupHelper::RemoveFolder(ShellFolderPath(folder) + name + u"\\", false);
}

void TSetupUpdateTaskRemoveFromRegistry::Execute(TSetupDeleteList*) {
    RunAndWait(DestPath() + u"Elevator.exe /REG=U");
    TSetupAppRepo::Unregister(Product().GetProductName());
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
