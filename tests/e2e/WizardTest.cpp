// The demo installer's wizard, through the real program: what it shows and how it ends.

#include "InstallerDriver.h"

#include <gtest/gtest.h>

using namespace InstallerDriver;

namespace {

// What a test saw of a form when it first showed.
struct TSeenForm {
    std::u16string Caption;
    std::vector<std::u16string> Buttons;
    std::vector<std::u16string> Labels;
    std::filesystem::path Picture;
};

TFormWatch Record(std::vector<TSeenForm>& seen, const std::string& name) {
    return [&seen, name](HWND form) {
        // The first page is complete once the window has painted.
        Sleep(300 * Patience());
        seen.push_back({WindowText(form), ChildTexts(form, L"Button"), ChildTexts(form, L"Static"),
                        Screenshot(form, name + "-" + std::to_string(seen.size() + 1))});
    };
}

} // namespace

// An automatic run that is not silent shows the progress page and closes itself at the end.
TEST_F(DemoInstaller, AnAutomaticRunShowsItsProgressAndClosesWhenItIsDone) {
    std::vector<TSeenForm> seen;
    const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"/AUTO=" + Quoted(Dest), kPressOk, Record(seen, "auto-install"));
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    EXPECT_EQ(outcome.ExitCode, 0u);
    ASSERT_EQ(seen.size(), 1u) << "one wizard, no language dialog in an automatic run";
    EXPECT_EQ(seen[0].Caption, u"QOVI Setup");
    EXPECT_EQ(seen[0].Buttons, std::vector<std::u16string>{u"Next"}) << "Back is hidden on the progress page";
    EXPECT_NE(std::find(seen[0].Labels.begin(), seen[0].Labels.end(), u"5.10, 2024.06.03"), seen[0].Labels.end());
    EXPECT_TRUE(std::filesystem::exists(seen[0].Picture));
    EXPECT_TRUE(std::filesystem::exists(Dest / "QOVI.exe"));
    EXPECT_TRUE(std::filesystem::exists(Dest / "Uninstall.exe"));

    // The uninstaller's automatic run shows its progress page too, from its copy in TEMP.
    seen.clear();
    const TOutcome removal = Uninstall(u"/AUTO", kPressOk, Record(seen, "auto-uninstall"));
    EXPECT_TRUE(removal.Boxes.empty()) << ORV::Utf16ToUtf8(removal.Boxes.front().Text);
    EXPECT_EQ(removal.ExitCode, 0u);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Caption, u"QOVI Setup");
    EXPECT_FALSE(std::filesystem::exists(Dest / "QOVI.exe"));
    EXPECT_FALSE(std::filesystem::exists(Dest / "Uninstall.exe"));
}

namespace {

struct TWantedControl {
    const wchar_t* ClassName;
    std::u16string Text;
    HWND Found = nullptr;
};

BOOL CALLBACK FindControlProc(HWND child, LPARAM param) {
    auto& wanted = *reinterpret_cast<TWantedControl*>(param);
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (_wcsicmp(name, wanted.ClassName) == 0 && IsWindowVisible(child) && WindowText(child) == wanted.Text) {
        wanted.Found = child;
        return FALSE;
    }
    return TRUE;
}

// The visible control of ClassName on Form with Text, or null.
HWND ControlOf(HWND form, const wchar_t* className, const std::u16string& text) {
    TWantedControl wanted{className, text};
    EnumChildWindows(form, &FindControlProc, reinterpret_cast<LPARAM>(&wanted));
    return wanted.Found;
}

// The visible button (push button, check box or radio button) of Form with Text, or null.
HWND ButtonOf(HWND form, const std::u16string& text) { return ControlOf(form, L"Button", text); }

// The program that opens web links, for a test: a command that writes the address it was given
// into a file. The shell's own handler is put back at the end.
class TWebLinkCatcher {
public:
    TWebLinkCatcher() : FOld(Command()) { SetCommand(u"\"C:\\windows\\system32\\cmd.exe\" /c echo %1> \"" + Caught().u16string() + u"\""); }
    ~TWebLinkCatcher() { SetCommand(FOld); }
    TWebLinkCatcher(const TWebLinkCatcher&) = delete;
    TWebLinkCatcher& operator=(const TWebLinkCatcher&) = delete;

