// Runs against the real registry of the Wine prefix; every test uses a product name of its own
// and removes its entries again.
#include "ORV.Platform.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.AppRepo.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Setup::Core;
using ORV::FromW;
using ORV::TScopedRegKey;
using ORV::W;

namespace {

const std::u16string kUninstall = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class AppRepo : public ::testing::Test {
protected:
    void SetUp() override {
        FName = u"QOVI Test " + ORV::IntToStr(GetCurrentProcessId()) + u" " +
                ORV::Utf8ToUtf16(::testing::UnitTest::GetInstance()->current_test_info()->name());
        FFolder = FDir.Path().u16string() + u"\\";
    }
    void TearDown() override {
        TSetupAppRepo::Unregister(FName);
        DeleteKey(KEY_WOW64_64KEY);
    }

    std::u16string KeyPath() const { return kUninstall + TSetupAppRepo::KeyName(FName); }

    TScopedRegKey OpenKey(REGSAM view) const {
        TScopedRegKey key;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(KeyPath()), 0, KEY_READ | view, key.Receive());
        return key;
    }

    void DeleteKey(REGSAM view) const {
        TScopedRegKey parent;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(kUninstall), 0, KEY_ALL_ACCESS | view, parent.Receive()) ==
            ERROR_SUCCESS)
            RegDeleteTreeW(parent.Get(), W(TSetupAppRepo::KeyName(FName)));
    }

    // Value names in the order the key holds them.
    std::vector<std::u16string> ValueNames(HKEY key) const {
        std::vector<std::u16string> names;
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            DWORD length = 256;
            if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.push_back(FromW(name, length));
        }
        return names;
    }

    TestSupport::TTempDir FDir;
    std::u16string FName, FFolder;
};

std::u16string ReadRaw(HKEY key, const char16_t* name, DWORD& type, DWORD& size) {
    wchar_t buffer[1024] = {};
    size = sizeof buffer;
    if (RegQueryValueExW(key, W(name), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return u"<missing>";
    return FromW(buffer);
}

} // namespace

TEST_F(AppRepo, RegistersTheEntryInThe32BitViewInOrder) {
    const std::u16string uninstaller = FFolder + u"Uninstall.exe";
    TSetupAppRepo::Register(FName, uninstaller, u"https://qovi.example/", u"QOVI Team", u"5.04", 1234);

    EXPECT_EQ(TSetupAppRepo::KeyName(u"QOVI Media  Player"), u"QOVIMediaPlayer");
    TScopedRegKey key = OpenKey(KEY_WOW64_32KEY);
    ASSERT_TRUE(key);
    const std::vector<std::u16string> order = {
        u"NoModify",  u"NoRepair",        u"DisplayIcon",          u"DisplayName",   u"DisplayVersion", u"InstallDate",
        u"InstallPath", u"InstallLocation", u"Publisher", u"UninstallString", u"QuietUninstallString",
        u"EstimatedSize", u"URLInfoAbout"};
    // Windows keeps values in the order they were written; Wine's registry lists them sorted,
    // so only the set of names can be checked here.
    std::vector<std::u16string> names = ValueNames(key.Get()), expected = order;
    const auto byName = [](const std::u16string& a, const std::u16string& b) {
        return ORV::Platform::CompareTextLocale(a, b) < 0;
    };
    std::sort(names.begin(), names.end(), byName);
    std::sort(expected.begin(), expected.end(), byName);
    EXPECT_EQ(names, expected);

    DWORD type = 0, size = 0;
    const struct {
        const char16_t* Name;
        std::u16string Value;
    } strings[] = {{u"DisplayIcon", uninstaller}, {u"DisplayName", FName},         {u"DisplayVersion", u"5.04"},
                   {u"InstallPath", FFolder},     {u"InstallLocation", FFolder},   {u"Publisher", u"QOVI Team"},
                   {u"UninstallString", u"\"" + uninstaller + u"\""},
                   {u"QuietUninstallString", u"\"" + uninstaller + u"\" /AUTO /SILENT"},
                   {u"URLInfoAbout", u"https://qovi.example/"}};
    for (const auto& s : strings) {
        EXPECT_EQ(ReadRaw(key.Get(), s.Name, type, size), s.Value) << ORV::Utf16ToUtf8(s.Name);
        EXPECT_EQ(type, DWORD(REG_SZ));
        EXPECT_EQ(size, (s.Value.size() + 1) * sizeof(char16_t)) << "stored with its terminator";
    }
    const std::u16string date = ReadRaw(key.Get(), u"InstallDate", type, size);
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(date.size(), 8u);
    EXPECT_EQ(date.substr(0, 4), ORV::IntToStr(now.wYear));
    DWORD flag = 0, flagSize = sizeof flag;
    EXPECT_EQ(RegQueryValueExW(key.Get(), L"NoModify", nullptr, &type, reinterpret_cast<BYTE*>(&flag), &flagSize),
              ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(flag, 1u);
    DWORD size32 = 0;
    flagSize = sizeof size32;
    EXPECT_EQ(RegQueryValueExW(key.Get(), L"EstimatedSize", nullptr, &type, reinterpret_cast<BYTE*>(&size32), &flagSize),
              ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(size32, 1234u);

    std::u16string path;
    EXPECT_TRUE(TSetupAppRepo::FindInstallPath(FName, path));
    EXPECT_EQ(path, FFolder);
}

TEST_F(AppRepo, ReRegisteringDropsValuesAndSubkeysOfTheOlderEntry) {
    TSetupAppRepo::Register(FName, FFolder + u"Uninstall.exe", u"", u"", u"1.0");
    {
        TScopedRegKey key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(KeyPath()), 0, KEY_WRITE | KEY_WOW64_32KEY, key.Receive()),
                  ERROR_SUCCESS);
        RegSetValueExW(key.Get(), L"Comments", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"1"), 4);
        TScopedRegKey sub;
        RegCreateKeyExW(key.Get(), L"Old", 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr, sub.Receive(),
                        nullptr);
    }
    TSetupAppRepo::Register(FName, FFolder + u"Uninstall.exe", u"", u"", u"2.0");
    TScopedRegKey key = OpenKey(KEY_WOW64_32KEY);
    ASSERT_TRUE(key);
    EXPECT_EQ(ValueNames(key.Get()).size(), 13u);
    DWORD type, size;
    EXPECT_EQ(ReadRaw(key.Get(), u"Comments", type, size), u"<missing>");
    TScopedRegKey sub;
    EXPECT_NE(RegOpenKeyExW(key.Get(), L"Old", 0, KEY_READ, sub.Receive()), ERROR_SUCCESS);

    TSetupAppRepo::Unregister(FName);
    EXPECT_FALSE(OpenKey(KEY_WOW64_32KEY));
    TSetupAppRepo::Unregister(FName);  // a missing key is no error
}

