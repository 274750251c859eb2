// Installers built by the project, started as a user would start them, under Wine.

#include "ORV.FileFormats.INI.h"
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.AppRepo.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Package.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using TestSupport::TTempDir;

namespace {

struct TBox {
    std::u16string Caption;
    std::u16string Text;
};

// The button a test presses on a box it has read.
using TBoxAnswer = std::function<int(const TBox& box)>;
const TBoxAnswer kPressOk = [](const TBox&) { return IDOK; };

// How many times longer than usual the test waits for the installer's processes: more where
// they run emulated (QOVI_TEST_PATIENCE, set by the 32-bit smoke stage).
int Patience() {
    static const int patience = [] {
        const char* value = std::getenv("QOVI_TEST_PATIENCE");
        const int factor = value ? std::atoi(value) : 1;
        return factor > 0 ? factor : 1;
    }();
    return patience;
}

struct TOutcome {
    DWORD ExitCode = STILL_ACTIVE;
    std::vector<TBox> Boxes;  // every box the process showed, in order
};

// The visible dialog boxes (message boxes) on the screen, with the processes that show them.
struct TDialog {
    HWND Window;
    DWORD ProcessId;
};

BOOL CALLBACK CollectDialogProc(HWND window, LPARAM param) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (std::wstring(className) == L"#32770" && IsWindowVisible(window)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        reinterpret_cast<std::vector<TDialog>*>(param)->push_back({window, owner});
    }
    return TRUE;
}