    std::filesystem::path Caught() const { return FFolder / "opened.txt"; }

private:
    static constexpr const wchar_t* kKey = L"Software\\Classes\\https\\shell\\open\\command";
    static std::u16string Command() {
        wchar_t value[1024] = {};
        DWORD size = sizeof value;
        RegGetValueW(HKEY_LOCAL_MACHINE, kKey, nullptr, RRF_RT_REG_SZ, nullptr, value, &size);
        return ORV::FromW(value);
    }
    static void SetCommand(const std::u16string& command) {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKey, nullptr, REG_SZ, ORV::W(command),
                        static_cast<DWORD>((command.size() + 1) * sizeof(char16_t)));
    }

    TTempDir FFolder;
    std::u16string FOld;
};

BOOL CALLBACK FindEditProc(HWND child, LPARAM param) {
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (_wcsicmp(name, L"Edit") != 0 || !IsWindowVisible(child)) return TRUE;
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
}

// The visible one-line edit of Form, or null.
HWND EditOf(HWND form) {
    HWND found = nullptr;
    EnumChildWindows(form, &FindEditProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Presses a button as a click does, and gives the wizard the time to move on.
void Click(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
    Sleep(500 * Patience());
}

} // namespace

// An interactive install in English with the choices of every page: the language dialog, then
// welcome, licence (Next only once it is accepted), the destination typed in, integration,
// ready, progress and finish, whose link opens the home page. Every window is kept as a screenshot.
TEST_F(DemoInstaller, AnInteractiveInstallGoesThroughEveryPageToTheFinish) {
    const TWebLinkCatcher links;
    std::vector<std::string> steps;
    const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"", kPressOk, [&](HWND form) {
        Sleep(300 * Patience());
        if (WindowText(form) == u"Select Language") {
            Screenshot(form, "interactive-0-language");
            steps.push_back("language");
            PostMessageW(form, WM_COMMAND, IDOK, 0);
            return;
        }
        const auto page = [&](const std::string& name) {
            steps.push_back(name);
            Screenshot(form, "interactive-" + std::to_string(steps.size()) + "-" + name);
        };
        page("welcome");
        // Enter is Next.
        PostMessageW(ButtonOf(form, u"Next"), WM_KEYDOWN, VK_RETURN, 0);
        Sleep(500 * Patience());
        page("license");
        const HWND next = ButtonOf(form, u"Next");
        EXPECT_FALSE(IsWindowEnabled(next)) << "Next before the licence is accepted";
        Click(ButtonOf(form, u"I accept the terms of the license agreement"));
        EXPECT_TRUE(IsWindowEnabled(next));
        Click(next);
        page("setup");
        SetWindowTextW(EditOf(form), ORV::W(DestFolder()));
        Sleep(300 * Patience());
        page("setup-typed");
        Click(ButtonOf(form, u"Next"));
        page("integration");
        Click(ButtonOf(form, u"Next"));
        page("ready");
        Click(ButtonOf(form, u"Install"));
        for (int i = 0; i < 200 * Patience() && !ButtonOf(form, u"Finish"); ++i) Sleep(100);
        page("finish");
        // The link to the product's home page opens it with the program for web links.
        if (const HWND link = ControlOf(form, L"Static", u"QOVI home page")) {
            PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
            PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
            for (int i = 0; i < 100 * Patience() && !std::filesystem::exists(links.Caught()); ++i) Sleep(100);
            Sleep(300);
        }
        // The run-after box would start the player: not in this test.
        if (const HWND start = ButtonOf(form, u"Start QOVI")) Click(start);
        Click(ButtonOf(form, u"Finish"));
    });
    const std::vector<uint8_t> opened = TestSupport::ReadAll(links.Caught());
    EXPECT_EQ(std::string(opened.begin(), opened.end()), "https://qovi.example.org/\r\n") << "the home page link";
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    EXPECT_EQ(outcome.ExitCode, 0u);
    EXPECT_EQ(steps, (std::vector<std::string>{"language", "welcome", "license", "setup", "setup-typed", "integration",
                                               "ready", "finish"}));
    EXPECT_TRUE(std::filesystem::exists(Dest / "QOVI.exe"));
    EXPECT_EQ(UninstallEntries(Dest.Path()), With(kDemoEnglishFiles, {u"Uninstall.dat", u"Uninstall.exe"}));
    EXPECT_TRUE(std::filesystem::exists(DesktopLink()));
}

