// The language dialog and the wizard's frame on the demo's setup package, as real windows.

#include "ORV.Win32.Handles.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Resources.h"
#include "Setup.UI.LanguageDialog.h"
#include "Setup.UI.Wizard.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace Setup::Core;
using namespace Setup::UI;

namespace {

// Presses the window's default button from a timer once the modal loop runs.
void PressOkSoon(HWND window) {
    SetTimer(window, 1, 100, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
        KillTimer(hwnd, id);
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDOK)));
    });
}

std::u16string Message(TSetup& setup, const char16_t* key) { return setup.Resources().GetMessage(u"Common", key); }

} // namespace

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

// An automatic install shows the install and the finish page; Next reads by the page after.
TEST(WizardForm, AnAutomaticRunHasTheInstallAndTheFinishPage) {
    const TestSupport::TTempDir dest;
    TSetup setup(u"/AUTO=\"" + dest.Folder() + u"\"");
    setup.Resources().InitializeLanguages();
    TWizardForm form(setup);
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

    form.bNextClick();
    EXPECT_EQ(form.ActivePage(), form.Pages().Last());
    EXPECT_EQ(form.NextButton().Text(), Message(setup, u"bFinish"));
    EXPECT_EQ(form.Taskbar().Value(), 100u);
    EXPECT_FALSE(form.BackButton().Visible()) << "the finish page does not go back";
}

// The frame's geometry follows the DPI as MulDiv rounds.
TEST(WizardForm, TheStripIsScaledWithTheDpi) {
    const TestSupport::TTempDir dest;
    TSetup setup(u"/AUTO=\"" + dest.Folder() + u"\"");
    setup.Resources().InitializeLanguages();
    TWizardForm form(setup);
    const int dpi = form.Dpi();
    EXPECT_EQ(form.ProgressViewInfo().Bounds.top, MulDiv(53, dpi, 96));
    EXPECT_EQ(form.ProgressViewInfo().BarBounds.bottom, MulDiv(63, dpi, 96) - MulDiv(2, dpi, 96));
    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, MulDiv(640, dpi, 96));
    EXPECT_EQ(client.bottom, MulDiv(480, dpi, 96));
}
