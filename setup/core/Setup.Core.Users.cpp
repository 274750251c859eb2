#include "Setup.Core.Users.h"

#include "ORV.Platform.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.Resources.h"

#include <shlobj.h>

#include <vector>

namespace Setup::Core {

using ORV::W;

namespace {

const std::u16string kProfileListKey = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const std::u16string kShellFoldersKey = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr DWORD kMaxExpandedLength = 65535;

// The last component of a folder, its trailing backslash ignored.
std::u16string LastComponent(std::u16string folder) {
    while (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
    return ORV::ExtractFileName(folder);
}

bool HasBakExtension(const std::u16string& name) {
    const size_t dot = name.rfind(u'.');
    return dot != std::u16string::npos && ORV::Platform::SameTextLocale(std::u16string_view(name).substr(dot), u".bak");
}

bool ExpandEnvironment(const std::u16string& text, std::u16string& expanded) {
    std::vector<wchar_t> buffer(kMaxExpandedLength + 1, L'\0');
    const DWORD length = ExpandEnvironmentStringsW(W(text), buffer.data(), kMaxExpandedLength + 1);
    if (length == 0 || length > kMaxExpandedLength + 1) return false;
    expanded = ORV::FromW(buffer.data());
    return true;
}

// Every occurrence of What in Text, letter case ignored, replaced by With.
std::u16string ReplaceIgnoringCase(const std::u16string& text, std::u16string_view what, const std::u16string& with) {
    std::u16string result;
    size_t position = 0;
    while (position < text.size()) {
        if (text.size() - position >= what.size() &&
            ORV::Platform::SameTextLocale(std::u16string_view(text).substr(position, what.size()), what)) {
            result += with;
            position += what.size();
        } else {
            result += text[position++];
        }
    }
    return result;
}

// The profile's "User Shell Folders" key: its own hive when that is loaded (under its SID),
// else the default user's.
ORV::TScopedRegKey OpenShellFolders(const std::u16string& sid) {
    ORV::TScopedRegKey key;
    if (RegOpenKeyExW(HKEY_USERS, W(sid + u"\\" + kShellFoldersKey), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS)
        return key;
    if (RegOpenKeyExW(HKEY_USERS, W(u".DEFAULT\\" + kShellFoldersKey), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS)
        return key;
    return {};
}

void ReportProfile(const std::u16string& sid, HKEY profileList, const TSetupUsers::TUserProc& proc) {
    if (HasBakExtension(sid)) return;
    ORV::TScopedRegKey profile;
    if (RegOpenKeyExW(profileList, W(sid), 0, KEY_READ, profile.Receive()) != ERROR_SUCCESS) return;
    std::u16string profileFolder;
    if (!ExpandEnvironment(ORV::ReadRegistryString(profile.Get(), u"ProfileImagePath"), profileFolder) ||
        profileFolder.empty() || !ORV::DirectoryExists(profileFolder))
        return;
    const ORV::TScopedRegKey shellFolders = OpenShellFolders(sid);
    if (!shellFolders.IsValid()) return;
    const std::u16string appData =
        ReplaceIgnoringCase(ORV::ReadRegistryString(shellFolders.Get(), u"AppData"), u"%USERPROFILE%", profileFolder);
    if (appData.empty()) return;
    proc(LastComponent(profileFolder), appData);
}

} // namespace

void TSetupUsers::Populate(const TUserProc& proc) {
    proc(LastComponent(ShellFolderPath(CSIDL_PROFILE)), ShellFolderPath(CSIDL_APPDATA));

    ORV::TScopedRegKey profileList;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(kProfileListKey), 0, KEY_READ, profileList.Receive()) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[MAX_PATH + 1] = {};
        DWORD length = MAX_PATH + 1;
        const LONG result = RegEnumKeyExW(profileList.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        // A name too long for a profile is skipped; any other failure (the key deleted
        // meanwhile, say) would fail for every further index too.
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) break;
        ReportProfile(ORV::FromW(name, length), profileList.Get(), proc);
    }
}

} // namespace Setup::Core