namespace {

BOOL CALLBACK FindComboProc(HWND child, LPARAM param) {
    wchar_t name[32] = {};
    GetClassNameW(child, name, 32);
    if (_wcsicmp(name, L"ComboBoxEx32") != 0) return TRUE;
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
}

// The number of items of Form's drop-down list with icons and the index of the selected one
// (the texts stay in the installer's process).
std::pair<LRESULT, LRESULT> LanguageSelection(HWND form) {
    HWND combo = nullptr;
    EnumChildWindows(form, &FindComboProc, reinterpret_cast<LPARAM>(&combo));
    if (!combo) return {-1, -1};
    return {SendMessageW(combo, CB_GETCOUNT, 0, 0), SendMessageW(combo, CB_GETCURSEL, 0, 0)};
}

} // namespace

// With a Russian interface language the dialog preselects Russian, and the wizard speaks it. Wine
// takes the language from the locale it starts in: the test program's ctest entry
// InstallerTestInRussian starts it in ru_RU.UTF-8.
TEST_F(DemoInstaller, InRussianTheLanguageDialogPreselectsRussianAndTheWizardSpeaksIt) {
    if (GetUserDefaultUILanguage() != 1049) GTEST_SKIP() << "not started with a Russian interface language";
    std::vector<std::u16string> captions, buttons;
    std::pair<LRESULT, LRESULT> selection{};
    const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"", kPressOk, [&](HWND form) {
        Sleep(300 * Patience());
        captions.push_back(WindowText(form));
        if (captions.size() == 1) {
            selection = LanguageSelection(form);
            Screenshot(form, "russian-0-language");
            PostMessageW(form, WM_COMMAND, IDOK, 0);
            return;
        }
        Screenshot(form, "russian-1-welcome");
        buttons = ChildTexts(form, L"Button");
        PostMessageW(GetWindow(form, GW_CHILD), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    // English, Nederlands, Русский: the last.
    EXPECT_EQ(selection, (std::pair<LRESULT, LRESULT>{3, 2}));
    EXPECT_EQ(captions, (std::vector<std::u16string>{u"Select Language", u"\u0423\u0441\u0442\u0430\u043d\u043e\u0432\u043a\u0430 QOVI"}));
    EXPECT_EQ(buttons, std::vector<std::u16string>{u"\u0414\u0430\u043b\u0435\u0435"}) << "Next in Russian, no Back on the first page";
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    EXPECT_EQ(outcome.Boxes[0].Text, u"\u041f\u0440\u0435\u0440\u0432\u0430\u0442\u044c \u0440\u0430\u0431\u043e\u0442\u0443 \u043c\u0430\u0441\u0442\u0435\u0440\u0430 \u0438 \u0437\u0430\u043a\u0440\u044b\u0442\u044c \u0435\u0433\u043e?");
    EXPECT_EQ(outcome.ExitCode, kExitCancelled);
}


// At 144 DPI the frame is 1.5 times its design size, with every text of the page in the larger
// font (the screenshot shows it).
TEST_F(DemoInstaller, AtOneHundredFortyFourDpiTheWizardIsScaled) {
    // Wine reads the DPI when a program starts: the installers started now see 144.
    const TestSupport::TUserRegistryValue dpi(L"Control Panel\\Desktop", L"LogPixels", 144);
    RECT client{};
    std::vector<std::u16string> buttons;
    const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"/AUTO=" + Quoted(Dest), kPressOk, [&](HWND form) {
        Sleep(300 * Patience());
        GetClientRect(form, &client);
        buttons = ChildTexts(form, L"Button");
        Screenshot(form, "dpi144-progress");
    });
    EXPECT_EQ(outcome.ExitCode, 0u);
    EXPECT_EQ(client.right, 960);
    EXPECT_EQ(client.bottom, 720);
    EXPECT_EQ(buttons, std::vector<std::u16string>{u"Next"});
}

// The uninstaller's pages: its options (the backups ticked here), the progress and the finish.
TEST_F(DemoInstaller, AnInteractiveUninstallRemovesWhatItsOptionsSay) {
    ASSERT_EQ(Install().ExitCode, 0u);
    TestSupport::WriteText(Dest / "!Backup" / "old.zip", "an earlier version");
    std::vector<std::string> steps;
    const TOutcome outcome = Uninstall(u"", kPressOk, [&](HWND form) {
        Sleep(300 * Patience());
        if (WindowText(form) == u"Select Language") {
            PostMessageW(form, WM_COMMAND, IDOK, 0);
            return;
        }
        const auto page = [&](const std::string& name) {
            steps.push_back(name);
            Screenshot(form, "uninstall-" + std::to_string(steps.size()) + "-" + name);
        };
        page("options");
        Click(ButtonOf(form, u"Remove the backups of earlier versions"));
        Click(ButtonOf(form, u"Uninstall"));
        for (int i = 0; i < 200 * Patience() && !ButtonOf(form, u"Finish"); ++i) Sleep(100);
        page("finish");
        Click(ButtonOf(form, u"Finish"));
    });
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    EXPECT_EQ(outcome.ExitCode, 0u);
    EXPECT_EQ(steps, (std::vector<std::string>{"options", "finish"}));
    EXPECT_FALSE(std::filesystem::exists(Dest / "QOVI.exe"));
    EXPECT_FALSE(std::filesystem::exists(Dest / "!Backup")) << "the backups went as ticked";
    EXPECT_TRUE(std::filesystem::exists(Dest / "QOVI.ini")) << "the configuration stays without the content";
}

namespace {

struct TOwnedBox {
    HWND Owner;
    HWND Found = nullptr;
};

BOOL CALLBACK FindOwnedBoxProc(HWND window, LPARAM param) {
    auto& find = *reinterpret_cast<TOwnedBox*>(param);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) != L"#32770" || !IsWindowVisible(window) || GetWindow(window, GW_OWNER) != find.Owner)
        return TRUE;
    find.Found = window;
    return FALSE;
}

