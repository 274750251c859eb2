#include "Setup.Core.Helper.h"

#include "ORV.Classes.StringList.h"
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.FileList.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Log.h"
#include "Setup.Core.Resources.h"

#include <shlobj.h>

#include <algorithm>
#include <vector>

namespace Setup::Core {

using ORV::W;

namespace {

std::u16string WithoutTrailingBackslash(std::u16string folder) {
    while (folder.size() > 3 && folder.back() == u'\\') folder.pop_back();
    return folder;
}

std::vector<std::u16string> KnownFolders() {
    static const int kFolders[] = {
        CSIDL_WINDOWS,         CSIDL_SYSTEM,          CSIDL_SYSTEMX86,         CSIDL_PROGRAM_FILES,
        CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_PROFILE,
        CSIDL_PERSONAL,        CSIDL_COMMON_DOCUMENTS, CSIDL_DESKTOPDIRECTORY,  CSIDL_COMMON_DESKTOPDIRECTORY,
        CSIDL_MYMUSIC,         CSIDL_MYPICTURES,      CSIDL_MYVIDEO,           CSIDL_STARTMENU,
        CSIDL_COMMON_STARTMENU, CSIDL_PROGRAMS,       CSIDL_COMMON_PROGRAMS,   CSIDL_APPDATA,
        CSIDL_LOCAL_APPDATA,   CSIDL_COMMON_APPDATA,
    };
    std::vector<std::u16string> folders;
    for (const int csidl : kFolders) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_DONT_VERIFY, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK && path[0])
            folders.push_back(ORV::IncludeTrailingBackslash(ORV::FromW(path)));
    }
    try {
        folders.push_back(TempFolder());
    } catch (const ORV::Exception&) {
    }
    return folders;
}

bool IsRoot(const std::u16string& folder) {
    if (folder.size() <= 3 && folder.size() >= 2 && folder[1] == u':') return true;
    if (!folder.starts_with(u"\\\\")) return false;
    // "\\server\share\" has four backslashes; a folder on the share has more.
    const std::u16string trimmed = WithoutTrailingBackslash(folder);
    return std::count(trimmed.begin(), trimmed.end(), u'\\') <= 3;
}

// Removes a link to a folder (a junction or folder symbolic link), never what it points to.
// Where the system cannot remove the link alone (Wine, for a link of the Linux side), it stays.
void RemoveLink(const std::u16string& link) {
    const std::u16string path = ORV::LongPathForm(link);
    SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(W(path));
}

// Opens Folder itself, never what a link there points to, and holds it so that it cannot be
// renamed or replaced while the handle is open. Invalid when Folder is a link or cannot be opened.
ORV::TScopedKernelHandle HoldRealFolder(const std::u16string& folder) {
    ORV::TScopedKernelHandle handle(CreateFileW(W(ORV::LongPathForm(WithoutTrailingBackslash(folder))),
                                                FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                                nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle.IsValid() && (!GetFileInformationByHandle(handle.Get(), &info) ||
                             !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
                             (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)))
        handle.Reset();
    return handle;
}

// Removes Folder and everything below it that can go. Each folder is checked to be a real one
// when it is opened, and held while its content goes, so that a folder swapped for a link in
// the meantime (by a user, while an elevated uninstaller empties a profile) is never entered.
void RemoveTree(const std::u16string& folder) {
    {
        const ORV::TScopedKernelHandle held = HoldRealFolder(folder);
        if (!held.IsValid()) {
            // A link now (it goes, what it points to stays), or no longer there.
            RemoveLink(WithoutTrailingBackslash(folder));
            return;
        }
        WIN32_FIND_DATAW found{};
        ORV::TScopedFindHandle find(FindFirstFileExW(W(ORV::LongPathForm(folder + u"*")), FindExInfoBasic, &found,
                                                     FindExSearchNameMatch, nullptr, 0));
        if (find.IsValid()) {
            do {
                const std::u16string name = ORV::FromW(found.cFileName);
                if (name == u"." || name == u"..") continue;
                const std::u16string path = folder + name;
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    DeleteFileOrLater(path);
                } else if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                    // The link goes, what it points to stays.
                    RemoveLink(path);
                } else {
                    RemoveTree(path + u"\\");
                }
            } while (FindNextFileW(find.Get(), &found));
        }
    }
    const std::u16string self = ORV::LongPathForm(WithoutTrailingBackslash(folder));
    SetFileAttributesW(W(self), FILE_ATTRIBUTE_NORMAL);
    if (RemoveDirectoryW(W(self)))
        LogLine(u"Removed folder: " + folder);
    else
        DeleteAtRestart(WithoutTrailingBackslash(folder));
}

} // namespace

bool IsProtectedFolder(const std::u16string& folder) {
    const std::u16string candidate = ORV::IncludeTrailingBackslash(folder);
    if (candidate.empty() || IsRoot(candidate)) return true;
    for (const std::u16string& known : KnownFolders())
        if (StartsWithText(known, candidate)) return true;  // the folder itself, or one above it
    return false;
}

void TSetupHelper::CopyFolder(const std::u16string& source, const std::u16string& target, bool move) {
    const std::u16string from = ORV::IncludeTrailingBackslash(source), to = ORV::IncludeTrailingBackslash(target);
    if (ORV::Platform::SameTextLocale(from, to)) return;
    const auto fail = [&] { throw EInstallerInstallError(ORV::Format(u"Cannot copy \"%s\" to \"%s\"", {source, target})); };
    try {
        ORV::TORVStringList files;
        TFileSearchHelper().Search(from, {}, files);
        if (!ORV::DirectoryExists(to) && SHCreateDirectoryExW(nullptr, W(to), nullptr) != ERROR_SUCCESS) fail();
        for (int32_t i = 0; i < files.Count(); ++i) {
            const std::u16string& file = files.Strings(i);
            const std::u16string copy = to + file.substr(from.size());
            const std::u16string folder = ORV::ExtractFilePath(copy);
            if (!ORV::DirectoryExists(folder) && SHCreateDirectoryExW(nullptr, W(folder), nullptr) != ERROR_SUCCESS) fail();
            if (!CopyFileW(W(ORV::LongPathForm(file)), W(ORV::LongPathForm(copy)), FALSE)) fail();
        }
    } catch (const EInstallerInstallError&) {
        throw;
    } catch (const ORV::Exception&) {
        fail();
    }
    if (move) RemoveFolder(from, false);
}

void TSetupHelper::RemovePrefix(TSetupDeleteList& list, std::u16string_view prefix) { Core::RemovePrefix(list, prefix); }

void TSetupHelper::RemoveFolder(const std::u16string& folder, bool onlyIfEmpty) {
    const std::u16string path = ORV::IncludeTrailingBackslash(folder);
    if (!ORV::IsFullPath(path) || IsProtectedFolder(path)) return;
    const std::u16string self = ORV::LongPathForm(WithoutTrailingBackslash(path));
    const DWORD attributes = GetFileAttributesW(W(self));
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link is no folder of ours to empty; with OnlyIfEmpty it is left alone.
        if (!onlyIfEmpty) RemoveLink(WithoutTrailingBackslash(path));
        return;
    }
    if (onlyIfEmpty) {
        // Fails, as it should, for a folder that is not empty.
        RemoveDirectoryW(W(self));
        return;
    }
    RemoveTree(path);
}

} // namespace Setup::Core
