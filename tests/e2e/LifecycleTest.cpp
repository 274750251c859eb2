// The demo player's whole life under Wine: installed with the player running, installed again
// over itself, and removed by its uninstaller as a package manager would remove it.

#include "InstallerDriver.h"

using namespace InstallerDriver;
using TestSupport::Bytes;
using TestSupport::ReadAll;

namespace {

std::string Text(const std::filesystem::path& file) {
    const std::vector<uint8_t> bytes = ReadAll(file);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST_F(DemoInstaller, ARunningPlayerIsClosedBeforeTheInstallationIsTouched) {
    ASSERT_EQ(Install().ExitCode, 0u);
    const ORV::TScopedKernelHandle player = StartPlayer(DestFolder() + u"QOVI.exe");
    ASSERT_TRUE(player.IsValid()) << "the player did not come up";

    const TOutcome outcome = Install();
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    EXPECT_EQ(outcome.ExitCode, 0u);
    EXPECT_EQ(WaitForSingleObject(player.Get(), 0), WAIT_OBJECT_0) << "the player still runs";
}

// A player that will not close stops an install before it extracts anything, and an uninstall
// before it removes anything; the bound keeps either from waiting for ever.
TEST_F(DemoInstaller, APlayerThatWillNotCloseStopsTheRunBeforeAnyFileIsTouched) {
    ASSERT_EQ(Install().ExitCode, 0u);
    const std::u16string stubborn = Built(QOVI_DEMO_PLAYER);
    const ORV::TScopedKernelHandle player = StartPlayer(stubborn, u"/STUBBORN");
    ASSERT_TRUE(player.IsValid()) << "the player did not come up";
    const std::u16string message =
        u"\"" + stubborn + u"\" is still running and does not close. Close it, then run the setup again.\r\n";

    const TestSupport::TTempDir fresh{std::filesystem::path(L"C:\\")};
    const ULONGLONG start = GetTickCount64();
    TOutcome outcome = RunInstaller(DemoInstallerFile(), u"/AUTO=" + Quoted(fresh) + u" /SILENT");
    const ULONGLONG elapsed = GetTickCount64() - start;
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_TRUE(ORV::Platform::SameTextLocale(outcome.Boxes[0].Text, message)) << ORV::Utf16ToUtf8(outcome.Boxes[0].Text);
    EXPECT_EQ(outcome.ExitCode, kExitFailure);
    EXPECT_TRUE(std::filesystem::is_empty(fresh.Path()));
    EXPECT_LT(elapsed, 90000u * Patience());

    outcome = Uninstall();
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_TRUE(ORV::Platform::SameTextLocale(outcome.Boxes[0].Text, message)) << ORV::Utf16ToUtf8(outcome.Boxes[0].Text);
    EXPECT_EQ(outcome.ExitCode, kExitFailure) << "the installed uninstaller passes on its copy's failure";
    EXPECT_EQ(UninstallEntries(Dest.Path()), With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}));
    EXPECT_TRUE(std::filesystem::exists(DesktopLink()));
    EXPECT_EQ(Text(Dest / "Elevator.log").find("/REG=U"), std::string::npos);

    TerminateProcess(player.Get(), 0);
    WaitForSingleObject(player.Get(), 10000);
}

// Install, install again over it, remove: what was installed goes, with its shortcuts, shell
// menu, registrations and entry; the user's own files and the folders holding them stay.
TEST_F(DemoInstaller, AnInstallationIsRemovedWithEverythingItAddedAndNothingElse) {
    ASSERT_EQ(Install().ExitCode, 0u);
    const TOutcome again = Install();
    ASSERT_EQ(again.ExitCode, 0u);
    ASSERT_TRUE(std::filesystem::exists(Dest / "!Backup"));
    // Added after the update, which would have backed it up and cleared it away.
    std::filesystem::create_directories(Dest / "Plugins" / "Mine");
    TestSupport::WriteAll(Dest / "Plugins" / "Mine" / "keep.txt", Bytes("the user's"));
    EXPECT_NE(WineProgramList().find("QOVI"), std::string::npos);

    const TOutcome outcome = Uninstall();
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    EXPECT_EQ(outcome.ExitCode, 0u);
    // The uninstaller ended only after its copy had done the work.
    EXPECT_EQ(FilesBelow(Dest.Path()), (std::vector<std::u16string>{u"Elevator.log", u"Plugins\\Mine\\keep.txt", u"QOVI.ini",
                                                                     u"System\\qovi_menu32.log"}));
    EXPECT_FALSE(std::filesystem::exists(Dest / "!Backup")) << "an automatic uninstall removes the backups";
    EXPECT_TRUE(Text(Dest / "Elevator.log").ends_with("/REG=U\r\n")) << Text(Dest / "Elevator.log");
    EXPECT_NE(Text(Dest / "System" / "qovi_menu32.log").find("DllUnregisterServer"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(DesktopLink()));
    EXPECT_FALSE(std::filesystem::exists(StartMenuFolder()));
    std::u16string installPath;
    EXPECT_FALSE(Setup::Core::TSetupAppRepo::FindInstallPath(u"QOVI", installPath));
    EXPECT_EQ(WineProgramList().find("QOVI"), std::string::npos) << WineProgramList();
}

// Whatever /PATH= names, the uninstaller removes only the installation it belongs to.
TEST_F(DemoInstaller, AnUninstallerNeverWorksOnAFolderThatDoesNotHoldItsInstallation) {
    ASSERT_EQ(Install().ExitCode, 0u);
    const TestSupport::TTempDir other{std::filesystem::path(L"C:\\")};
    TestSupport::WriteAll(other / "QOVI.exe", Bytes("someone else's"));
    TestSupport::WriteAll(other / "Uninstall.dat", Bytes("not this installation's record"));
    const std::u16string folder = other.Folder();

    const TOutcome outcome = Uninstall(u"/PATH=\"" + folder + u"\" /AUTO /SILENT");
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(outcome.Boxes[0].Text, u"\"" + folder + u"\" does not hold the installation that this uninstaller removes");
    EXPECT_EQ(outcome.ExitCode, kExitFailure);
    EXPECT_EQ(ReadAll(other / "QOVI.exe"), Bytes("someone else's"));
    EXPECT_EQ(UninstallEntries(Dest.Path()), With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}));
}