// The message box owned by Owner, waited for up to a minute as a rule; null when none came.
HWND WaitForBoxOwnedBy(HWND owner) {
    for (int slice = 0; slice < 600 * Patience(); ++slice) {
        TOwnedBox find{owner};
        EnumWindows(&FindOwnedBoxProc, reinterpret_cast<LPARAM>(&find));
        if (find.Found) return find.Found;
        Sleep(100);
    }
    return nullptr;
}

} // namespace

// A file in use during a run with the wizard: the question is owned by the wizard, which is
// disabled while it is up; Abort fails the run, and the finish page says so and waits for Finish.
TEST_F(DemoInstaller, TheFilesInUseQuestionBelongsToTheWizardAndAbortEndsOnTheFinishPage) {
    const std::filesystem::path readme = Dest / "Readme.txt";
    TestSupport::WriteAll(readme, TestSupport::Bytes("in use"));
    ORV::TScopedKernelHandle holder(CreateFileW(readme.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.IsValid());
    bool owned = false, disabled = false;
    std::vector<std::u16string> labels;
    const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"/AUTO=" + Quoted(Dest), kPressOk, [&](HWND form) {
        const HWND box = WaitForBoxOwnedBy(form);
        owned = box != nullptr;
        if (!box) return;
        disabled = !IsWindowEnabled(form);
        Screenshot(form, "in-use-question");
        Press(box, IDABORT);
        for (int i = 0; i < 200 * Patience() && !ButtonOf(form, u"Finish"); ++i) Sleep(100);
        Sleep(300 * Patience());
        labels = ChildTexts(form, L"Static");
        Screenshot(form, "in-use-finish");
        Click(ButtonOf(form, u"Finish"));
    });
    EXPECT_TRUE(owned) << "the question was not owned by the wizard";
    EXPECT_TRUE(disabled) << "the wizard took clicks while the question was up";
    EXPECT_EQ(outcome.ExitCode, kExitCancelled);
    EXPECT_NE(std::find(labels.begin(), labels.end(), u"Setup did not finish"), labels.end());
    EXPECT_FALSE(std::filesystem::exists(Dest / "Uninstall.dat"));
}

