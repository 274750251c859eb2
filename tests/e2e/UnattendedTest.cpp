// What package managers and deployment scripts rely on, through the real demo installer: the
// exit codes, the log, one setup at a time, runs that show no message box, and a full disk.

#include "InstallerDriver.h"

#include <gtest/gtest.h>

#include <string>

using namespace InstallerDriver;

namespace {

size_t CountOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string Utf8(const std::u16string& text) { return ORV::Utf16ToUtf8(text); }

// Holds File open as a program does that lets others read it and nothing else: it cannot be
// written, renamed or deleted while the holder lives.
ORV::TScopedKernelHandle HoldOpen(const std::filesystem::path& file) {
    return ORV::TScopedKernelHandle(
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

} // namespace

// The log of a silent install and of the uninstall through its copy in TEMP: the command line,
// the mode, every action, every file written and deleted, and each process's exit code. The
// relative name given to the uninstaller reaches its copy, which runs in another folder, as
// the same file.
TEST_F(DemoInstaller, TheLogTellsWhatTheRunDid) {
    const TTempDir logs;
    const std::filesystem::path log = logs / "install.log";
    ASSERT_EQ(Install(u"/LOG=\"" + log.u16string() + u"\"").ExitCode, 0u);
    const std::string installed = FileText(log);
    EXPECT_NE(installed.find("Command line: /AUTO="), std::string::npos) << installed;
    EXPECT_NE(installed.find("Mode: install; options: Auto Silent; destination: " + Utf8(DestFolder()) + "\r\n"),
              std::string::npos)
        << installed;
    for (const std::u16string& file : kDemoEnglishFiles)
        EXPECT_NE(installed.find("Written: " + Utf8(DestFolder() + file) + "\r\n"), std::string::npos) << Utf8(file);
    EXPECT_GE(CountOf(installed, "Action started: "), 5u);
    EXPECT_EQ(CountOf(installed, "Action started: "), CountOf(installed, "Action ended: "));
    EXPECT_TRUE(installed.ends_with("Exit code: 0\r\n")) << installed;

    // Relative to this program's folder, which the uninstaller inherits.
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    const std::filesystem::path relative = "uninstall-" + std::to_string(GetCurrentProcessId()) + ".log";
    const std::filesystem::path uninstallLog = std::filesystem::path(current) / relative;
    ASSERT_EQ(Uninstall(u"/AUTO /SILENT /LOG=" + relative.u16string()).ExitCode, 0u);
    const std::string removed = FileText(uninstallLog);
    std::filesystem::remove(uninstallLog);
    EXPECT_NE(removed.find("Starting the uninstaller's copy"), std::string::npos) << removed;
    EXPECT_NE(removed.find("Mode: uninstall; options: Auto"), std::string::npos) << removed;
    EXPECT_NE(removed.find("Deleted: " + Utf8(DestFolder()) + "Readme.txt\r\n"), std::string::npos) << removed;
    EXPECT_EQ(CountOf(removed, "] Exit code: 0\r\n"), 2u) << "the copy and the installed uninstaller";
}

// A run without message boxes asks nobody: the files-in-use question is answered with Abort,
// the error goes to the exit code and the log, and no box shows, with the wizard's progress or
// without.
TEST_F(DemoInstaller, WithoutMessageBoxesAFileInUseFailsTheRunWithoutAsking) {
    ASSERT_EQ(Install().ExitCode, 0u);
    const TTempDir logs;
    for (const char16_t* kind : {u" /SILENT", u""}) {
        SCOPED_TRACE(Utf8(kind));
        std::filesystem::remove(Dest / "Uninstall.dat");
        TestSupport::WriteAll(Dest / "Readme.txt", TestSupport::Bytes("in use"));
        const ORV::TScopedKernelHandle holder = HoldOpen(Dest / "Readme.txt");
        ASSERT_TRUE(holder.IsValid());
        const std::filesystem::path log = logs / "run.log";
        std::filesystem::remove(log);
        const TOutcome outcome = RunInstaller(
            DemoInstallerFile(), u"/AUTO=" + Quoted(Dest) + kind + u" /SUPPRESSMSGBOXES /LOG=\"" + log.u16string() + u"\"");
        EXPECT_TRUE(outcome.Boxes.empty()) << Utf8(outcome.Boxes.front().Text);
        EXPECT_EQ(outcome.ExitCode, kExitFailure);
        const std::string text = FileText(log);
        EXPECT_NE(text.find("Question: The file \"" + Utf8(DestFolder()) + "Readme.txt\" is in use"), std::string::npos)
            << text;
        EXPECT_NE(text.find("Answer: Abort (no message boxes)"), std::string::npos) << text;
        EXPECT_NE(text.find("Error: "), std::string::npos) << text;
        EXPECT_TRUE(text.ends_with("Exit code: 1603\r\n")) << text;
        EXPECT_FALSE(std::filesystem::exists(Dest / "Uninstall.dat"));
    }
}

// While one setup of the product runs (here waiting in its language dialog), another one does
// not start: it says so, or with /SUPPRESSMSGBOXES only exits, with 1618, and writes nothing.
TEST_F(DemoInstaller, ASecondSetupDoesNotStartBesideARunningOne) {
    struct TSecond {
        std::u16string Switches;
        size_t Boxes;
    };
    const TSecond seconds[] = {{u" /SILENT", 1}, {u" /SILENT /SUPPRESSMSGBOXES", 0}};
    std::vector<TOutcome> outcomes;
    const TOutcome first = RunInstaller(DemoInstallerFile(), u"", kPressOk, [&](HWND form) {
        if (WindowText(form) != u"Select Language") {
            // The wizard: closed again, nothing installed.
            Sleep(300 * Patience());
            PostMessageW(GetWindow(form, GW_CHILD), WM_KEYDOWN, VK_ESCAPE, 0);
            return;
        }
        for (const TSecond& second : seconds)
            outcomes.push_back(RunInstaller(DemoInstallerFile(), u"/AUTO=" + Quoted(Dest) + second.Switches));
        PostMessageW(form, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(first.ExitCode, kExitCancelled) << "the first one was closed by its user";
    ASSERT_EQ(outcomes.size(), 2u);
    for (size_t i = 0; i < outcomes.size(); ++i) {
        SCOPED_TRACE(Utf8(seconds[i].Switches));
        EXPECT_EQ(outcomes[i].ExitCode, kExitAlreadyRunning);
        ASSERT_EQ(outcomes[i].Boxes.size(), seconds[i].Boxes);
        if (seconds[i].Boxes) {
            EXPECT_EQ(outcomes[i].Boxes[0].Text,
                      u"Another setup or uninstaller of QOVI is running. Wait until it has ended, then try again.");
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(Dest.Path()));
    // Once the first has ended, the next one runs.
    EXPECT_EQ(Install().ExitCode, 0u);
}

// An uninstall that must leave a file in use for the next restart succeeds with 3010: the file
// is scheduled for deletion where it is.
TEST_F(DemoInstaller, AFileLeftForTheNextRestartEndsTheRunWith3010) {
    ASSERT_EQ(Install().ExitCode, 0u);
    const std::u16string readme = DestFolder() + u"Readme.txt";
    TOutcome outcome;
    {
        const ORV::TScopedKernelHandle holder = HoldOpen(Dest / "Readme.txt");
        ASSERT_TRUE(holder.IsValid());
        outcome = Uninstall();
    }
    EXPECT_TRUE(outcome.Boxes.empty()) << Utf8(outcome.Boxes.front().Text);
    EXPECT_EQ(outcome.ExitCode, kExitRestartNeeded);
    EXPECT_FALSE(std::filesystem::exists(Dest / "QOVI.exe"));
    EXPECT_GE(TestSupport::PendingDelete(TestSupport::PendingRenames(), readme), 0);
}

namespace {

// A small RAM disk of the Linux side, seen by Wine as the drive Q:, for as long as the object
// lives. Needs the rights to mount; Available says whether it could be made.
class TSmallDrive {
public:
    explicit TSmallDrive(const std::string& size) {
        const std::string drives = UnixPath(L"C:\\") + "/../dosdevices";
        FMountPoint = "/tmp/qovi-small-drive-" + std::to_string(GetCurrentProcessId());
        RunLinuxCommand("mkdir -p '" + FMountPoint + "' && mount -t tmpfs -o size=" + size + " tmpfs '" + FMountPoint +
                        "' && ln -sfn '" + FMountPoint + "' '" + drives + "/q:'");
        FLink = drives + "/q:";
        Available = GetFileAttributesW(L"Q:\\") != INVALID_FILE_ATTRIBUTES;
    }
    ~TSmallDrive() {
        RunLinuxCommand("rm -f '" + FLink + "'; umount -l '" + FMountPoint + "'; rmdir '" + FMountPoint + "'");
    }
    TSmallDrive(const TSmallDrive&) = delete;
    TSmallDrive& operator=(const TSmallDrive&) = delete;

    bool Available = false;

private:
    std::string FMountPoint, FLink;
};

// Fills the free space of Folder's volume up to about Leave bytes.
void FillUpTo(const std::filesystem::path& folder, uint64_t leave) {
    ULARGE_INTEGER free{};
    GetDiskFreeSpaceExW(folder.c_str(), &free, nullptr, nullptr);
    if (free.QuadPart <= leave) return;
    TestSupport::WriteAll(folder / "filler.bin", std::vector<uint8_t>(static_cast<size_t>(free.QuadPart - leave)));
}

} // namespace

// A full disk: the install fails with 112 and the system's own words, a later install into a
// roomier folder succeeds, and an update whose backup does not fit deletes nothing.
TEST_F(DemoInstaller, AFullDiskEndsTheRunWith112AndAClearMessage) {
    {
        const TSmallDrive drive("512k");
        if (!drive.Available) GTEST_SKIP() << "no RAM disk: mounting needs root";
        const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"/AUTO=Q:\\QOVI\\ /SILENT");
        EXPECT_EQ(outcome.ExitCode, kExitDiskFull);
        ASSERT_EQ(outcome.Boxes.size(), 1u);
        EXPECT_NE(outcome.Boxes[0].Text.find(u"Cannot write to file"), std::u16string::npos) << Utf8(outcome.Boxes[0].Text);
        EXPECT_NE(outcome.Boxes[0].Text.find(ORV::Platform::SystemErrorMessage(ERROR_DISK_FULL)), std::u16string::npos)
            << Utf8(outcome.Boxes[0].Text);
    }
    ASSERT_EQ(Install().ExitCode, 0u) << "the next install, into a roomier folder";

    const TSmallDrive drive("8m");
    ASSERT_TRUE(drive.Available);
    ASSERT_EQ(RunInstaller(DemoInstallerFile(), u"/AUTO=Q:\\QOVI\\ /SILENT").ExitCode, 0u);
    const std::vector<std::u16string> before = UninstallEntries(std::filesystem::path(L"Q:\\QOVI"));
    FillUpTo(L"Q:\\", 16 * 1024);
    const TTempDir logs;
    const TOutcome update = RunInstaller(DemoInstallerFile(), u"/AUTO=Q:\\QOVI\\ /SILENT /SUPPRESSMSGBOXES /LOG=\"" +
                                                                  (logs / "update.log").u16string() + u"\"");
    EXPECT_EQ(update.ExitCode, kExitDiskFull) << FileText(logs / "update.log");
    EXPECT_TRUE(update.Boxes.empty());
    for (const std::u16string& file : before)
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(L"Q:\\QOVI") / file)) << Utf8(file) << " was deleted";
}

namespace {

// Whether the executable File carries the resource Name of type RCDATA.
bool CarriesResource(const std::u16string& file, const wchar_t* name) {
    const HMODULE module = LoadLibraryExW(ORV::W(file), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return false;
    const bool found = FindResourceW(module, name, MAKEINTRESOURCEW(10)) != nullptr;  // RT_RCDATA
    FreeLibrary(module);
    return found;
}

} // namespace

// The installed uninstaller is the setup program with the setup package and without the
// product, smaller than the installer, and it still removes the player.
TEST_F(DemoInstaller, TheInstalledUninstallerIsTheSmallOneBuiltForIt) {
    ASSERT_EQ(Install().ExitCode, 0u);
    const std::u16string installed = DestFolder() + u"Uninstall.exe";
    EXPECT_TRUE(CarriesResource(installed, L"SETUP"));
    EXPECT_FALSE(CarriesResource(installed, L"PRODUCT"));
    EXPECT_TRUE(CarriesResource(DemoInstallerFile(), L"PRODUCT"));
    EXPECT_LT(std::filesystem::file_size(installed), std::filesystem::file_size(DemoInstallerFile()));
    EXPECT_EQ(Uninstall().ExitCode, 0u);
    EXPECT_FALSE(std::filesystem::exists(Dest / "QOVI.exe"));
}

// A build signed as it is made: the installer's signature holds, and so does the signature of
// the uninstaller it carried and wrote into the installation.
TEST_F(DemoInstaller, ASignedBuildKeepsBothSignatures) {
    const std::u16string installer = Built(QOVI_SIGNED_INSTALLER);
    ASSERT_EQ(RunInstaller(installer, u"/AUTO=" + Quoted(Dest) + u" /SILENT").ExitCode, 0u);
    const std::string certificate = UnixPath(TestSupport::BuiltFile(QOVI_TEST_CERTIFICATE));
    for (const std::u16string& file : {installer, DestFolder() + u"Uninstall.exe"}) {
        const std::string verified =
            RunLinuxCommand("osslsigncode verify -CAfile '" + certificate + "' -in '" + UnixPath(file) + "'");
        EXPECT_NE(verified.find("Signature verification: ok"), std::string::npos) << Utf8(file) << "\n" << verified;
    }
    EXPECT_EQ(Uninstall().ExitCode, 0u) << "the signed uninstaller removes the player";
}

// An installer killed in the middle of writing the files (here while it asks about the last
// one, which another program holds) and then run again: the second run completes the
// installation, every file of its record there with the content of the package.
TEST_F(DemoInstaller, AnInstallerKilledDuringTheExtractionIsCompletedByTheNextRun) {
    std::filesystem::create_directories(Dest / "Skins");
    TestSupport::WriteAll(Dest / "Skins" / "Default.skin", TestSupport::Bytes("held"));
    {
        const ORV::TScopedKernelHandle holder = HoldOpen(Dest / "Skins" / "Default.skin");
        ASSERT_TRUE(holder.IsValid());
        std::u16string line = u"\"" + DemoInstallerFile() + u"\" /AUTO=" + Quoted(Dest) + u" /SILENT";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(nullptr, ORV::W(line.data()), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process));
        CloseHandle(process.hThread);
        HWND question = nullptr;
        for (int slice = 0; slice < 600 * Patience() && !question; ++slice) {
            question = FindDialogOf(process.dwProcessId);
            if (!question) Sleep(50);
        }
        EXPECT_NE(question, nullptr) << "the installer did not reach the held file";
        TerminateProcess(process.hProcess, 9);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hProcess);
    }
    EXPECT_TRUE(std::filesystem::exists(Dest / "QOVI.exe")) << "killed before it wrote anything";
    EXPECT_FALSE(std::filesystem::exists(Dest / "Uninstall.dat")) << "killed after its end";

    const TOutcome outcome = Install();
    EXPECT_TRUE(outcome.Boxes.empty()) << Utf8(outcome.Boxes.front().Text);
    ASSERT_EQ(outcome.ExitCode, 0u);
    ASSERT_EQ(UninstallEntries(Dest.Path()), With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}));
    for (const std::u16string& file : kDemoEnglishFiles) EXPECT_TRUE(std::filesystem::exists(Dest.Path() / file)) << Utf8(file);
    EXPECT_EQ(TestSupport::ReadAll(Dest / "Readme.txt"), TestSupport::ReadAll(std::filesystem::path(QOVI_DEMO_README)));
    EXPECT_EQ(TestSupport::ReadAll(Dest / "QOVI.exe"), TestSupport::ReadAll(TestSupport::BuiltFile(QOVI_DEMO_PLAYER)));
    EXPECT_NE(TestSupport::ReadAll(Dest / "Skins" / "Default.skin"), TestSupport::Bytes("held"));
    EXPECT_EQ(TestSupport::ReadAll(Dest / "Uninstall.exe"), TestSupport::ReadAll(DemoUninstallerFile()));
}
