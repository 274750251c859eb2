// The player's integration and removal actions: their pure rules as tables, and the removal
// through the real controller and worker on real folders, links and registry.

#include "ORV.Classes.StringList.h"
#include "ORV.FileFormats.INI.h"
#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.Actions.h"
#include "Setup.Core.AppRepo.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Package.h"
#include "Setup.Core.Resources.h"
#include "Setup.Product.QOVI.Addons.h"
#include "Setup.Product.QOVI.Integrate.h"
#include "Setup.Product.QOVI.Shortcuts.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>

using namespace Setup::Core;
using namespace Setup::Product::QOVI;
using TestSupport::Bytes;
using TestSupport::ReadAll;
using TestSupport::TTempDir;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<ORV::TORVIniFile> IniOf(const std::string& text) {
    auto ini = std::make_unique<ORV::TORVIniFile>();
    ORV::TMemoryStream stream = TestSupport::MemoryStreamOf(Bytes(text));
    ini->LoadFromStream(stream);
    return ini;
}

} // namespace

TEST(IntegrateAction, SwitchesFollowTheChoicesTheSystemAndTheRunKind) {
    const struct {
        const char* Settings;
        uint32_t Windows;
        bool Automatic;
        const char16_t* Switches;
    } cases[] = {
        {"", 1000, false, u" /REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2 /REG_UI"},
        {"", 1000, true, u" /REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2"},
        {"", 601, false, u" /REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2"},
        {"", 602, false, u" /REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2 /REG_UI"},
        {"[Integration]\r\nIntegrateToWindows=0\r\nAssociateWithFiles=0\r\n", 1000, false, u" /REG=M1"},
        {"[Integration]\r\nIntegrateToWindows=0\r\nRegisterContextMenu=0\r\nAssociateWithFiles=0\r\n", 1000, false, u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TSetupActionIntegrate::Switches(*IniOf(c.Settings), c.Windows, c.Automatic), c.Switches)
            << c.Settings << " on " << c.Windows << (c.Automatic ? ", automatic" : "");
    }
}

TEST(AddonsAction, ParametersFollowTheChoicesAndKeepTheirTrailingBlank) {
    ORV::TORVStringList values;
    for (const char16_t* line : {u"P1=/NOEXT", u"P2=/VIEWER", u"P3=/LINKS", u"P4=Addons.exe"}) values.Add(line);
    EXPECT_EQ(TSetupActionAddonsInstall::ChoiceParameters(values, true, false, false), u"/NOEXT /VIEWER ");
    EXPECT_EQ(TSetupActionAddonsInstall::ChoiceParameters(values, false, true, false), u"");
    EXPECT_EQ(TSetupActionAddonsInstall::ChoiceParameters(values, true, true, true), u"/VIEWER /LINKS ");
    EXPECT_EQ(TSetupActionAddonsInstall::ChoiceParameters(values, false, false, true), u"/NOEXT /LINKS ");
}

// Links are written through the shell's own link objects and read back as the shell reads them.
TEST(ShortcutsAction, ALinkIsWrittenOnlyToAnExistingTargetAndLeftAloneWhenItPointsThereAlready) {
    const ORV::TComInitialization com;
    const TTempDir temp;
    TestSupport::WriteText(temp / "Player" / "QOVI.exe", "player");
    TestSupport::WriteText(temp / "Other" / "Other.exe", "other");
    const std::u16string player = temp.File("Player") + u"\\QOVI.exe";
    const std::u16string link = temp.File("QOVI.lnk");
    std::u16string target;

    TSetupActionShortcuts::UpdateLink(temp.File("Missing.lnk"), temp.File("Player") + u"\\Gone.exe");
    EXPECT_FALSE(fs::exists(temp / "Missing.lnk"));

    TSetupActionShortcuts::UpdateLink(link, player);
    ASSERT_TRUE(TSetupActionShortcuts::ReadLinkTarget(link, target));
    EXPECT_TRUE(ORV::Platform::SameTextLocale(target, player)) << ORV::Utf16ToUtf8(target);

    // Another spelling of the same target changes nothing; another target replaces the link.
    const std::vector<uint8_t> written = ReadAll(temp / "QOVI.lnk");
    TSetupActionShortcuts::UpdateLink(link, ORV::Platform::UpperCaseLocale(player));
    EXPECT_EQ(ReadAll(temp / "QOVI.lnk"), written);
    TSetupActionShortcuts::UpdateLink(link, temp.File("Other") + u"\\Other.exe");
    ASSERT_TRUE(TSetupActionShortcuts::ReadLinkTarget(link, target));
    EXPECT_TRUE(ORV::Platform::SameTextLocale(target, temp.File("Other") + u"\\Other.exe"));

    // A file that is no link is replaced by one.
    TestSupport::WriteText(temp / "Broken.lnk", "not a link");
    TSetupActionShortcuts::UpdateLink(temp.File("Broken.lnk"), player);
    EXPECT_TRUE(TSetupActionShortcuts::ReadLinkTarget(temp.File("Broken.lnk"), target));
}

namespace {

LRESULT CALLBACK StubbornPlayerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) return 0;  // a player that will not close
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

// While the player will not close, a stop request ends the passes at once: the run stops
// before its next action, and nothing of the installation was touched.
TEST(CloseApplicationsAction, AStopRequestEndsThePassesAtOnce) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = StubbornPlayerProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TQOVIMainForm";
    RegisterClassW(&windowClass);
    const HWND player = CreateWindowExW(0, L"TQOVIMainForm", L"QOVI", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                        nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(player, nullptr);

    const TTempDir dest;
    TSetup setup(u"/AUTO=\"" + dest.Folder() + u"\" /SILENT");
    setup.Resources().InitializeLanguages();
    setup.StartWorker(false);
    // The worker's WM_CLOSE reaches the window through this thread, which serves it here.
    const ULONGLONG started = GetTickCount64();
    while (GetTickCount64() - started < 3000) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(20);
    }
    const ULONGLONG stopping = GetTickCount64();
    setup.StopWorker();
    EXPECT_LT(GetTickCount64() - stopping, 2000u) << "the stop waited for the passes";
    EXPECT_TRUE(IsWindow(player));
    EXPECT_TRUE(fs::is_empty(dest.Path()));
    EXPECT_EQ(setup.Errors().Text(), u"The installation was stopped.\r\n");
    DestroyWindow(player);
}
