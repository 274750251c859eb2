// Installers built by the project, started as a user would start them, under Wine.

#include "InstallerDriver.h"

#include <regex>

using namespace InstallerDriver;

TEST_F(DemoInstaller, ASilentInstallWritesTheLanguagesFilesTheUninstallerAndItsRecord) {
    const TOutcome outcome = Install();
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    EXPECT_EQ(outcome.ExitCode, 0u);

    EXPECT_EQ(FilesBelow(Dest.Path()),
              Sorted(With(kDemoEnglishFiles, {u"Elevator.log", u"QOVI.ini", u"Uninstall.dat", u"Uninstall.exe"})));
    EXPECT_EQ(TestSupport::ReadAll(Dest / "Uninstall.exe"), TestSupport::ReadAll(DemoUninstallerFile()));
    std::vector<uint8_t> mark;
    EXPECT_EQ(UninstallEntries(Dest.Path(), &mark), With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}));
    EXPECT_EQ(mark, (std::vector<uint8_t>{0xFF, 0xFE}));

    // The player's configuration: exactly the four [System] keys, in order, with a new GUID.
    ORV::TORVIniFile config;
    config.LoadFromFile((Dest / "QOVI.ini").u16string());
    EXPECT_EQ(std::regex_replace(ORV::Utf16ToUtf8(config.ReadSectionText(u"System")),
                                 std::regex(R"(ID=\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\})"), "ID={GUID}"),
              "ID={GUID}\r\nDefaultLang=English.lng\r\nUserMode=1\r\nVersion=5100\r\n");

    std::u16string installPath;
    ASSERT_TRUE(Setup::Core::TSetupAppRepo::FindInstallPath(u"QOVI", installPath));
    EXPECT_TRUE(ORV::Platform::SameTextLocale(installPath, DestFolder()));
    // In the view of a 32-bit program, whichever build wrote it.
    EXPECT_TRUE(ORV::Platform::SameTextLocale(InstallPathIn(KEY_WOW64_32KEY), DestFolder()));
}

// The same run registers the player through its own tool, with every switch but the question
// an automatic run cannot ask, and leaves links to the player that other programs read too.
TEST_F(DemoInstaller, ASilentInstallIntegratesThePlayerAndListsItForRemoval) {
    ASSERT_EQ(Install().ExitCode, 0u);
    EXPECT_EQ(TestSupport::ReadAll(Dest / "Elevator.log"), TestSupport::Bytes("/REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2\r\n"));

    const std::u16string player = DestFolder() + u"QOVI.exe";
    for (const std::filesystem::path& link : {DesktopLink(), StartMenuFolder() / "QOVI.lnk"}) {
        SCOPED_TRACE(link.string());
        ASSERT_TRUE(std::filesystem::exists(link));
        EXPECT_TRUE(ORV::Platform::SameTextLocale(LinkTargetByLnkinfo(link), player)) << ORV::Utf16ToUtf8(LinkTargetByLnkinfo(link));
    }

    // The list of installed programs and package managers read these.
    ORV::TScopedRegKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QOVI", 0,
                            KEY_READ | KEY_WOW64_32KEY, key.Receive()),
              ERROR_SUCCESS);
    const std::u16string quoted = u"\"" + DestFolder() + u"Uninstall.exe\"";
    EXPECT_EQ(ORV::ReadRegistryString(key.Get(), u"UninstallString"), quoted);
    EXPECT_EQ(ORV::ReadRegistryString(key.Get(), u"QuietUninstallString"), quoted + u" /AUTO /SILENT");
    EXPECT_EQ(ORV::ReadRegistryString(key.Get(), u"InstallLocation"), DestFolder());
    DWORD size = 0, bytes = sizeof size;
    ASSERT_EQ(RegQueryValueExW(key.Get(), L"EstimatedSize", nullptr, nullptr, reinterpret_cast<BYTE*>(&size), &bytes),
              ERROR_SUCCESS);
    uintmax_t installed = 0;
    for (const std::u16string& name : With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}))
        installed += std::filesystem::file_size(Dest.Path() / name);
    EXPECT_EQ(size, (installed + 1023) / 1024);
    EXPECT_NE(WineProgramList().find("QOVI"), std::string::npos) << WineProgramList();
}