// An interactive update of an installed player: the setup page finds the installation and offers
// its update with a backup and "W1"; the integration page is skipped; the old files end up in the
// backup archive.
TEST_F(DemoInstaller, AnInteractiveUpdateFindsTheInstallationAndSkipsTheIntegrationPage) {
    ASSERT_EQ(Install().ExitCode, 0u);
    std::u16string shownFolder;
    bool updateTicked = false, backupTicked = false, warned = false;
    std::vector<std::string> steps;
    const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"", kPressOk, [&](HWND form) {
        Sleep(300 * Patience());
        if (WindowText(form) == u"Select Language") {
            PostMessageW(form, WM_COMMAND, IDOK, 0);
            return;
        }
        Click(ButtonOf(form, u"Next"));
        Click(ButtonOf(form, u"I accept the terms of the license agreement"));
        Click(ButtonOf(form, u"Next"));
        Sleep(300 * Patience());
        Screenshot(form, "update-setup");
        shownFolder = WindowText(EditOf(form));
        const auto ticked = [&](const char16_t* text) {
            const HWND box = ButtonOf(form, text);
            return box && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
        };
        updateTicked = ticked(u"Update the installed version");
        backupTicked = ticked(u"Back up existing files first");
        warned = ControlOf(form, L"Static", u"\u26A0 The installed version will be updated. Your settings are kept.") != nullptr;
        Click(ButtonOf(form, u"Next"));
        if (ButtonOf(form, u"Install")) steps.push_back("ready");
        Click(ButtonOf(form, u"Install"));
        for (int i = 0; i < 200 * Patience() && !ButtonOf(form, u"Finish"); ++i) Sleep(100);
        steps.push_back("finish");
        if (const HWND start = ButtonOf(form, u"Start QOVI")) Click(start);
        Click(ButtonOf(form, u"Finish"));
    });
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    EXPECT_EQ(outcome.ExitCode, 0u);
    EXPECT_TRUE(ORV::Platform::SameTextLocale(shownFolder, DestFolder())) << ORV::Utf16ToUtf8(shownFolder);
    EXPECT_TRUE(updateTicked);
    EXPECT_TRUE(backupTicked);
    EXPECT_TRUE(warned) << "no W1";
    EXPECT_EQ(steps, (std::vector<std::string>{"ready", "finish"})) << "the integration page came between";
    std::error_code ignored;
    size_t backups = 0;
    for (auto it = std::filesystem::directory_iterator(Dest / "!Backup", ignored); it != std::filesystem::directory_iterator(); ++it)
        backups += it->path().extension() == ".zip";
    EXPECT_EQ(backups, 1u);
}

