// The user profiles of the machine, for the steps that look after every user's settings.
#pragma once

#ifndef _WIN32
#error "Setup.Core.Users.h is for the Windows build only"
#endif

#include <functional>
#include <string>

namespace Setup::Core {

class TSetupUsers {
public:
    // UserName is the last component of the profile folder ("alice"); AppDataFolder the user's
    // roaming application-data folder.
    using TUserProc = std::function<void(const std::u16string& userName, const std::u16string& appDataFolder)>;

    TSetupUsers() = delete;

    // Calls Proc for the current user (with its application-data folder ending in a backslash),
    // then for every profile in the machine's profile list whose folder exists, with the
    // "AppData" shell folder of that user (as stored, without expansion other than
    // %USERPROFILE%, so normally without a trailing backslash) or, when that user's settings
    // are not loaded, of the default user. The current user is normally reported twice.
    // Skipped: the system's ".bak" copies of profiles, profiles whose folder is gone or cannot
    // be named, and profiles without an application-data folder. Raises only what Proc raises.
    static void Populate(const TUserProc& proc);
};

} // namespace Setup::Core