std::vector<TDialog> Dialogs() {
    std::vector<TDialog> dialogs;
    EnumWindows(&CollectDialogProc, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

HWND FindDialogOf(DWORD processId) {
    for (const TDialog& dialog : Dialogs())
        if (dialog.ProcessId == processId) return dialog.Window;
    return nullptr;
}

std::u16string WindowText(HWND window) {
    wchar_t text[4096] = {};
    GetWindowTextW(window, text, 4096);
    return ORV::FromW(text);
}

TBox ReadBox(HWND box) { return {WindowText(box), WindowText(GetDlgItem(box, 0xFFFF))}; }

bool WaitUntilGone(HWND box) {
    for (int slice = 0; slice < 100; ++slice) {
        if (!IsWindow(box) || !IsWindowVisible(box)) return true;
        Sleep(50);
    }
    return false;
}

// Presses the button as a user would, and waits for the box to go. A button of a box that is
// not the active window may ignore the click; the button's own notification still counts.
void Press(HWND box, int button) {
    HWND control = GetDlgItem(box, button);
    if (!control) {
        ADD_FAILURE() << "the box has no button " << button;
        return;
    }
    PostMessageW(control, BM_CLICK, 0, 0);
    if (WaitUntilGone(box)) return;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    WaitUntilGone(box);
}

// Starts Program with Parameters and waits for it to end. Every box it shows is read and
// answered with the button that Answer chooses.
TOutcome RunInstaller(const std::u16string& program, const std::u16string& parameters,
                      const TBoxAnswer& answer = kPressOk) {
    // Appended piece by piece: GCC 12 warns falsely about "literal" + string here.
    std::u16string commandLine(1, u'"');
    commandLine.append(program).append(u"\" ").append(parameters);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    TOutcome outcome;
    if (!CreateProcessW(ORV::W(program), reinterpret_cast<wchar_t*>(commandLine.data()), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start " << ORV::Utf16ToUtf8(program) << ": " << GetLastError();
        return outcome;
    }
    for (int slice = 0; slice < 1200 * Patience(); ++slice) {  // two minutes at most, as a rule
        if (WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
        if (HWND box = FindDialogOf(process.dwProcessId)) {
            outcome.Boxes.push_back(ReadBox(box));
            Press(box, answer(outcome.Boxes.back()));
        }
    }
    if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        ADD_FAILURE() << "the installer did not end";
    }
    GetExitCodeProcess(process.hProcess, &outcome.ExitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return outcome;
}

std::u16string ImageOf(DWORD processId) {
    const ORV::TScopedKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (!process || !QueryFullProcessImageNameW(process.Get(), 0, path, &length)) return {};
    return ORV::FromW(path, length);
}

std::u16string Built(const char* path) { return TestSupport::BuiltFile(path).u16string(); }

// The demo installer under test: this build's, or the one QOVI_TEST_DEMO_INSTALLER names (the
// 32-bit smoke stage drives the shipped 32-bit installer from this 64-bit test).
std::u16string DemoInstallerFile() {
    const char* other = std::getenv("QOVI_TEST_DEMO_INSTALLER");
    return Built(other && *other ? other : QOVI_DEMO_INSTALLER);
}

// The "InstallPath" of the player's uninstall entry in one registry view, or "(no entry)".
std::u16string InstallPathIn(REGSAM view) {
    ORV::TScopedRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QOVI", 0,
                      KEY_READ | view, key.Receive()) != ERROR_SUCCESS)
        return u"(no entry)";
    return ORV::ReadRegistryString(key.Get(), u"InstallPath");
}

std::u16string Quoted(const TTempDir& temp) {
    std::u16string quoted(1, u'"');
    return quoted.append(temp.Path().u16string()).append(u"\\\"");
}

// Every file below Folder, as paths relative to it with backslashes, sorted.
std::vector<std::u16string> FilesBelow(const std::filesystem::path& folder) {
    std::vector<std::u16string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::u16string name = std::filesystem::relative(entry.path(), folder).u16string();
        std::replace(name.begin(), name.end(), u'/', u'\\');
        files.push_back(name);
    }
    std::sort(files.begin(), files.end());
    return files;
}

// [Uninstall] of the record in an installation's "Uninstall.dat", entry by entry, and the
// record's first two bytes.
std::vector<std::u16string> UninstallEntries(const std::filesystem::path& dest, std::vector<uint8_t>* mark = nullptr) {
    ORV::TFileStream file((dest / "Uninstall.dat").u16string(), ORV::fmOpenRead);
    Setup::Core::TSetupPackageReader package(file);
    std::unique_ptr<ORV::TMemoryStream> text;
    if (package.FileTable().Count() != 1 || !package.ExtractFile(u"Uninstall.ini", text)) return {u"(no record)"};
    if (mark) mark->assign(text->Memory(), text->Memory() + std::min<size_t>(2, text->Length()));
    ORV::TORVIniFile record;
    record.LoadFromStream(*text);
    std::vector<std::u16string> entries;
    for (int32_t i = 0; i < record.ReadInteger(u"Uninstall", u"Count", 0); ++i)
        entries.push_back(record.ReadString(u"Uninstall", ORV::IntToStr(i), u"?"));
    return entries;
}

// What the English demo installs, in the order of its script.
const std::vector<std::u16string> kDemoEnglishFiles = {
    u"QOVI.exe", u"Elevator.exe", u"System\\qovi_menu32.dll", u"Readme.txt", u"License.rtf", u"Langs\\English.lng",
    u"Plugins\\demo_audio.txt", u"Plugins\\demo_video.txt", u"Skins\\Default.skin"};

std::vector<std::u16string> Sorted(std::vector<std::u16string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::u16string> With(std::vector<std::u16string> names, std::initializer_list<const char16_t*> more) {
    names.insert(names.end(), more.begin(), more.end());
    return names;
}

// Runs of the demo installer; the player's entry in the list of installed programs is the
// test's while it runs.
class DemoInstaller : public ::testing::Test {
protected:
    void SetUp() override { Setup::Core::TSetupAppRepo::Unregister(u"QOVI"); }
    void TearDown() override { Setup::Core::TSetupAppRepo::Unregister(u"QOVI"); }

    TOutcome Install(const std::u16string& more = {}, const TBoxAnswer& answer = kPressOk) {
        std::u16string parameters = u"/AUTO=" + Quoted(Dest);
        parameters.append(u" /SILENT ").append(more);
        return RunInstaller(DemoInstallerFile(), parameters, answer);
    }
    std::u16string DestFolder() const { return Dest.Path().u16string() + u"\\"; }

    // Not below TEMP: an uninstaller there counts as the copy that already runs from TEMP.
    TTempDir Dest{std::filesystem::path(L"C:\\")};
};

} // namespace

TEST_F(DemoInstaller, ASilentInstallWritesTheLanguagesFilesTheUninstallerAndItsRecord) {
    const TOutcome outcome = Install();
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    EXPECT_EQ(outcome.ExitCode, 0u);

    EXPECT_EQ(FilesBelow(Dest.Path()), Sorted(With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"})));
    EXPECT_EQ(TestSupport::ReadAll(Dest / "Uninstall.exe"), TestSupport::ReadAll(std::filesystem::path(DemoInstallerFile())));
    std::vector<uint8_t> mark;
    EXPECT_EQ(UninstallEntries(Dest.Path(), &mark), With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}));
    EXPECT_EQ(mark, (std::vector<uint8_t>{0xFF, 0xFE}));

    std::u16string installPath;
    ASSERT_TRUE(Setup::Core::TSetupAppRepo::FindInstallPath(u"QOVI", installPath));
    EXPECT_TRUE(ORV::Platform::SameTextLocale(installPath, DestFolder()));
    // In the view of a 32-bit program, whichever build wrote it.
    EXPECT_TRUE(ORV::Platform::SameTextLocale(InstallPathIn(KEY_WOW64_32KEY), DestFolder()));
}

// However the destination is written, the product's files, the uninstaller and its record go
// into one folder, the record's entries stay relative and the entry names that folder.
TEST_F(DemoInstaller, EveryWrittenFormOfTheDestinationInstallsIntoOneFolder) {
    std::u16string slashes = DestFolder(), doubled = DestFolder();
    std::replace(slashes.begin(), slashes.end(), u'\\', u'/');
    doubled.insert(doubled.find(u"qovi-test"), 1, u'\\');
    for (const std::u16string& written : {slashes, doubled}) {
        SCOPED_TRACE(ORV::Utf16ToUtf8(written));
        const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"/AUTO=\"" + written + u"\" /SILENT");
        EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
        EXPECT_EQ(outcome.ExitCode, 0u);
        EXPECT_EQ(FilesBelow(Dest.Path()), Sorted(With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"})));
        EXPECT_EQ(UninstallEntries(Dest.Path()), With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}));
        std::u16string installPath;
        ASSERT_TRUE(Setup::Core::TSetupAppRepo::FindInstallPath(u"QOVI", installPath));
        EXPECT_TRUE(ORV::Platform::SameTextLocale(installPath, DestFolder())) << ORV::Utf16ToUtf8(installPath);
        std::filesystem::remove_all(Dest.Path());
        std::filesystem::create_directory(Dest.Path());
    }
}