// An automatic update through the wizard: the progress page, the backup of what was there (none
// with /NOBACKUP), and the window closes by itself.
TEST_F(DemoInstaller, AnAutomaticUpdateThroughTheWizardBacksUpUnlessToldNot) {
    ASSERT_EQ(Install().ExitCode, 0u);
    const auto backups = [&] {
        std::error_code ignored;
        size_t count = 0;
        for (auto it = std::filesystem::directory_iterator(Dest / "!Backup", ignored); it != std::filesystem::directory_iterator(); ++it)
            ++count;
        return count;
    };
    for (const char16_t* more : {u" /UPDATE", u" /UPDATE /NOBACKUP"}) {
        SCOPED_TRACE(ORV::Utf16ToUtf8(more));
        int forms = 0;
        const size_t before = backups();
        const TOutcome outcome =
            RunInstaller(DemoInstallerFile(), u"/AUTO=" + Quoted(Dest) + more, kPressOk, [&](HWND) { ++forms; });
        EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
        EXPECT_EQ(outcome.ExitCode, 0u);
        EXPECT_EQ(forms, 1);
        EXPECT_EQ(backups(), before + (std::u16string_view(more).find(u"NOBACKUP") == std::u16string_view::npos ? 1 : 0));
        EXPECT_TRUE(std::filesystem::exists(Dest / "QOVI.exe"));
    }
}

// A portable install chosen on the setup page: no integration page, no shortcut, a portable
// configuration; the run-after box, left ticked, starts the installed player at the end.
TEST_F(DemoInstaller, APortableInstallChosenOnTheSetupPageStartsThePlayerAtTheEnd) {
    std::vector<std::string> steps;
    const TOutcome outcome = RunInstaller(DemoInstallerFile(), u"", kPressOk, [&](HWND form) {
        Sleep(300 * Patience());
        if (WindowText(form) == u"Select Language") {
            PostMessageW(form, WM_COMMAND, IDOK, 0);
            return;
        }
        Click(ButtonOf(form, u"Next"));
        Click(ButtonOf(form, u"I accept the terms of the license agreement"));
        Click(ButtonOf(form, u"Next"));
        SetWindowTextW(EditOf(form), ORV::W(DestFolder()));
        Sleep(300 * Patience());
        Click(ButtonOf(form, u"Portable installation"));
        Screenshot(form, "portable-setup");
        steps.push_back("setup");
        Click(ButtonOf(form, u"Next"));
        // Straight to the ready page, whose Next reads "Install".
        if (ButtonOf(form, u"Install")) steps.push_back("ready");
        Click(ButtonOf(form, u"Install"));
        for (int i = 0; i < 200 * Patience() && !ButtonOf(form, u"Finish"); ++i) Sleep(100);
        if (ButtonOf(form, u"Start QOVI")) steps.push_back("finish with the run-after box");
        Click(ButtonOf(form, u"Finish"));
    });
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    EXPECT_EQ(outcome.ExitCode, 0u);
    EXPECT_EQ(steps, (std::vector<std::string>{"setup", "ready", "finish with the run-after box"}));
    ORV::TORVIniFile config;
    config.LoadFromFile((Dest / "QOVI.ini").u16string());
    EXPECT_FALSE(config.ReadBool(u"System", u"UserMode", true)) << "a portable configuration";
    EXPECT_FALSE(std::filesystem::exists(DesktopLink()));

    HWND player = nullptr;
    for (int i = 0; i < 100 * Patience() && !player; ++i) {
        player = FindWindowW(L"TQOVIMainForm", nullptr);
        if (!player) Sleep(100);
    }
    ASSERT_NE(player, nullptr) << "the run-after box did not start the player";
    DWORD process = 0;
    GetWindowThreadProcessId(player, &process);
    EXPECT_TRUE(ORV::Platform::SameTextLocale(ImageOf(process), DestFolder() + u"QOVI.exe")) << ORV::Utf16ToUtf8(ImageOf(process));
    PostMessageW(player, WM_CLOSE, 0, 0);
    for (int i = 0; i < 50 * Patience() && IsWindow(player); ++i) Sleep(100);
}
