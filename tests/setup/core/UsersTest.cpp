// The machine's user profiles, from a profile list that the test extends in the registry.

#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.Resources.h"
#include "Setup.Core.Users.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

using namespace Setup::Core;

namespace {

const std::wstring kProfileList = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";

// A profile-list entry of the test's own, removed again at the end.
class TProfileEntry {
public:
    TProfileEntry(std::wstring sid, const std::u16string& imagePath) : FSid(std::move(sid)) {
        ORV::TScopedRegKey key;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kProfileList + FSid).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                  key.Receive(), nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key.Get(), L"ProfileImagePath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(imagePath.c_str()),
                       static_cast<DWORD>((imagePath.size() + 1) * sizeof(char16_t)));
    }
    ~TProfileEntry() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kProfileList + FSid).c_str()); }

private:
    std::wstring FSid;
};

// Settings of a profile's own, as when that user is logged on and the hive is loaded.
class TOwnShellFolders {
public:
    TOwnShellFolders(std::wstring sid, const std::u16string& appData) : FSid(std::move(sid)) {
        ORV::TScopedRegKey key;
        EXPECT_EQ(RegCreateKeyExW(HKEY_USERS, (FSid + L"\\" + kShellFolders).c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, key.Receive(), nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key.Get(), L"AppData", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(appData.c_str()),
                       static_cast<DWORD>((appData.size() + 1) * sizeof(char16_t)));
    }
    ~TOwnShellFolders() { RegDeleteTreeW(HKEY_USERS, FSid.c_str()); }

private:
    static constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    std::wstring FSid;
};

} // namespace

TEST(Users, TheCurrentUserFirstThenTheUsableProfiles) {
    TestSupport::TTempDir profiles;
    std::filesystem::create_directory(profiles / "alice");
    std::filesystem::create_directory(profiles / "kept-aside");
    std::filesystem::create_directory(profiles / "bob");
    SetEnvironmentVariableW(L"QOVI_TEST_PROFILES", profiles.Path().c_str());
    const std::u16string alice = profiles.File("alice");
    // Expanded from the environment, as the system stores its own entries.
    const TProfileEntry usable(L"S-1-5-21-7-7-7-1001", u"%QOVI_TEST_PROFILES%\\alice");
    const TProfileEntry backup(L"S-1-5-21-7-7-7-1002.BAK", profiles.File("kept-aside"));
    const TProfileEntry gone(L"S-1-5-21-7-7-7-1003", profiles.File("gone"));
    const TProfileEntry loaded(L"S-1-5-21-7-7-7-1004", profiles.File("bob"));
    const TOwnShellFolders bobsOwn(L"S-1-5-21-7-7-7-1004", u"%userprofile%\\Own Roaming");

    std::vector<std::pair<std::u16string, std::u16string>> users;
    TSetupUsers::Populate([&](const std::u16string& name, const std::u16string& appData) { users.emplace_back(name, appData); });

    ASSERT_FALSE(users.empty());
    const std::u16string profile = ShellFolderPath(CSIDL_PROFILE);
    EXPECT_EQ(users[0].first, ORV::ExtractFileName(profile.substr(0, profile.size() - 1)));
    EXPECT_EQ(users[0].second, ShellFolderPath(CSIDL_APPDATA));

    size_t aliceCount = 0, bobCount = 0;
    for (const auto& [name, appData] : users) {
        EXPECT_NE(name, u"kept-aside");
        EXPECT_NE(name, u"gone");
        if (name == u"bob") {
            ++bobCount;
            EXPECT_EQ(appData, profiles.File("bob") + u"\\Own Roaming");  // his own, not the default user's
        }
        if (name != u"alice") continue;
        ++aliceCount;
        // Alice's settings are not loaded: the default user's folder, inside her profile.
        EXPECT_EQ(appData.rfind(alice + u"\\", 0), 0u) << ORV::Utf16ToUtf8(appData);
        EXPECT_EQ(appData.find(u'%'), std::u16string::npos) << ORV::Utf16ToUtf8(appData);
    }
    EXPECT_EQ(aliceCount, 1u);
    EXPECT_EQ(bobCount, 1u);
}