// A destination that names no folder is refused before anything is written.
TEST_F(DemoInstaller, ADestinationThatNamesNoFolderIsRefused) {
    const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"/AUTO=\\\\server /SILENT");
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(outcome.Boxes[0].Text, u"\"\\\\server\" is not a valid destination folder");
    EXPECT_EQ(outcome.ExitCode, 1u);
}

TEST_F(DemoInstaller, APortableInstallLeavesTheRegistryAlone) {
    const TOutcome outcome = Install(u"/PORTABLE");
    EXPECT_EQ(outcome.ExitCode, 0u);
    EXPECT_EQ(UninstallEntries(Dest.Path()), With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}));
    std::u16string installPath;
    EXPECT_FALSE(Setup::Core::TSetupAppRepo::FindInstallPath(u"QOVI", installPath));
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
    EXPECT_EQ(outcome.ExitCode, 1u);
    ASSERT_EQ(outcome.Boxes.size(), 2u);
    EXPECT_EQ(outcome.Boxes[1].Caption, u"Setup");
    EXPECT_EQ(outcome.Boxes[1].Text,
              target + u"\r\nSetup was cancelled because \"" + target + u"\" could not be written.\r\n");
    EXPECT_FALSE(std::filesystem::exists(Dest / "Uninstall.dat"));
}

