// Folder operations of the update and uninstall steps, and the guard that keeps every
// recursive delete inside what belongs to the player.
#pragma once

#ifndef _WIN32
#error "Setup.Core.Helper.h is for the Windows build only"
#endif

#include "Setup.Core.DeleteList.h"

#include <string>
#include <string_view>

namespace Setup::Core {

// Whether Folder must never be wiped: a drive or share root, one of the system's known folders
// (Windows, System, both Program Files folders and their common files, the profiles, the
// current user's profile, Documents, Desktop, Music, Pictures, Videos, Start menu and Programs,
// application data, program data, TEMP, for the current user and for all users) or a folder
// above one of them. Compared ignoring case, with or without a trailing backslash.
bool IsProtectedFolder(const std::u16string& folder);

class TSetupHelper {
public:
    TSetupHelper() = delete;

    // Copies every file below Source into Target (created with its subfolders), replacing
    // files there; nothing when the two are equal ignoring case. Links to folders are not
    // followed. With Move, Source is then removed with everything in it. Raises
    // EInstallerInstallError "Cannot copy \"%s\" to \"%s\"" (Source, Target) when a file or
    // folder cannot be made or copied.
    static void CopyFolder(const std::u16string& source, const std::u16string& target, bool move);
    // Removes from List every entry that starts with Prefix, ignoring case.
    static void RemovePrefix(TSetupDeleteList& list, std::u16string_view prefix);
    // With OnlyIfEmpty, removes Folder when it is empty. Otherwise removes it with everything
    // below it: files through DeleteFileOrLater, a link to a folder (junction or symbolic link)
    // as the link alone, never what it points to. A protected folder (IsProtectedFolder) is
    // left as it is. Never raises; what cannot be removed stays.
    static void RemoveFolder(const std::u16string& folder, bool onlyIfEmpty);
};

} // namespace Setup::Core