// However the destination is written, the product's files, the uninstaller and its record go
// into one folder, the record's entries stay relative and the entry names that folder.
TEST_F(DemoInstaller, EveryWrittenFormOfTheDestinationInstallsIntoOneFolder) {
    std::u16string slashes = DestFolder(), doubled = DestFolder();
    std::replace(slashes.begin(), slashes.end(), u'\\', u'/');
    doubled.insert(doubled.find(u"qovi-test"), 1, u'\\');
    std::vector<std::u16string> ids;
    for (const std::u16string& written : {slashes, doubled}) {
        SCOPED_TRACE(ORV::Utf16ToUtf8(written));
        const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"/AUTO=\"" + written + u"\" /SILENT");
        EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
        EXPECT_EQ(outcome.ExitCode, 0u);
        EXPECT_EQ(FilesBelow(Dest.Path()),
                  Sorted(With(kDemoEnglishFiles, {u"Elevator.log", u"QOVI.ini", u"Uninstall.dat", u"Uninstall.exe"})));
        EXPECT_EQ(UninstallEntries(Dest.Path()), With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}));
        std::u16string installPath;
        ASSERT_TRUE(Setup::Core::TSetupAppRepo::FindInstallPath(u"QOVI", installPath));
        EXPECT_TRUE(ORV::Platform::SameTextLocale(installPath, DestFolder())) << ORV::Utf16ToUtf8(installPath);
        ORV::TORVIniFile config;
        config.LoadFromFile((Dest / "QOVI.ini").u16string());
        ids.push_back(config.ReadString(u"System", u"ID", u""));
        std::filesystem::remove_all(Dest.Path());
        std::filesystem::create_directory(Dest.Path());
    }
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_NE(ids[0], ids[1]);  // every installation gets an identifier of its own
}

// A destination that names no folder is refused before anything is written.
TEST_F(DemoInstaller, ADestinationThatNamesNoFolderIsRefused) {
    const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"/AUTO=\\\\server /SILENT");
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(outcome.Boxes[0].Text, u"\"\\\\server\" is not a valid destination folder");
    EXPECT_EQ(outcome.ExitCode, kExitFailure);
}

// A portable player lives in its folder alone: no entry, no registration, no shortcuts.
TEST_F(DemoInstaller, APortableInstallLeavesTheSystemAlone) {
    const TOutcome outcome = Install(u"/PORTABLE");
    EXPECT_EQ(outcome.ExitCode, 0u);
    EXPECT_EQ(UninstallEntries(Dest.Path()), With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}));
    std::u16string installPath;
    EXPECT_FALSE(Setup::Core::TSetupAppRepo::FindInstallPath(u"QOVI", installPath));
    EXPECT_FALSE(std::filesystem::exists(Dest / "Elevator.log"));
    EXPECT_FALSE(std::filesystem::exists(DesktopLink()));
    EXPECT_FALSE(std::filesystem::exists(StartMenuFolder()));
}

// The read-me is held open by another program, which lets nobody write, rename or delete it, so
// that neither the clean-up before the extraction nor the move aside to ".bak" can free its
// name: the installer asks, and each answer does what it says.
TEST_F(DemoInstaller, AFileInUseIsAskedAboutAndTheAnswerHolds) {
    const std::filesystem::path readme = Dest / "Readme.txt";
    const std::u16string target = DestFolder() + u"Readme.txt";
    const std::u16string question = u"The file \"" + target +
                                    u"\" is in use and cannot be replaced.\r\nClose the program that uses it and click "
                                    u"Retry, or click Ignore to skip the file.";
    ORV::TScopedKernelHandle holder;
    auto holdReadme = [&] {
        TestSupport::WriteAll(readme, TestSupport::Bytes("in use"));
        holder.Reset(CreateFileW(readme.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.IsValid());
    };
    const std::vector<uint8_t> newReadme = TestSupport::ReadAll(std::filesystem::path(QOVI_DEMO_README));

    // Retry, after the program let the file go: written.
    holdReadme();
    TOutcome outcome = Install({}, [&](const TBox& box) {
        EXPECT_EQ(box.Text, question);
        holder.Reset();
        return IDRETRY;
    });
    EXPECT_EQ(outcome.ExitCode, 0u);
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(TestSupport::ReadAll(readme), newReadme);
    // The clean-up before the extraction could not delete the file; the file written in its
    // place must not go at the next restart.
    EXPECT_LT(TestSupport::PendingDelete(TestSupport::PendingRenames(), target), 0);

    // Ignore: the file stays as it was, the run goes on, and the record still lists it.
    holdReadme();
    outcome = Install({}, [](const TBox&) { return IDIGNORE; });
    holder.Reset();
    EXPECT_EQ(outcome.ExitCode, 0u);
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(TestSupport::ReadAll(readme), TestSupport::Bytes("in use"));
    EXPECT_EQ(UninstallEntries(Dest.Path()), With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}));

    // Abort: the run ends with the file's error line.
    std::filesystem::remove(Dest / "Uninstall.dat");
    holdReadme();
    outcome = Install({}, [](const TBox& box) { return box.Text.rfind(u"The file", 0) == 0 ? IDABORT : IDOK; });
    holder.Reset();
    EXPECT_EQ(outcome.ExitCode, kExitCancelled);
    ASSERT_EQ(outcome.Boxes.size(), 2u);
    EXPECT_EQ(outcome.Boxes[1].Caption, u"Setup");
    EXPECT_EQ(outcome.Boxes[1].Text,
              target + u"\r\nSetup was cancelled because \"" + target + u"\" could not be written.\r\n");
    EXPECT_FALSE(std::filesystem::exists(Dest / "Uninstall.dat"));
}