// The installed uninstaller, started as the list of installed programs starts it, runs again
// from a folder of its own under TEMP and comes up there as the uninstaller of the installation.
TEST_F(DemoInstaller, TheInstalledUninstallerRestartsFromTheTemporaryFolder) {
    ASSERT_EQ(Install().ExitCode, 0u);
    const std::u16string uninstaller = DestFolder() + u"Uninstall.exe";
    const TOutcome first = RunInstaller(uninstaller, u"");
    EXPECT_EQ(first.ExitCode, 0u);
    EXPECT_TRUE(first.Boxes.empty()) << ORV::Utf16ToUtf8(first.Boxes.front().Text);

    // The copy is the process whose box shows an Uninstall.exe other than the installed one.
    TDialog copy{};
    std::u16string image;
    for (int slice = 0; slice < 600 * Patience() && !copy.Window; ++slice) {
        for (const TDialog& dialog : Dialogs()) {
            const std::u16string path = ImageOf(dialog.ProcessId);
            if (ORV::Platform::SameTextLocale(ORV::ExtractFileName(path), u"Uninstall.exe") &&
                !ORV::Platform::SameTextLocale(path, uninstaller)) {
                copy = dialog;
                image = path;
            }
        }
        if (!copy.Window) Sleep(100);
    }
    ASSERT_NE(copy.Window, nullptr) << "the copy showed nothing";
    const ORV::TScopedKernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, copy.ProcessId));
    const TBox box = ReadBox(copy.Window);
    Press(copy.Window, IDOK);

    const std::u16string folder = ORV::ExtractFilePath(image);
    EXPECT_TRUE(Setup::Core::IsInsideTempFolder(folder)) << ORV::Utf16ToUtf8(folder);
    EXPECT_TRUE(ORV::FileExists(folder + u"Uninstall.dat"));
    const auto renames = TestSupport::PendingRenames();
    EXPECT_GE(TestSupport::PendingDelete(renames, image), 0);
    EXPECT_GE(TestSupport::PendingDelete(renames, folder + u"Uninstall.dat"), 0);
    EXPECT_GE(TestSupport::PendingDelete(renames, folder.substr(0, folder.size() - 1)), 0);
    // Uninstaller mode, on the folder that /PATH named; the steps themselves are not built yet.
    EXPECT_EQ(box.Text, u"Cannot uninstall from \"" + DestFolder() + u"\": this build has no uninstall steps yet");

    DWORD exitCode = STILL_ACTIVE;
    ASSERT_EQ(WaitForSingleObject(process.Get(), 10000 * Patience()), WAIT_OBJECT_0);
    GetExitCodeProcess(process.Get(), &exitCode);
    EXPECT_EQ(exitCode, 1u);
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(folder), ignored);
}

TEST(Installer, AFailingActionShowsItsErrorLineAndExitsWithOne) {
    TTempDir dest;
    const TOutcome outcome = RunInstaller(Built(QOVI_FAILING_INSTALLER), u"/AUTO=" + Quoted(dest) + u" /SILENT /RUN");
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(outcome.Boxes[0].Caption, u"Setup");
    EXPECT_EQ(outcome.Boxes[0].Text, u"Cannot write \"demo.txt\"\r\n");  // the error list, one line each
    EXPECT_EQ(outcome.ExitCode, 1u);
}

TEST(Installer, AnUpdateThatCannotBeMadeIsRefused) {
    TTempDir dest;
    TestSupport::WriteAll(dest / "QOVI.ini", TestSupport::Bytes("[System]\r\nVersion=5500\r\n"));
    const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"/AUTO=" + Quoted(dest) + u" /UPDATE /SILENT");
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(outcome.Boxes[0].Text, u"Cannot install update on v5.50");
    EXPECT_EQ(outcome.ExitCode, 1u);
}

TEST(Installer, ABuildWithoutProductInformationIsMalformed) {
    const TOutcome outcome = RunInstaller(Built(QOVI_MALFORMED_INSTALLER), u"/AUTO /SILENT");
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(outcome.Boxes[0].Text, u"Setup is malformed");
    EXPECT_EQ(outcome.ExitCode, 1u);
}
