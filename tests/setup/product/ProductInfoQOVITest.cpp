// The player's product information against real folders, the real registry view of the
// uninstall entries and a real player window.

#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "Setup.Core.AppRepo.h"
#include "Setup.Core.Errors.h"
#include "Setup.Product.QOVI.h"
#include "TestSetupHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

using namespace Setup::Core;
using Setup::Product::QOVI::TProductInfoQOVI;
using TestSupport::TTempDir;
using TestSupport::TTestSetupHost;

namespace {

void WriteText(const std::filesystem::path& path, const std::string& text) {
    TestSupport::WriteAll(path, TestSupport::Bytes(text));
}

std::u16string FolderOf(const TTempDir& temp) { return ORV::IncludeTrailingBackslash(temp.Path().u16string()); }

TProductInfoQOVI& QoviInfo(TTestSetupHost& host) { return dynamic_cast<TProductInfoQOVI&>(host.ProductInfo()); }

// Removes the player's uninstall entries, before and after a test, so that no earlier run and
// no other test decides where the player is.
struct TNoInstalledPlayer {
    TNoInstalledPlayer() { Clear(); }
    ~TNoInstalledPlayer() { Clear(); }
    static void Clear() {
        TSetupAppRepo::Unregister(u"QOVI");
        TSetupAppRepo::Unregister(u"QOVI3");
    }
};

} // namespace

TEST(ProductInfoQOVI, IsTheRegisteredProductInformation) {
    TTestSetupHost host;
    EXPECT_NE(dynamic_cast<TProductInfoQOVI*>(&host.ProductInfo()), nullptr);
}

TEST(ProductInfoQOVI, AnswersFromTheScriptSettings) {
    TTestSetupHost host;
    TSetupProductInfo& info = host.ProductInfo();
    EXPECT_EQ(info.GetProductName(), u"QOVI");  // the second of two ProductName settings
    EXPECT_EQ(info.GetPublisher(), u"QOVI Team");
    EXPECT_EQ(info.GetProductVersion(), u"5.10");
    EXPECT_EQ(info.GetProductVersionId(), 5100);
    EXPECT_EQ(info.GetProductVersionNo(), u"5.10.0.1");
    EXPECT_EQ(info.GetFullVersion(), u"5.10, 2026-12-01");
    EXPECT_EQ(info.GetHomePage(), u"https://qovi.example.org/");
    EXPECT_EQ(info.GetPortablePath().substr(info.GetPortablePath().size() - 6), u"\\QOVI\\");
}

TEST(ProductInfoQOVI, VersionTexts) {
    const std::pair<int32_t, const char16_t*> cases[] = {
        {5040, u"5.04"}, {3600, u"3.60"}, {5499, u"5.49"}, {0, u"0.00"}, {12345, u"12.34"}, {1009, u"1.00"}};
    for (const auto& [id, text] : cases) EXPECT_EQ(VersionIdText(id), text) << id;
}

TEST(ProductInfoQOVI, JudgesTheInstallationInTheDestination) {
    struct TCase {
        const char* Files;  // "QOVI.ini", "QOVI3.ini", "both", "folder" (QOVI.ini is a folder) or ""
        const char* Config;
        int32_t Version;
        bool Portable;
        bool Updatable;
    };
    const TCase cases[] = {
        {"QOVI.ini", "[System]\r\nVersion=3499\r\n", 3499, false, false},
        {"QOVI.ini", "[System]\r\nVersion=3500\r\n", 3500, false, true},
        {"QOVI.ini", "[System]\r\nVersion=5499\r\nUserMode=1\r\n", 5499, false, true},
        {"QOVI.ini", "[System]\r\nVersion=5500\r\n", 5500, false, false},
        {"QOVI.ini", "[System]\r\nVersion=5100\r\nUserMode=0\r\n", 5100, true, true},
        {"QOVI3.ini", "[System]\r\nVersion=3600\r\n", 3600, false, true},
        {"both", "[System]\r\nVersion=4000\r\n", 4000, false, true},
        {"folder", "[System]\r\nVersion=3700\r\n", 3700, false, true},
        {"", "", 0, false, false},
    };
    TTestSetupHost host;
    TSetupProductInfo& info = host.ProductInfo();
    for (const TCase& test : cases) {
        TTempDir temp;
        const std::string files = test.Files;
        if (files == "QOVI.ini") WriteText(temp / "QOVI.ini", test.Config);
        if (files == "QOVI3.ini") WriteText(temp / "QOVI3.ini", test.Config);
        if (files == "both") {
            WriteText(temp / "QOVI.ini", test.Config);
            WriteText(temp / "QOVI3.ini", "[System]\r\nVersion=9999\r\nUserMode=0\r\n");
        }
        if (files == "folder") {
            std::filesystem::create_directory(temp / "QOVI.ini");
            WriteText(temp / "QOVI3.ini", test.Config);
        }
        host.DestPathValue = FolderOf(temp);
        info.Refresh();
        EXPECT_EQ(info.InstalledVersion(), test.Version) << test.Files << " " << test.Config;
        EXPECT_EQ(info.IsPortable(), test.Portable) << test.Files << " " << test.Config;
        EXPECT_EQ(info.CanUpdate(), test.Updatable) << test.Files << " " << test.Config;
    }
}