TEST_F(AppRepo, FindInstallPathFallsBackThroughTheValuesAndViews) {
    const std::u16string gone = FFolder + u"gone\\";
    const std::u16string other = FFolder + u"other\\";
    CreateDirectoryW(W(other), nullptr);

    const struct {
        const char* What;
        REGSAM View;
        std::u16string InstallPath, UninstallString, DisplayIcon;
        bool Found;
        std::u16string Expected;
    } cases[] = {
        {"InstallPath without backslash", KEY_WOW64_32KEY, other.substr(0, other.size() - 1), u"", u"", true, other},
        {"stale InstallPath, UninstallString", KEY_WOW64_32KEY, gone, other + u"Uninstall.exe", u"", true, other},
        {"quoted UninstallString", KEY_WOW64_32KEY, gone, u"\"" + other + u"Uninstall.exe\" /X", u"", true, other},
        {"only DisplayIcon", KEY_WOW64_32KEY, gone, gone + u"Uninstall.exe", other + u"Uninstall.exe", true, other},
        {"nothing exists", KEY_WOW64_32KEY, gone, gone + u"Uninstall.exe", gone + u"x.exe", false, u""},
        {"only in the 64-bit view", KEY_WOW64_64KEY, other, u"", u"", true, other},
    };
    for (const auto& c : cases) {
        DeleteKey(KEY_WOW64_32KEY);
        DeleteKey(KEY_WOW64_64KEY);
        TScopedRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(KeyPath()), 0, nullptr, 0, KEY_WRITE | c.View, nullptr,
                                  key.Receive(), nullptr),
                  ERROR_SUCCESS);
        for (const auto& [name, value] : {std::pair{L"InstallPath", c.InstallPath},
                                          std::pair{L"UninstallString", c.UninstallString},
                                          std::pair{L"DisplayIcon", c.DisplayIcon}})
            if (!value.empty())
                RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               DWORD((value.size() + 1) * 2));
        std::u16string path = u"unchanged";
        EXPECT_EQ(TSetupAppRepo::FindInstallPath(FName, path), c.Found) << c.What;
        if (c.Found) {
            EXPECT_EQ(path, c.Expected) << c.What;
        }
    }
}

TEST_F(AppRepo, AnEmptyNameRegistersAndFindsNothing) {
    TSetupAppRepo::Register(u"   ", FFolder + u"Uninstall.exe", u"", u"", u"1");
    std::u16string path;
    EXPECT_FALSE(TSetupAppRepo::FindInstallPath(u"", path));
    EXPECT_FALSE(TSetupAppRepo::FindInstallPath(u" ", path));
    TSetupAppRepo::Unregister(u" ");  // must not touch the uninstall key itself
    TScopedRegKey key;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(kUninstall), 0, KEY_READ | KEY_WOW64_32KEY, key.Receive()),
              ERROR_SUCCESS);
}
