// The language dialog and the wizard's frame on the demo's packages, as real windows. The runs
// install portably into folders of their own: they leave no entry, shortcut or registration.

#include "ORV.Strings.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Package.h"
#include "Setup.Core.Resources.h"
#include "Setup.UI.LanguageDialog.h"
#include "Setup.UI.StandardPages.h"
#include "Setup.UI.Wizard.h"
#include "Setup.Product.QOVI.Pages.h"
#include "ORV.Utils.Strings.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace Setup::Core;
using namespace Setup::UI;

namespace {

void CALLBACK PressOk(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
}

// Presses the window's default button from a timer once the modal loop runs.
void PressOkSoon(HWND window) { SetTimer(window, 1, 100, &PressOk); }

std::u16string Message(TSetup& setup, const char16_t* key) { return setup.Resources().GetMessage(u"Common", key); }

// Serves this thread's messages until Done says so or Seconds have passed; false on the time-out.
bool ServeUntil(const std::function<bool()>& done, int seconds = 60) {
    const ULONGLONG end = GetTickCount64() + ULONGLONG(seconds) * 1000;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

BOOL CALLBACK FindOwnMessageBox(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process != GetCurrentProcessId() || std::wstring(className) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The first message box of this process that is up, or null.
HWND OwnMessageBox() {
    HWND found = nullptr;
    EnumWindows(&FindOwnMessageBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Answers the close question with the button in the window's "answer" property (Cancel without
// one), and marks the window as asked.
void CALLBACK AnswerTheQuestion(HWND window, UINT, UINT_PTR id, DWORD) {
    if (const HWND box = OwnMessageBox()) {
        KillTimer(window, id);
        SetPropW(window, L"asked", box);
        const auto answer = reinterpret_cast<intptr_t>(GetPropW(window, L"answer"));
        PostMessageW(box, WM_COMMAND, answer ? answer : IDCANCEL, 0);
    }
}

} // namespace

// An automatic portable install into a folder of its own, with its wizard: it leaves no entry,
// shortcut or registration behind.
struct TPortableAutomaticRun {
    TestSupport::TTempDir Dest;
    TSetup Setup{u"/AUTO=\"" + Dest.Folder() + u"\" /PORTABLE"};
    bool Languages = (Setup.Resources().InitializeLanguages(), true);
    TWizardForm Form{Setup};
};

// Items by display name whatever the files' order, each with its icon, the user's language
// preselected, and the selection taken when the dialog closes.
TEST(LanguageDialog, ListsTheSetupsLanguagesByNameWithTheirIcons) {
    const TestSupport::TTempDir dest;
    TSetup setup(u"/AUTO=\"" + dest.Folder() + u"\" /SILENT");
    const TSetupResources& resources = setup.Resources();
    ASSERT_EQ(resources.Languages().Count(), 3);  // Dutch, English, Russian
    TSetupLanguageDialog dialog(resources);
    std::vector<std::u16string> names;
    std::vector<intptr_t> tags;
    for (int i = 0; i < dialog.LanguageBox().Count(); ++i) {
        names.push_back(dialog.LanguageBox().ItemText(i));
        tags.push_back(dialog.LanguageBox().ItemData(i));
        EXPECT_GE(dialog.LanguageBox().ItemImage(i), 0) << i;
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"English", u"Nederlands", u"\u0420\u0443\u0441\u0441\u043a\u0438\u0439"}));
    EXPECT_EQ(tags, (std::vector<intptr_t>{1, 0, 2}));
    EXPECT_EQ(dialog.Icons().Count(), 3);
    EXPECT_EQ(resources.Languages().Strings(dialog.SelectedTag()), resources.Languages().Strings(resources.PreselectedLanguage()));
    wchar_t caption[64] = {};
    GetWindowTextW(dialog.Handle(), caption, 64);
    EXPECT_EQ(std::wstring(caption), L"Select Language");

    dialog.LanguageBox().SetItemIndex(2);
    PressOkSoon(dialog.Handle());
    dialog.ShowModal();
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_EQ(dialog.SelectedTag(), 2) << "the choice outlives the window";
}

// An automatic install shows the progress and the finish page; Next reads by the page after it.
TEST(WizardForm, AnAutomaticRunHasTheInstallAndTheFinishPage) {
    TPortableAutomaticRun run;
    TSetup& setup = run.Setup;
    TWizardForm& form = run.Form;
    ASSERT_EQ(form.Pages().Count(), 2);
    EXPECT_EQ(form.Pages().Items(0).Name(), u"PageInstall");
    EXPECT_EQ(form.Pages().Items(1).Name(), u"PageFinish");
    EXPECT_EQ(form.ActivePage(), form.Pages().First());
    wchar_t caption[128] = {};
    GetWindowTextW(form.Handle(), caption, 128);
    EXPECT_EQ(ORV::FromW(caption), Message(setup, u"Caption"));
    EXPECT_EQ(form.ActivePage()->Title(), setup.Resources().GetMessage(u"PageInstall", u"Title"));
    EXPECT_FALSE(form.BackButton().Visible());
    EXPECT_EQ(form.NextButton().Text(), Message(setup, u"bNext"));
    // Two pages: no segments, and the taskbar counts to 100.
    EXPECT_EQ(form.ProgressViewInfo().SegmentWidth, 0);
    EXPECT_EQ(form.Taskbar().Maximum(), 100u);
    EXPECT_EQ(form.Taskbar().Value(), 0u);

    // The run decides when the page may be left.
    form.bNextClick();
    EXPECT_EQ(form.ActivePage(), form.Pages().First());
    ASSERT_TRUE(ServeUntil([&] { return !form.Handle(); }));
}

// The frame's geometry follows the DPI as MulDiv rounds.
TEST(WizardForm, TheStripIsScaledWithTheDpi) {
    TPortableAutomaticRun run;
    TWizardForm& form = run.Form;
    const int dpi = form.Dpi();
    EXPECT_EQ(form.ProgressViewInfo().Bounds.top, MulDiv(53, dpi, 96));
    EXPECT_EQ(form.ProgressViewInfo().BarBounds.bottom, MulDiv(63, dpi, 96) - MulDiv(2, dpi, 96));
    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, MulDiv(640, dpi, 96));
    EXPECT_EQ(client.bottom, MulDiv(480, dpi, 96));
}

// An automatic run goes from the progress page to its end and closes the window by itself; the
// progress page showed the worker's texts and the taskbar its progress on the way.
TEST(WizardForm, AnAutomaticRunClosesTheWindowWhenItEndsWithoutErrors) {
    TPortableAutomaticRun run;
    TSetup& setup = run.Setup;
    TWizardForm& form = run.Form;
    form.Show();
    const auto* page = dynamic_cast<TSetupPageInstall*>(form.ActivePage());
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(form.NextButton().Enabled()) << "not before the run ends";
    ASSERT_TRUE(ServeUntil([&] { return !form.Handle(); })) << "the window stayed open";
    EXPECT_EQ(setup.State(), ssFinished);
    EXPECT_FALSE(setup.HasErrors());
    EXPECT_TRUE(page->Finished());
    EXPECT_EQ(form.Taskbar().Value(), 100u) << "the last page";
    EXPECT_TRUE(std::filesystem::exists(run.Dest / "QOVI.exe"));
}

// A run that fails shows the finish page with the red heading, the errors one per line and no
// run-after boxes; the taskbar shows the error and the window is left through Finish only.
TEST(WizardForm, AFailedRunShowsItsErrorsOnTheFinishPage) {
    const TestSupport::TTempDir temp;
    TestSupport::WriteText(temp / "file", "a file where the folder should be");
    TSetup setup(u"/AUTO=\"" + temp.File("file") + u"\\QOVI\" /PORTABLE");
    setup.Resources().InitializeLanguages();
    TWizardForm form(setup);
    form.Show();
    ASSERT_TRUE(ServeUntil([&] { return form.ActivePage() == form.Pages().Last() || !form.Handle(); }));
    ASSERT_TRUE(form.Handle()) << "a failed run keeps the window open";
    ASSERT_TRUE(setup.HasErrors());
    const auto* finish = dynamic_cast<TSetupPageFinish*>(form.ActivePage());
    ASSERT_NE(finish, nullptr);
    EXPECT_TRUE(finish->ErrorMemo()->Visible());
    EXPECT_EQ(finish->ErrorMemo()->Text(), setup.Errors().Text().substr(0, setup.Errors().Text().size() - 2));
    for (const auto* box : finish->ActionBoxes()) EXPECT_FALSE(box->Visible());
    EXPECT_EQ(form.Taskbar().State(), ORV::UI::TORVTaskbarState::Error);
    const UINT close = GetMenuState(GetSystemMenu(form.Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND);
    EXPECT_TRUE(close & (MF_DISABLED | MF_GRAYED));
    EXPECT_EQ(form.NextButton().Text(), Message(setup, u"bFinish"));
    form.NextButton().Click();
    EXPECT_EQ(form.Handle(), nullptr) << "Finish closes without asking";
}

// Before the run has ended, closing asks "QM"; Cancel keeps everything as it was.
TEST(WizardForm, ClosingDuringARunAsksFirst) {
    TPortableAutomaticRun run;
    TSetup& setup = run.Setup;
    TWizardForm& form = run.Form;
    SetTimer(form.Handle(), 7, 50, &AnswerTheQuestion);
    // Asked before the worker could end: the run is not finished while the question is up.
    SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_NE(GetPropW(form.Handle(), L"asked"), nullptr) << "no question was asked";
    EXPECT_NE(form.Handle(), nullptr) << "Cancel keeps the window";
    RemovePropW(form.Handle(), L"asked");
    // The run ends; the window closes by itself then.
    ASSERT_TRUE(ServeUntil([&] { return !form.Handle(); })) << "state " << int(setup.State()) << ", errors "
                                                            << ORV::Utf16ToUtf8(setup.Errors().Text());
}

// The palette follows the app theme while the window is open.
TEST(WizardForm, ThePaletteFollowsTheAppThemeLive) {
    TestSupport::TUserRegistryValue lightTheme(L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                                               L"AppsUseLightTheme", 1);
    TPortableAutomaticRun run;
    TWizardForm& form = run.Form;
    EXPECT_EQ(form.Palette().Background, RGB(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(form.Palette().Accent, RGB(0xDE, 0x8C, 0x33));
    lightTheme.Set(0);
    SendMessageW(form.Handle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    EXPECT_EQ(form.Palette().Background, RGB(0x26, 0x26, 0x26));
    EXPECT_EQ(form.Palette().Accent, RGB(0xAC, 0x67, 0x1C));
    EXPECT_EQ(form.Palette().HeaderText, RGB(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(form.VersionLabel().TextColor(), RGB(0xF0, 0xF0, 0xF0));
    ASSERT_TRUE(ServeUntil([&] { return !form.Handle(); }));
}

namespace {

struct TAccessible {
    std::wstring Name, Value;
    long Role = 0;
};

TAccessible AccessibleOf(HWND window) {
    TAccessible result;
    // Both oleacc's and uuid's import libraries define IID_IAccessible: the function is taken
    // from the library itself.
    using TAccessibleObjectFromWindow = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    static const auto fromWindow = reinterpret_cast<TAccessibleObjectFromWindow>(reinterpret_cast<void (*)()>(
        GetProcAddress(LoadLibraryW(L"oleacc.dll"), "AccessibleObjectFromWindow")));
    IAccessible* accessible = nullptr;
    if (!fromWindow ||
        FAILED(fromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible, reinterpret_cast<void**>(&accessible))))
        return result;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    if (SUCCEEDED(accessible->get_accName(self, &text)) && text) result.Name = text;
    SysFreeString(text);
    text = nullptr;
    if (SUCCEEDED(accessible->get_accValue(self, &text)) && text) result.Value = text;
    SysFreeString(text);
    VARIANT role{};
    if (SUCCEEDED(accessible->get_accRole(self, &role)) && role.vt == VT_I4) result.Role = role.lVal;
    accessible->Release();
    return result;
}

} // namespace

// What a screen reader finds: the buttons by their captions, the header's text naming the page
// and the strip as a progress bar of the run.
TEST(WizardForm, ScreenReadersFindTheButtonsThePageAndTheProgress) {
    const ORV::TComInitialization com;
    TPortableAutomaticRun run;
    TSetup& setup = run.Setup;
    TWizardForm& form = run.Form;
    const TAccessible next = AccessibleOf(form.NextButton().Handle());
    EXPECT_EQ(next.Name, L"Next");
    const TAccessible header = AccessibleOf(form.Header().Handle());
    EXPECT_EQ(ORV::FromW(header.Name.c_str()), setup.Resources().GetMessage(u"PageInstall", u"Title"));
    // Wine's accessibility gives every control the role of a plain client area; the roles of the
    // standard controls come from Windows' own proxies.
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        EXPECT_EQ(next.Role, ROLE_SYSTEM_PUSHBUTTON);
        EXPECT_EQ(header.Role, ROLE_SYSTEM_STATICTEXT);
        EXPECT_EQ(AccessibleOf(form.Strip().Handle()).Role, ROLE_SYSTEM_PROGRESSBAR);
    }
    EXPECT_EQ(SendMessageW(form.Strip().Handle(), PBM_GETPOS, 0, 0), 0);
    ASSERT_TRUE(ServeUntil([&] { return !form.Handle(); }));
}

// The pages of an interactive install, and the moves over the integration page, which a portable
// install skips both ways; Next reads "Install" before the progress page.
TEST(WizardForm, AnInteractiveInstallHasEveryPageAndSkipsTheIntegrationOfAPortableOne) {
    const TestSupport::TTempDir dest;
    TSetup setup(u"");
    setup.SetDestPath(dest.Folder());
    setup.Resources().InitializeLanguages();
    TWizardForm form(setup);
    std::vector<std::u16string> names;
    for (int32_t i = 0; i < form.Pages().Count(); ++i) names.push_back(form.Pages().Items(i).Name());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"PageWelcome", u"PageLicense", u"PageSetup", u"PageIntegration",
                                                  u"PageReadyToInstall", u"PageInstall", u"PageFinish"}));
    // Seven pages: a segment is the strip's width over six.
    EXPECT_EQ(form.ProgressViewInfo().SegmentWidth,
              (form.ProgressViewInfo().BarBounds.right - form.ProgressViewInfo().BarBounds.left) / 6);
    TSetupCustomPage& setupPage = form.Pages().Items(2);
    TSetupCustomPage& integration = form.Pages().Items(3);
    TSetupCustomPage& ready = form.Pages().Items(4);
    form.SetActivePage(&setupPage);
    EXPECT_TRUE(form.BackButton().Visible());
    form.bNextClick();
    EXPECT_EQ(form.ActivePage(), &integration);
    form.bNextClick();
    EXPECT_EQ(form.ActivePage(), &ready);
    EXPECT_EQ(form.NextButton().Text(), Message(setup, u"bInstall"));

    setup.SetOption(Portable, true);
    form.bBackClick();
    EXPECT_EQ(form.ActivePage(), &setupPage) << "a portable install has no integration page";
    form.bNextClick();
    EXPECT_EQ(form.ActivePage(), &ready);
    // Closing before the run asks, as during it; here the question is answered at once.
    SetTimer(form.Handle(), 7, 50, &AnswerTheQuestion);
    SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_NE(GetPropW(form.Handle(), L"asked"), nullptr);
    RemovePropW(form.Handle(), L"asked");
}

namespace {

// Closes the wizard from inside the worker's first progress notification, while the worker
// waits for this thread: as a click on the close box does while the progress page repaints.
class TCloseDuringNotification : public IInstallerNotify {
public:
    explicit TCloseDuringNotification(HWND form) : FForm(form) {}
    void Notify(int32_t code, intptr_t) override {
        if (code != snProgress || FDone) return;
        FDone = true;
        SetPropW(FForm, L"answer", reinterpret_cast<HANDLE>(intptr_t(IDOK)));
        SetTimer(FForm, 8, 50, &AnswerTheQuestion);
        SendMessageW(FForm, WM_CLOSE, 0, 0);
    }
    bool Done() const { return FDone; }

private:
    HWND FForm;
    bool FDone = false;
};

} // namespace

// A confirmed close during the run, even from inside a notification the worker waits for,
// stops the run after its current action and then lets the window go; nothing waits for ever.
TEST(WizardForm, AConfirmedCloseDuringTheRunStopsItAndThenCloses) {
    TPortableAutomaticRun run;
    TSetup& setup = run.Setup;
    TWizardForm& form = run.Form;
    const HWND window = form.Handle();
    TCloseDuringNotification closer(window);
    setup.AddListener(&closer);
    const bool closed = ServeUntil([&] { return !form.Handle(); }, 120);
    setup.RemoveListener(&closer);
    ASSERT_TRUE(closer.Done()) << "no progress was reported";
    EXPECT_TRUE(closed) << "the window stayed open after the run stopped";
    EXPECT_EQ(setup.State(), ssFinished);
}

namespace {

// The index in Languages of the language file Name.
int32_t LanguageIndex(const TSetupResources& resources, const char16_t* name) {
    for (int32_t i = 0; i < resources.Languages().Count(); ++i)
        if (resources.Languages().Strings(i) == name) return i;
    return -1;
}

} // namespace

// The licence of the chosen language's family: the Russian one in Russian, the English one for
// Dutch, which has none of its own.
TEST(WizardPages, TheLicenceIsTheLanguageFamilysOrTheEnglishOne) {
    const struct {
        const char16_t* Language;
        const char16_t* Begins;
    } cases[] = {{u"Russian.lng", u"\u041b\u0438\u0446\u0435\u043d\u0437\u0438\u043e\u043d\u043d\u043e\u0435"},
                 {u"Dutch.lng", u"QOVI License Agreement"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(ORV::Utf16ToUtf8(c.Language));
        TSetup setup(u"");
        setup.Resources().InitializeLanguages([&] { return LanguageIndex(setup.Resources(), c.Language); });
        TWizardForm form(setup);
        auto* license = dynamic_cast<TSetupPageLicense*>(&form.Pages().Items(1));
        ASSERT_NE(license, nullptr);
        form.SetActivePage(license);
        EXPECT_EQ(license->Viewer()->PlainText().substr(0, std::u16string(c.Begins).size()), c.Begins);
        EXPECT_FALSE(form.NextButton().Enabled()) << "not before the licence is accepted";
        license->AcceptBox()->SetChecked(true);
        form.UpdateButtons();
        EXPECT_TRUE(form.NextButton().Enabled());
    }
}

// The summary is built again from the choices each time the ready page is entered: Back to the
// setup page, a destination typed in, and the ready page names the new one.
TEST(WizardPages, TheSummaryFollowsADestinationChangedAfterBack) {
    const TestSupport::TTempDir first, second;
    TSetup setup(u"");
    setup.SetDestPath(first.Folder());
    setup.Resources().InitializeLanguages();
    TWizardForm form(setup);
    auto* setupPage = dynamic_cast<Setup::Product::QOVI::TSetupPageSetup*>(&form.Pages().Items(2));
    auto* ready = dynamic_cast<TSetupPageReadyToInstall*>(&form.Pages().Items(4));
    ASSERT_NE(setupPage, nullptr);
    ASSERT_NE(ready, nullptr);
    form.SetActivePage(ready);
    EXPECT_NE(ready->Viewer()->PlainText().find(first.Folder()), std::u16string::npos);
    form.bBackClick();
    form.bBackClick();
    ASSERT_EQ(form.ActivePage(), setupPage);
    setupPage->PathEdit()->SetText(second.Folder());  // as typed: the edit reports the change
    EXPECT_EQ(setupPage->PathEdit()->Text(), second.Folder()) << "the edit is not rewritten while typing";
    EXPECT_EQ(setup.DestPath(), second.Folder());
    form.bNextClick();
    form.bNextClick();
    ASSERT_EQ(form.ActivePage(), ready);
    EXPECT_NE(ready->Viewer()->PlainText().find(second.Folder()), std::u16string::npos);
    EXPECT_EQ(ready->Viewer()->PlainText().find(first.Folder()), std::u16string::npos);
    // An empty destination keeps Next off.
    form.bBackClick();
    form.bBackClick();
    setupPage->PathEdit()->SetText(u"");
    EXPECT_FALSE(form.NextButton().Enabled());
}

// A destination with an installation to update: the update box ticked, the backup box shown,
// the kinds fixed, "W1", and no integration page; clearing the update box makes it a fresh
// install with "W3". Choosing portable inside Program Files moves to the portable folder.
TEST(WizardPages, TheSetupPageFollowsAnInstallationToUpdateAndThePortableChoice) {
    const TestSupport::TTempDir dest;
    TestSupport::WriteText(dest / "QOVI.ini", "[System]\r\nVersion=5000\r\nUserMode=1\r\n");
    TSetup setup(u"");
    setup.SetDestPath(dest.Folder());
    setup.Resources().InitializeLanguages();
    TWizardForm form(setup);
    auto* page = dynamic_cast<Setup::Product::QOVI::TSetupPageSetup*>(&form.Pages().Items(2));
    ASSERT_NE(page, nullptr);
    form.SetActivePage(page);
    ASSERT_TRUE(setup.HasOption(Update));
    EXPECT_TRUE(page->UpdateBox()->Visible());
    EXPECT_TRUE(page->UpdateBox()->Checked());
    EXPECT_TRUE(page->BackupBox()->Visible());
    EXPECT_FALSE(page->PortableRadio()->Enabled());
    ASSERT_EQ(page->Warnings().size(), 1u);
    EXPECT_NE(page->Warnings()[0]->Text().find(setup.Resources().GetMessage(u"PageSetup", u"W1")), std::u16string::npos);
    form.bNextClick();
    EXPECT_EQ(form.ActivePage()->Name(), u"PageReadyToInstall") << "an update has no integration page";
    form.bBackClick();

    page->UpdateBox()->SetChecked(false);
    page->OptionClick();
    EXPECT_FALSE(setup.HasOption(Update));
    EXPECT_FALSE(page->BackupBox()->Visible());
    EXPECT_TRUE(page->PortableRadio()->Enabled());
    ASSERT_EQ(page->Warnings().size(), 1u);
    EXPECT_NE(page->Warnings()[0]->Text().find(setup.Resources().GetMessage(u"PageSetup", u"W3")), std::u16string::npos);

    setup.SetDestPath(setup.ProductInfo().GetDefaultPath());
    ASSERT_TRUE(setup.IsDestPathInProgramFiles());
    page->UpdatePage();
    page->PortableRadio()->SetChecked(true);
    page->StandardRadio()->SetChecked(false);
    page->ModeClick();
    EXPECT_TRUE(setup.HasOption(Portable));
    EXPECT_EQ(setup.DestPath(), ORV::IncludeTrailingBackslash(setup.ProductInfo().GetPortablePath()));
    page->PortableRadio()->SetChecked(false);
    page->StandardRadio()->SetChecked(true);
    page->ModeClick();
    EXPECT_FALSE(setup.HasOption(Portable));
    EXPECT_TRUE(setup.IsDestPathInProgramFiles()) << "back to the default folder";
}

namespace {

// A visible control of the wizard, with its place on the screen and, for a text it draws
// itself, where that text goes and whether it fits.
struct TPlacedControl {
    HWND Control, Parent;
    std::string Described;
    RECT Bounds{};
    bool HasText = false;
    RECT TextBounds{};  // on the screen
    bool TextFits = true;
    SIZE Needed{}, Available{};
};

// Where the text of a label, check box or radio button goes, in its own font: one line within
// its width, or, for a label that wraps, its lines within its height; a box keeps the width of
// its box for it. Push buttons are taken whole.
void MeasureText(TPlacedControl& placed) {
    wchar_t className[32] = {};
    GetClassNameW(placed.Control, className, 32);
    const std::wstring name = className;
    const LONG_PTR style = GetWindowLongPtrW(placed.Control, GWL_STYLE);
    wchar_t text[1024] = {};
    const int length = GetWindowTextW(placed.Control, text, 1024);
    placed.Described = ORV::Utf16ToUtf8(ORV::FromW(className)) + " \"" + ORV::Utf16ToUtf8(ORV::FromW(text)) + "\"";
    placed.TextBounds = placed.Bounds;
    if (name != L"Button" && name != L"Static") return;
    if (length == 0 || (name == L"Static" && (style & SS_TYPEMASK) == SS_OWNERDRAW)) return;
    const LONG_PTR kind = style & BS_TYPEMASK;
    const bool box = name == L"Button" && kind != BS_PUSHBUTTON && kind != BS_DEFPUSHBUTTON;
    if (name == L"Button" && !box) return;
    placed.HasText = true;
    RECT client{};
    GetClientRect(placed.Control, &client);
    const HDC dc = GetDC(placed.Control);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(placed.Control, WM_GETFONT, 0, 0)));
    const bool wraps = name == L"Static" && (style & SS_TYPEMASK) == SS_LEFT;
    const int boxWidth = box ? MulDiv(18, GetDeviceCaps(dc, LOGPIXELSX), 96) : 0;
    const int width = client.right - boxWidth;
    RECT needed{0, 0, width, 0};
    DrawTextW(dc, text, length, &needed, DT_CALCRECT | DT_NOPREFIX | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, previous);
    ReleaseDC(placed.Control, dc);
    placed.Needed = {needed.right, needed.bottom};
    placed.Available = {width, client.bottom};
    placed.TextFits = needed.right <= width && needed.bottom <= client.bottom;
    // The text's own rectangle: a box's text sits beside its box in the middle of its height; a
    // label's starts at its top, to the left, centred or to the right.
    const int textWidth = std::min<int>(needed.right, width), textHeight = std::min<int>(needed.bottom, client.bottom);
    int left = boxWidth, top = box ? (client.bottom - textHeight) / 2 : 0;
    if (name == L"Static" && (style & SS_TYPEMASK) == SS_CENTER) left = (client.right - textWidth) / 2;
    if (name == L"Static" && (style & SS_TYPEMASK) == SS_RIGHT) left = client.right - textWidth;
    if (name == L"Static" && (style & SS_CENTERIMAGE)) top = (client.bottom - textHeight) / 2;
    placed.TextBounds = {placed.Bounds.left + (box ? 0 : left), placed.Bounds.top + top,
                         placed.Bounds.left + left + textWidth, placed.Bounds.top + top + textHeight};
}

BOOL CALLBACK CollectVisibleControl(HWND control, LPARAM param) {
    if (IsWindowVisible(control)) {
        TPlacedControl placed{control, GetParent(control), {}};
        GetWindowRect(control, &placed.Bounds);
        MeasureText(placed);
        reinterpret_cast<std::vector<TPlacedControl>*>(param)->push_back(placed);
    }
    return TRUE;
}

// What is wrong with the layout of Form's active page: each text cut off, and each text that
// lies over another text or control of its parent (a label's blank space below its lines may). Measured counts the texts looked at.
std::vector<std::string> LayoutFaults(HWND form, const std::string& page, int& measured) {
    std::vector<TPlacedControl> placed;
    EnumChildWindows(form, &CollectVisibleControl, reinterpret_cast<LPARAM>(&placed));
    std::vector<std::string> faults;
    for (size_t i = 0; i < placed.size(); ++i) {
        const TPlacedControl& control = placed[i];
        if (control.HasText) ++measured;
        if (!control.TextFits)
            faults.push_back(page + ": " + control.Described + " needs " + std::to_string(control.Needed.cx) + "x" +
                             std::to_string(control.Needed.cy) + ", has " + std::to_string(control.Available.cx) + "x" +
                             std::to_string(control.Available.cy));
        for (size_t j = i + 1; j < placed.size(); ++j) {
            const TPlacedControl& other = placed[j];
            RECT common{};
            if ((control.HasText || other.HasText) && other.Parent == control.Parent &&
                IntersectRect(&common, &control.TextBounds, &other.TextBounds))
                faults.push_back(page + ": " + control.Described + " and " + other.Described + " overlap");
        }
    }
    return faults;
}

// What the screenshots of one look of the wizard are named by: "<dpi>-<theme>-<language>".
struct TLook {
    std::string Name;
    const char16_t* LanguageFile;
};

// Checks the active page of Form and keeps it as the screenshot "<look>-<n>-<page>".
class TPageGallery {
public:
    explicit TPageGallery(const TLook& look) : FLook(look) {}
    void Take(TWizardForm& form) {
        const std::string page = ORV::Utf16ToUtf8(form.ActivePage()->Name());
        const std::string name = FLook.Name + "-" + std::to_string(++FTaken) + "-" + page;
        TestSupport::Screenshot(form.Handle(), name);
        const std::vector<std::string> found = LayoutFaults(form.Handle(), name, FChecked);
        FFaults.insert(FFaults.end(), found.begin(), found.end());
    }
    int Taken() const { return FTaken; }
    int Checked() const { return FChecked; }
    std::string Faults() const {
        std::string all;
        for (const std::string& line : FFaults) all += line + "\n";
        return all;
    }

private:
    TLook FLook;
    int FTaken = 0, FChecked = 0;
    std::vector<std::string> FFaults;
};

// Takes the progress page into the gallery at the worker's first progress report, while the
// worker waits for this thread.
class TProgressShot : public IInstallerNotify {
public:
    TProgressShot(TWizardForm& form, TPageGallery& gallery) : FForm(form), FGallery(gallery) {}
    void Notify(int32_t code, intptr_t) override {
        if (code != snProgress || FDone) return;
        FDone = true;
        FGallery.Take(FForm);
    }

private:
    TWizardForm& FForm;
    TPageGallery& FGallery;
    bool FDone = false;
};

// Shows the wizard of Setup in the chosen language and takes every page that can be entered
// without starting the run; an automatic run is taken at its first progress report instead,
// and ends before this returns.
void TakeEveryPage(TSetup& setup, const TLook& look, TPageGallery& gallery) {
    setup.Resources().InitializeLanguages([&] { return LanguageIndex(setup.Resources(), look.LanguageFile); });
    TWizardForm form(setup);
    ShowWindow(form.Handle(), SW_SHOW);
    if (setup.HasOption(Auto)) {
        TProgressShot shot(form, gallery);
        setup.AddListener(&shot);
        const bool ended = ServeUntil([&] { return !form.Handle(); }, 120);
        setup.RemoveListener(&shot);
        EXPECT_TRUE(ended) << "the automatic run did not end";
        return;
    }
    for (int32_t i = 0; i < form.Pages().Count(); ++i) {
        TSetupCustomPage& page = form.Pages().Items(i);
        if (page.IsInstallPage()) continue;  // entering it starts the run
        form.SetActivePage(&page);
        gallery.Take(form);
    }
}

// The screen's DPI, as this program saw it when it started.
int ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

} // namespace

// Every page of an install and of an uninstall, in the light and the dark theme, in English and
// in Russian: no text is cut off and no control lies over another. Each page is kept as a
// screenshot, "screenshots/<dpi>-<theme>-<language>-<n>-<page>.png" beside the test program.
TEST(WizardPages, EveryPageFitsInBothThemesAndLanguages) {
    TestSupport::TUserRegistryValue theme(L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                                                L"AppsUseLightTheme", 1);
    // The uninstaller beside a record of an installation without files.
    const TestSupport::TTempDir program, installed;
    TSetupPackageBuilder data;
    ORV::TMemoryStream record = TestSupport::MemoryStreamOf(std::string("[Uninstall]\r\nCount=0\r\n"));
    data.AddFile(record, u"Uninstall.ini");
    data.SaveToFile(program.File("Uninstall.dat"), 1);
    for (const bool dark : {false, true}) {
        theme.Set(dark ? 0 : 1);
        for (const auto& [language, file] : {std::pair{"en", u"English.lng"}, std::pair{"ru", u"Russian.lng"}}) {
            const TLook look{std::to_string(ScreenDpi()) + "dpi-" + (dark ? "dark" : "light") + "-" + language, file};
            SCOPED_TRACE(look.Name);
            TPageGallery gallery(look);
            {
                TSetup install(u"");
                TakeEveryPage(install, look, gallery);
            }
            {
                const TestSupport::TTempDir dest;
                TSetup install(u"/AUTO=\"" + dest.Folder() + u"\" /PORTABLE");
                TakeEveryPage(install, look, gallery);
            }
            {
                TSetup uninstall(u"", program.File("Uninstall.exe"));
                uninstall.SetDestPath(installed.Folder());
                TakeEveryPage(uninstall, look, gallery);
            }
            {
                TSetup uninstall(u"/AUTO", program.File("Uninstall.exe"));
                uninstall.SetDestPath(installed.Folder());
                TakeEveryPage(uninstall, look, gallery);
            }
            // Install: welcome, licence, setup, (add-ons,) integration, ready, finish, progress;
            // uninstall: options, finish, progress.
            EXPECT_EQ(gallery.Taken(), std::string(language) == "ru" ? 11 : 10);
            EXPECT_GE(gallery.Checked(), 40) << "the texts were not looked at";
            EXPECT_EQ(gallery.Faults(), "");
        }
    }
}

// The same at 144 DPI: Wine reads the DPI when a program starts, so this program runs the check
// above once more, started anew with the larger setting.
TEST(WizardPages, EveryPageFitsAtOneHundredFortyFourDpiToo) {
    if (ScreenDpi() != 96) GTEST_SKIP() << "this run is the one at another DPI";
    const TestSupport::TUserRegistryValue dpi(L"Control Panel\\Desktop", L"LogPixels", 144);
    const TestSupport::TTempDir work;
    const std::filesystem::path output = work / "output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const ORV::TScopedKernelHandle log(CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = log.Get();
    PROCESS_INFORMATION process{};
    std::u16string command(u"\"");
    command += ORV::Platform::ExecutableFileName();
    command += u"\" --gtest_color=no --gtest_filter=WizardPages.EveryPageFitsInBothThemesAndLanguages";
    ASSERT_TRUE(CreateProcessW(nullptr, const_cast<wchar_t*>(ORV::W(command)), nullptr, nullptr, TRUE, 0, nullptr,
                               nullptr, &startup, &process));
    CloseHandle(process.hThread);
    DWORD exitCode = 1;
    const bool ended = ServeUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 600);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    const std::vector<uint8_t> printed = TestSupport::ReadAll(output);
    EXPECT_TRUE(ended);
    EXPECT_EQ(exitCode, 0u) << std::string(printed.begin(), printed.end());
    const std::filesystem::path shots = std::filesystem::path(ORV::Platform::ExecutableFileName()).parent_path() / "screenshots";
    EXPECT_TRUE(std::filesystem::exists(shots / "144dpi-dark-ru-1-PageWelcome.png")) << "not run at 144 DPI";
}