TEST(ProductInfoQOVI, RefreshReplacesTheIntegrationChoices) {
    TTestSetupHost host;
    TTempDir temp;
    WriteText(temp / "QOVI3.ini", "[System]\r\nVersion=3600\r\n[Integration]\r\nAssociate=0\r\nMenu=1\r\n");
    host.SettingsStore.WriteString(u"Integration", u"Earlier", u"1");
    host.SettingsStore.WriteString(u"Common", u"Kept", u"1");
    host.DestPathValue = FolderOf(temp);
    host.ProductInfo().Refresh();
    EXPECT_EQ(host.SettingsStore.ReadSectionText(u"Integration"), u"Associate=0\r\nMenu=1\r\n");
    EXPECT_EQ(host.SettingsStore.ReadString(u"Common", u"Kept", u""), u"1");
    EXPECT_EQ(host.ProductInfo().InstalledVersionText(), u"3.60");

    // An installation without [Integration] starts the choices from the defaults.
    WriteText(temp / "QOVI3.ini", "[System]\r\nVersion=3600\r\n");
    host.ProductInfo().Refresh();
    EXPECT_EQ(host.SettingsStore.ReadSectionText(u"Integration"), u"");
}

TEST(ProductInfoQOVI, FindsAnEarlierInstallation) {
    TNoInstalledPlayer clean;
    TTestSetupHost host;
    TSetupProductInfo& info = host.ProductInfo();
    EXPECT_EQ(info.GetDefaultPath(), host.Resources().ProgramFilesFolder() + u"QOVI\\");

    TTempDir older, newer;
    TSetupAppRepo::Register(u"QOVI3", (older.Path() / "Uninstall.exe").u16string(), u"", u"", u"3.60");
    EXPECT_EQ(info.GetDefaultPath(), FolderOf(older));
    TSetupAppRepo::Register(u"QOVI", (newer.Path() / "Uninstall.exe").u16string(), u"", u"", u"5.00");
    EXPECT_EQ(info.GetDefaultPath(), FolderOf(newer));

    // An entry whose folder is gone points nowhere.
    TSetupAppRepo::Register(u"QOVI", u"C:\\qovi-test-gone\\Uninstall.exe", u"", u"", u"5.00");
    EXPECT_EQ(info.GetDefaultPath(), FolderOf(older));
}

TEST(ProductInfoQOVI, FindsARunningPlayerByItsWindow) {
    TNoInstalledPlayer clean;
    TTestSetupHost host;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TQOVIMainForm";
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    HWND window = CreateWindowW(L"TQOVIMainForm", L"", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    // This test program plays the player: its own folder is the answer.
    const std::u16string expected = ORV::ExtractFilePath(ORV::Platform::ExecutableFileName());
    EXPECT_TRUE(ORV::Platform::SameTextLocale(host.ProductInfo().GetDefaultPath(), expected));

    DestroyWindow(window);
    UnregisterClassW(L"TQOVIMainForm", windowClass.hInstance);
    EXPECT_EQ(host.ProductInfo().GetDefaultPath(), host.Resources().ProgramFilesFolder() + u"QOVI\\");
}

TEST(ProductInfoQOVI, OffersAddonsOnlyInInteractiveRussianRuns) {
    const int32_t ui = ORV::Platform::UserDefaultUILanguage();
    if (ui == 2057 || ui == 1043 || ui == 1044) GTEST_SKIP() << "the interface language selects another file";
    TTestSetupHost host;
    TProductInfoQOVI& info = QoviInfo(host);
    EXPECT_FALSE(info.AddonsOffered());  // no language chosen yet
    host.Resources().InitializeLanguages();
    ASSERT_EQ(host.Resources().LanguageName(), u"Russian");
    EXPECT_TRUE(info.AddonsOffered());
    host.OptionsValue = {Auto};
    EXPECT_FALSE(info.AddonsOffered());
    host.OptionsValue = {Silent, RunPrograms};
    EXPECT_FALSE(info.AddonsOffered());
    host.OptionsValue = {Portable, Update, NoBackup};
    EXPECT_TRUE(info.AddonsOffered());
}