// The installed uninstaller, started as the list of installed programs starts it, runs again
// from a folder of its own under TEMP, waits for that copy and ends with its exit code. Without
// /AUTO the copy shows the language dialog and the wizard; closing the wizard on its first page
// asks, and a confirmed close removes nothing.
TEST_F(DemoInstaller, TheInstalledUninstallerWaitsForItsCopyInTempAndPassesItsExitCode) {
    ASSERT_EQ(Install().ExitCode, 0u);
    std::vector<std::u16string> forms;
    const TOutcome outcome = Uninstall(u"", kPressOk, [&](HWND form) {
        forms.push_back(WindowText(form));
        // OK in the language dialog, then Escape on the wizard, which asks to close it.
        if (forms.size() == 1) {
            PostMessageW(form, WM_COMMAND, IDOK, 0);
        } else {
            Sleep(300 * Patience());
            PostMessageW(GetWindow(form, GW_CHILD), WM_KEYDOWN, VK_ESCAPE, 0);
        }
    });
    EXPECT_EQ(forms, (std::vector<std::u16string>{u"Select Language", u"QOVI Setup"}));
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(outcome.Boxes[0].Text, u"Do you want to stop Setup and close it?");
    EXPECT_EQ(outcome.ExitCode, kExitCancelled);
    EXPECT_TRUE(std::filesystem::exists(Dest / "QOVI.exe"));

    const std::u16string copy = outcome.Boxes[0].Program;
    const std::u16string folder = ORV::ExtractFilePath(copy);
    EXPECT_EQ(ORV::ExtractFileName(copy), u"Uninstall.exe");
    EXPECT_TRUE(Setup::Core::IsInsideTempFolder(folder)) << ORV::Utf16ToUtf8(folder);
    // The first process tidied up after the copy; the restart would have done it otherwise.
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder)));
    const auto renames = TestSupport::PendingRenames();
    EXPECT_GE(TestSupport::PendingDelete(renames, copy), 0);
    EXPECT_GE(TestSupport::PendingDelete(renames, folder + u"Uninstall.dat"), 0);
    EXPECT_EQ(UninstallEntries(Dest.Path()), With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}));
}

TEST(Installer, AFailingActionShowsItsErrorLineAndFails) {
    TTempDir dest;
    const TOutcome outcome = RunInstaller(Built(QOVI_FAILING_INSTALLER), u"/AUTO=" + Quoted(dest) + u" /SILENT /RUN");
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(outcome.Boxes[0].Caption, u"Setup");
    EXPECT_EQ(outcome.Boxes[0].Text, u"Cannot write \"demo.txt\"\r\n");  // the error list, one line each
    EXPECT_EQ(outcome.ExitCode, kExitFailure);
}

TEST(Installer, AnUpdateThatCannotBeMadeIsRefused) {
    TTempDir dest;
    TestSupport::WriteAll(dest / "QOVI.ini", TestSupport::Bytes("[System]\r\nVersion=5500\r\n"));
    const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"/AUTO=" + Quoted(dest) + u" /UPDATE /SILENT");
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(outcome.Boxes[0].Text, u"Cannot install update on v5.50");
    EXPECT_EQ(outcome.ExitCode, kExitFailure);
}

TEST(Installer, ABuildWithoutProductInformationIsMalformed) {
    const TOutcome outcome = RunInstaller(Built(QOVI_MALFORMED_INSTALLER), u"/AUTO /SILENT");
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(outcome.Boxes[0].Text, u"Setup is malformed");
    EXPECT_EQ(outcome.ExitCode, kExitFailure);
}
