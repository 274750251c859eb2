// The demo product's stand-in programs, run for real. The installer's end-to-end tests judge a
// run by what these programs record, so the records themselves are checked here first.
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using TestSupport::TTempDir;

constexpr DWORD Patience = 10000; // ms; Wine's first start of a program can be slow

using TestSupport::BuiltFile;

// Copies the built file to Folder / Name, creating Folder, and gives the copy's path.
fs::path Deploy(const char* built, const fs::path& folder, const wchar_t* name) {
    fs::create_directories(folder);
    fs::copy_file(BuiltFile(built), folder / name);
    return folder / name;
}

// The CR LF separated lines of a UTF-8 log; a missing file has none.
std::vector<std::string> LogLines(const fs::path& log) {
    const std::vector<uint8_t> bytes = TestSupport::ReadAll(log);
    const std::string text(bytes.begin(), bytes.end());
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// A started process: Program as the application name, CommandLine as given, as the installer
// starts them. One that is still running when the test ends is terminated.
class TProcess {
public:
    TProcess(const fs::path& program, std::wstring commandLine) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        FStarted = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &FInfo);
    }
    ~TProcess() {
        if (!FStarted) return;
        if (WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(FInfo.hProcess, 1);
        CloseHandle(FInfo.hThread);
        CloseHandle(FInfo.hProcess);
    }
    TProcess(const TProcess&) = delete;
    TProcess& operator=(const TProcess&) = delete;

    bool Started() const { return FStarted; }
    HANDLE Handle() const { return FInfo.hProcess; }
    DWORD Id() const { return FInfo.dwProcessId; }
    // The exit code once the process has ended, STILL_ACTIVE when it has not within Patience.
    DWORD WaitForExit() const {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(FInfo.hProcess, Patience) == WAIT_OBJECT_0) GetExitCodeProcess(FInfo.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION FInfo{};
    bool FStarted = false;
};

struct TWindowSearch {
    DWORD ProcessId;
    HWND Found;
};

BOOL CALLBACK MatchMainForm(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<TWindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (owner != search.ProcessId || std::wstring(className) != L"TQOVIMainForm") return TRUE;
    search.Found = window;
    return FALSE;
}

// The player's main window. Other tests may have players of their own open at the same time,
// so the window must also belong to Process. Null when none appears within Patience.
HWND WaitForMainForm(const TProcess& process) {
    WaitForInputIdle(process.Handle(), Patience);
    for (DWORD waited = 0; waited < Patience; waited += 100) {
        TWindowSearch search{process.Id(), nullptr};
        EnumWindows(MatchMainForm, reinterpret_cast<LPARAM>(&search));
        if (search.Found) return search.Found;
        Sleep(100);
    }
    return nullptr;
}

std::vector<uint8_t> Utf16LeWithMark(const std::string& ascii) {
    std::vector<uint8_t> bytes{0xFF, 0xFE};
    for (const char c : ascii) bytes.insert(bytes.end(), {static_cast<uint8_t>(c), 0});
    return bytes;
}

TEST(DemoProgramsTest, PlayerTitleShowsTheConfiguredVersionAndWmCloseEndsIt) {
    struct TCase {
        const char* Label;
        std::vector<uint8_t> Config; // empty: no QOVI.ini at all
        std::wstring Title;
    };
    // The installer writes a new QOVI.ini in UTF-16 LE; an old one may still be ANSI.
    const TCase cases[] = {
        {"written by the installer", Utf16LeWithMark("[System]\r\nVersion=5100\r\n"), L"QOVI 5.10"},
        {"ANSI, one-digit minor", TestSupport::Bytes("[Integration]\r\n[System]\r\nVersion=5040\r\n"), L"QOVI 5.04"},
        {"none", {}, L"QOVI (no configuration)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Label);
        const TTempDir dir;
        const fs::path player = Deploy(QOVI_DEMO_PLAYER, dir.Path(), L"QOVI.exe");
        if (!c.Config.empty()) TestSupport::WriteAll(dir.Path() / L"QOVI.ini", c.Config);

        const TProcess process(player, L"\"" + player.wstring() + L"\"");
        ASSERT_TRUE(process.Started()) << GetLastError();
        const HWND window = WaitForMainForm(process);
        ASSERT_NE(window, nullptr);

        wchar_t title[256] = {};
        GetWindowTextW(window, title, 256);
        EXPECT_EQ(std::wstring(title), c.Title);

        DWORD_PTR result = 0;
        EXPECT_NE(SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, Patience, &result), 0);
        EXPECT_EQ(process.WaitForExit(), 0u);
    }
}

TEST(DemoProgramsTest, RecordersAppendTheirArgumentsAsUtf8Lines) {
    struct TCase {
        const char* Built;
        const wchar_t* Name;
        const wchar_t* Log;
        bool Quoted; // the installer itself starts Elevator.exe by its bare path
    };
    const TCase cases[] = {
        {QOVI_DEMO_ELEVATOR, L"Elevator.exe", L"Elevator.log", false},
        {QOVI_DEMO_ELEVATOR, L"Elevator.exe", L"Elevator.log", true},
        {QOVI_DEMO_ADDONS, L"QOVIAddons.exe", L"QOVIAddons.log", true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(fs::path(c.Name).string() + (c.Quoted ? " quoted" : " unquoted"));
        const TTempDir dir;
        // A blank in the folder is what makes an unquoted program path ambiguous.
        const fs::path program = Deploy(c.Built, dir.Path() / L"Program Files" / L"QOVI", c.Name);
        const std::wstring start = c.Quoted ? L"\"" + program.wstring() + L"\"" : program.wstring();

        for (const wchar_t* arguments : {L" /REG=A /REG_UI", L"  /REG=U /DEST=\u00C5\u0436"}) {
            const TProcess process(program, start + arguments);
            ASSERT_TRUE(process.Started()) << GetLastError();
            EXPECT_EQ(process.WaitForExit(), 0u);
        }
        EXPECT_EQ(LogLines(program.parent_path() / c.Log),
                  (std::vector<std::string>{"/REG=A /REG_UI", "/REG=U /DEST=\xC3\x85\xD0\xB6"}));
    }
}

TEST(DemoProgramsTest, MenuLibraryRecordsEachEntryPointCalled) {
    const TTempDir dir;
    const fs::path library = Deploy(QOVI_DEMO_MENU, dir.Path() / L"System", L"qovi_menu32.dll");

    const HMODULE module = LoadLibraryW(library.c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    using TEntryPoint = HRESULT(STDAPICALLTYPE*)();
    const auto entry = [module](const char* name) {
        return reinterpret_cast<TEntryPoint>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    };
    const TEntryPoint unregisterServer = entry("DllUnregisterServer");
    const TEntryPoint registerServer = entry("DllRegisterServer");
    ASSERT_NE(unregisterServer, nullptr);
    ASSERT_NE(registerServer, nullptr);
    EXPECT_EQ(unregisterServer(), S_OK);
    EXPECT_EQ(registerServer(), S_OK);
    FreeLibrary(module);

    EXPECT_EQ(LogLines(dir.Path() / L"System" / L"qovi_menu32.log"),
              (std::vector<std::string>{"DllUnregisterServer", "DllRegisterServer"}));
}

} // namespace
