// The uninstaller's run through the real controller and worker: a record package beside a
// stand-in "Uninstall.exe" makes the controller an uninstaller, and the player's action list
// removes a real installation folder.

#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.AppRepo.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Package.h"
#include "Setup.Core.Resources.h"
#include "Setup.Product.QOVI.Shortcuts.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using namespace Setup::Core;
using TestSupport::Bytes;
using TestSupport::ReadAll;
using TestSupport::TTempDir;
namespace fs = std::filesystem;

namespace {

// Runs the uninstaller on Dest with Record as its "Uninstall.ini" and Settings in its store;
// returns the run's error lines.
std::u16string Uninstall(const std::u16string& dest, const std::string& record,
                         const std::vector<std::pair<const char16_t*, bool>>& settings = {}) {
    const TTempDir program;
    TSetupPackageBuilder data;
    ORV::TMemoryStream text = TestSupport::MemoryStreamOf(Bytes(record));
    data.AddFile(text, u"Uninstall.ini");
    data.SaveToFile(program.File("Uninstall.dat"), 1);
    TSetup setup(u"/AUTO /SILENT", program.File("Uninstall.exe"));
    EXPECT_EQ(setup.Mode(), smUninstall);
    setup.SetDestPath(dest);
    for (const auto& [key, value] : settings) setup.Settings().WriteBool(u"Common", key, value);
    setup.StartWorker(true);
    return setup.Errors().Text();
}

// Every file and folder below Folder, relative, folders with a trailing backslash, sorted. A
// link to a folder is listed as "<name> (link)" and not entered. Windows removes such a link
// with the folder that holds it; Wine cannot remove a link of the Linux side on its own, so
// WithoutLinks drops what is left of links there.
std::vector<std::string> Below(const fs::path& folder) {
    std::vector<std::string> names;
    if (!fs::exists(folder)) return {"(gone)"};
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        std::string name = fs::relative(it->path(), folder).string();
        std::replace(name.begin(), name.end(), '/', '\\');
        const DWORD attributes = GetFileAttributesW(it->path().c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            names.push_back(name + " (link)");
            it.disable_recursion_pending();
        } else {
            names.push_back(it->is_directory() ? name + "\\" : name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> WithoutLinks(std::vector<std::string> names) {
    std::erase_if(names, [](const std::string& name) { return name.ends_with(" (link)"); });
    if (names.empty()) names.push_back("(gone)");
    return names;
}

fs::path ShellFolder(int csidl) { return fs::path(ShellFolderPath(csidl)); }

class UninstallActions : public ::testing::Test {
protected:
    void SetUp() override { TSetupAppRepo::Unregister(u"QOVI"); }
    void TearDown() override {
        TSetupAppRepo::Unregister(u"QOVI");
        std::error_code ignored;
        fs::remove_all(ShellFolder(CSIDL_APPDATA) / "QOVI", ignored);
    }
};

} // namespace

// An installation with recorded files, a user's file, a portable profile, backups and a link
// to a folder outside, removed with each choice of the options page.
TEST_F(UninstallActions, TheChoicesDecideWhatGoesBesideTheRecordedFiles) {
    const struct {
        const char* What;
        std::vector<std::pair<const char16_t*, bool>> Settings;
        std::vector<std::string> Left;
    } cases[] = {
        {"an automatic run: the backups go",
         {},
         {"Linked (link)", "Plugins\\", "Plugins\\Mine\\", "Plugins\\Mine\\keep.txt", "Profile\\", "Profile\\p.ini",
          "QOVI.ini"}},
        {"neither",
         {{u"RemoveBackups", false}, {u"RemoveContent", false}},
         {"!Backup\\", "!Backup\\old.zip", "Linked (link)", "Plugins\\", "Plugins\\Mine\\", "Plugins\\Mine\\keep.txt",
          "Profile\\", "Profile\\p.ini", "QOVI.ini"}},
        {"the content: the portable profile goes, the backups stay",
         {{u"RemoveBackups", false}, {u"RemoveContent", true}},
         {"!Backup\\", "!Backup\\old.zip", "Linked (link)", "Plugins\\", "Plugins\\Mine\\", "Plugins\\Mine\\keep.txt",
          "QOVI.ini"}},
        {"both: the whole folder goes", {{u"RemoveBackups", true}, {u"RemoveContent", true}}, {"(gone)"}},
    };
    const fs::path profile = ShellFolder(CSIDL_APPDATA) / "QOVI";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const TTempDir root;
        const fs::path dest = root / "QOVI";
        TestSupport::WriteText(dest / "QOVI.exe", "player");
        TestSupport::WriteText(dest / "Plugins" / "a.dll", "plug-in");
        TestSupport::WriteText(dest / "Plugins" / "Mine" / "keep.txt", "the user's");
        fs::create_directories(dest / "Empty" / "Deeper");
        TestSupport::WriteText(dest / "!Backup" / "old.zip", "backup");
        TestSupport::WriteText(dest / "Profile" / "p.ini", "portable profile");
        TestSupport::WriteText(dest / "QOVI.ini", "[System]\r\nUserMode=1\r\nVersion=5100\r\n");
        TestSupport::WriteText(root / "outside" / "keep.txt", "not the player's");
        TestSupport::WriteText(root / "victim.txt", "beside the installation");
        TestSupport::WriteText(profile / "QOVI.ini", "the user's profile");
        ASSERT_TRUE(TestSupport::MakeFolderLink(dest / "Linked", root / "outside"));

        EXPECT_EQ(Uninstall(dest.u16string(),
                            "[Uninstall]\r\nCount=5\r\n0=QOVI.exe\r\n1=Plugins\\a.dll\r\n2=..\\victim.txt\r\n"
                            "3=QOVI.EXE\r\n4=Linked\\keep.txt\r\n",
                            c.Settings),
                  u"");
        EXPECT_EQ(WithoutLinks(Below(dest)), WithoutLinks(c.Left));
        if (c.Left.size() > 1) {
            EXPECT_TRUE(fs::exists(dest / "Linked")) << "a link is the user's";
        }
        EXPECT_EQ(ReadAll(root / "outside" / "keep.txt"), Bytes("not the player's"));
        EXPECT_EQ(ReadAll(root / "victim.txt"), Bytes("beside the installation"));
        // The users' profiles go with the content of an installation for all users.
        const bool content = c.Settings.size() == 2 && c.Settings[1].second;
        EXPECT_EQ(fs::exists(profile / "QOVI.ini"), !content);
    }
}

// A recorded full path outside the installation is deleted only for an installation in Program
// Files, whose record only administrators can have written.
TEST_F(UninstallActions, ARecordedPathOutsideIsTakenOnlyFromAnAdministratorsFolder) {
    const fs::path programFiles(ShellFolderPath(CSIDL_PROGRAM_FILES));
    const std::string tag = "qovi-" + std::to_string(std::random_device()());
    for (const bool inProgramFiles : {false, true}) {
        SCOPED_TRACE(inProgramFiles ? "in Program Files" : "in a folder of the user's");
        const TTempDir temp;
        const fs::path dest = inProgramFiles ? programFiles / tag : temp / "QOVI";
        const fs::path outside = temp / "elsewhere.txt";
        TestSupport::WriteText(dest / "QOVI.exe", "player");
        TestSupport::WriteText(outside, "recorded by its full path");
        EXPECT_EQ(Uninstall(dest.u16string(), "[Uninstall]\r\nCount=2\r\n0=QOVI.exe\r\n1=" + outside.string() + "\r\n"),
                  u"");
        EXPECT_FALSE(fs::exists(dest / "QOVI.exe"));
        EXPECT_EQ(fs::exists(outside), !inProgramFiles);
        std::error_code ignored;
        fs::remove_all(dest, ignored);
    }
}

// Installed at the root of a drive, the uninstaller takes what the record names and the folders
// that held only that; nothing else of the drive, whatever the options say.
TEST_F(UninstallActions, AnInstallationAtADriveRootTakesOnlyItsRecordedFiles) {
    const std::string tag = "qovi-root-" + std::to_string(std::random_device()());
    const fs::path root("C:\\");
    TestSupport::WriteText(root / (tag + ".txt"), "recorded");
    TestSupport::WriteText(root / (tag + "-sub") / "deeper" / "f.txt", "recorded");
    fs::create_directories(root / (tag + "-empty"));
    TestSupport::WriteText(root / (tag + "-keep.txt"), "not recorded");
    // A portable copy there: its profile goes with the content.
    TestSupport::WriteText(root / "QOVI.ini", "[System]\r\nUserMode=0\r\nVersion=5100\r\n");
    TestSupport::WriteText(root / "Profile" / "p.ini", "portable profile");

    EXPECT_EQ(Uninstall(u"C:\\", "[Uninstall]\r\nCount=4\r\n0=" + tag + ".txt\r\n1=" + tag + "-sub\\deeper\\f.txt\r\n2=..\\" +
                                     tag + "-keep.txt\r\n3=QOVI.ini\r\n",
                        {{u"RemoveBackups", true}, {u"RemoveContent", true}}),
              u"");
    EXPECT_FALSE(fs::exists(root / (tag + ".txt")));
    EXPECT_FALSE(fs::exists(root / (tag + "-sub")));
    EXPECT_TRUE(fs::exists(root / (tag + "-empty")));
    EXPECT_TRUE(fs::exists(root / (tag + "-keep.txt")));
    EXPECT_FALSE(fs::exists(root / "Profile"));
    EXPECT_FALSE(fs::exists(root / "QOVI.ini"));
    EXPECT_TRUE(fs::exists(fs::path(ShellFolderPath(CSIDL_WINDOWS)) / "system32"));
    std::error_code ignored;
    fs::remove_all(root / (tag + "-empty"), ignored);
    fs::remove(root / (tag + "-keep.txt"), ignored);
}

// The integration goes only where it belongs to the installation being removed: its own
// shortcuts, entry and registrations. A record without entries still removes them, and the
// empty folders; another copy's shortcuts and entry stay, and a portable copy runs no
// unregistration at all.
TEST_F(UninstallActions, OnlyTheIntegrationOfThisInstallationIsRemoved) {
    const ORV::TComInitialization com;
    const TTempDir other;
    TestSupport::WriteText(other / "QOVI.exe", "another copy of the player");
    const fs::path desktopLink = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) / "QOVI.lnk";
    const fs::path userDesktopLink = ShellFolder(CSIDL_DESKTOPDIRECTORY) / "QOVI.lnk";
    const fs::path startMenu = ShellFolder(CSIDL_COMMON_PROGRAMS) / "QOVI";
    const auto link = [](const fs::path& at, const fs::path& target) {
        fs::create_directories(at.parent_path());
        Setup::Product::QOVI::TSetupActionShortcuts::UpdateLink(at.u16string(), target.u16string());
        ASSERT_TRUE(fs::exists(at));
    };
    for (const bool portable : {false, true}) {
        SCOPED_TRACE(portable ? "a portable copy" : "an installation for all users");
        const TTempDir dest;
        fs::create_directories(dest / "Empty" / "Deeper");
        TestSupport::WriteText(dest / "Kept" / "mine.txt", "the user's");
        TestSupport::WriteText(dest / "QOVI.exe", "player");
        TestSupport::WriteText(dest / "QOVI.ini", portable ? "[System]\r\nUserMode=0\r\n" : "[System]\r\nUserMode=1\r\n");
        fs::create_directories(dest / "System");
        fs::copy_file(QOVI_DEMO_MENU, dest / "System" / "qovi_menu32.dll");
        fs::copy_file(QOVI_DEMO_ELEVATOR, dest / "Elevator.exe");
        link(desktopLink, dest / "QOVI.exe");
        link(startMenu / "QOVI.lnk", dest / "QOVI.exe");
        link(startMenu / "Tools" / "QOVI.lnk", dest / "QOVI.exe");
        link(startMenu / "Other.lnk", other / "QOVI.exe");
        link(userDesktopLink, other / "QOVI.exe");
        TSetupAppRepo::Register(u"QOVI", (portable ? other.Folder() : dest.Folder()) + u"Uninstall.exe", u"", u"", u"5.10");

        EXPECT_EQ(Uninstall(dest.Folder(), "[Uninstall]\r\nCount=0\r\n"), u"");
        std::vector<std::string> left{"Elevator.exe", "Kept\\", "Kept\\mine.txt", "QOVI.exe", "QOVI.ini",
                                      "System\\", "System\\qovi_menu32.log"};
        if (!portable) left.insert(left.begin() + 1, "Elevator.log");
        EXPECT_EQ(Below(dest.Path()), left);
        EXPECT_EQ(ReadAll(dest / "System" / "qovi_menu32.log"), Bytes("DllUnregisterServer\r\n"));
        if (!portable) {
            EXPECT_EQ(ReadAll(dest / "Elevator.log"), Bytes("/REG=U\r\n"));
        }
        EXPECT_FALSE(fs::exists(desktopLink));
        EXPECT_EQ(Below(startMenu), std::vector<std::string>{"Other.lnk"});
        EXPECT_TRUE(fs::exists(userDesktopLink)) << "another copy's shortcut";
        std::u16string path;
        EXPECT_EQ(TSetupAppRepo::FindInstallPath(u"QOVI", path), portable) << "another copy's entry";
    }
    std::error_code ignored;
    fs::remove_all(startMenu, ignored);
    fs::remove(userDesktopLink, ignored);
}
