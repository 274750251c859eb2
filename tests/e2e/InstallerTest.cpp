// Installers built by the project, started as a user would start them, under Wine.

#include "ORV.Strings.h"
#include "ORV.Win32.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using TestSupport::TTempDir;

namespace {

struct TBox {
    bool Shown = false;
    std::u16string Caption;
    std::u16string Text;
};

struct TOutcome {
    DWORD ExitCode = STILL_ACTIVE;
    TBox Box;
};

struct TFindBox {
    DWORD ProcessId;
    HWND Window = nullptr;
};

BOOL CALLBACK FindDialogProc(HWND window, LPARAM param) {
    auto* find = reinterpret_cast<TFindBox*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (owner == find->ProcessId && std::wstring(className) == L"#32770" && IsWindowVisible(window)) {
        find->Window = window;
        return FALSE;
    }
    return TRUE;
}

// The dialog box (a message box) that the process shows, if any.
HWND FindDialogOf(DWORD processId) {
    TFindBox find{processId};
    EnumWindows(&FindDialogProc, reinterpret_cast<LPARAM>(&find));
    return find.Window;
}

std::u16string WindowText(HWND window) {
    wchar_t text[4096] = {};
    GetWindowTextW(window, text, 4096);
    return ORV::FromW(text);
}

// Starts Program with Parameters and waits for it to end. A message box it shows is read and
// answered with OK, as a user would.
TOutcome RunInstaller(const std::u16string& program, const std::u16string& parameters) {
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
    for (int slice = 0; slice < 1200; ++slice) {  // two minutes at most
        if (WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
        if (HWND box = FindDialogOf(process.dwProcessId); box && !outcome.Box.Shown) {
            outcome.Box.Shown = true;
            outcome.Box.Caption = WindowText(box);
            outcome.Box.Text = WindowText(GetDlgItem(box, 0xFFFF));
            PostMessageW(box, WM_COMMAND, IDOK, 0);
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

std::u16string Built(const char* path) { return TestSupport::BuiltFile(path).u16string(); }

std::u16string Quoted(const TTempDir& temp) {
    std::u16string quoted(1, u'"');
    return quoted.append(temp.Path().u16string()).append(u"\\\"");
}

} // namespace

TEST(Installer, ASilentRunEndsWithoutAWindow) {
    TTempDir dest;
    const TOutcome outcome = RunInstaller(Built(QOVI_DEMO_INSTALLER), u"/AUTO=" + Quoted(dest) + u" /SILENT");
    EXPECT_FALSE(outcome.Box.Shown) << ORV::Utf16ToUtf8(outcome.Box.Text);
    EXPECT_EQ(outcome.ExitCode, 0u);
}

TEST(Installer, AFailingActionShowsItsErrorLineAndExitsWithOne) {
    TTempDir dest;
    const TOutcome outcome = RunInstaller(Built(QOVI_FAILING_INSTALLER), u"/AUTO=" + Quoted(dest) + u" /SILENT /RUN");
    EXPECT_TRUE(outcome.Box.Shown);
    EXPECT_EQ(outcome.Box.Caption, u"Setup");
    EXPECT_EQ(outcome.Box.Text, u"Cannot write \"demo.txt\"\r\n");  // the error list, one line each
    EXPECT_EQ(outcome.ExitCode, 1u);
}

TEST(Installer, AnUpdateThatCannotBeMadeIsRefused) {
    TTempDir dest;
    TestSupport::WriteAll(dest / "QOVI.ini", TestSupport::Bytes("[System]\r\nVersion=5500\r\n"));
    const TOutcome outcome = RunInstaller(Built(QOVI_DEMO_INSTALLER), u"/AUTO=" + Quoted(dest) + u" /UPDATE /SILENT");
    EXPECT_EQ(outcome.Box.Text, u"Cannot install update on v5.50");
    EXPECT_EQ(outcome.ExitCode, 1u);
}

TEST(Installer, ABuildWithoutProductInformationIsMalformed) {
    const TOutcome outcome = RunInstaller(Built(QOVI_MALFORMED_INSTALLER), u"/AUTO /SILENT");
    EXPECT_EQ(outcome.Box.Text, u"Setup is malformed");
    EXPECT_EQ(outcome.ExitCode, 1u);
}
