// Processes, restarts and files in use, run for real under Wine: the other end of every start is
// LaunchChild, which notes in "launch.log" beside itself who it is, who started it and with what
// command line. The delayed deletes are read back from the registry, where the system keeps them
// until it restarts.
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.CommandLine.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.CommandLine.h"
#include "Setup.Core.Launch.h"
#include "Setup.Core.Resources.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace Setup::Core;
using ORV::FromW;
using ORV::W;
using TestSupport::TTempDir;

namespace {

namespace fs = std::filesystem;

constexpr DWORD Patience = 15000; // ms; Wine's first start of a program can be slow

std::u16string U(const fs::path& path) { return path.u16string(); }
std::u16string Quoted(const std::u16string& path) { return u"\"" + path + u"\""; }

// Copies LaunchChild to Folder / Name, creating Folder.
fs::path DeployChild(const fs::path& folder, const std::wstring& name) {
    fs::create_directories(folder);
    fs::copy_file(TestSupport::BuiltFile(QOVI_LAUNCH_CHILD), folder / name, fs::copy_options::overwrite_existing);
    return folder / name;
}

struct TLaunch {
    std::u16string Program;
    DWORD ProcessId = 0;
    DWORD ParentId = 0;
    std::u16string CommandLine;
    std::u16string Params() const { return ORV::GetParamsFrom(CommandLine); }
};

std::vector<TLaunch> ReadLog(const fs::path& folder) {
    const std::vector<uint8_t> bytes = TestSupport::ReadAll(folder / "launch.log");
    const std::u16string text = ORV::Utf8ToUtf16(std::string(bytes.begin(), bytes.end()));
    std::vector<TLaunch> launches;
    for (size_t start = 0, end; (end = text.find(u"\r\n", start)) != std::u16string::npos; start = end + 2) {
        const std::u16string line = text.substr(start, end - start);
        const size_t a = line.find(u'\t'), b = line.find(u'\t', a + 1), c = line.find(u'\t', b + 1);
        int64_t pid = 0, parent = 0;
        ORV::TryStrToInt64(line.substr(a + 1, b - a - 1), pid);
        ORV::TryStrToInt64(line.substr(b + 1, c - b - 1), parent);
        launches.push_back({line.substr(0, a), DWORD(pid), DWORD(parent), line.substr(c + 1)});
    }
    return launches;
}

// The log once it holds Count launches, or what it holds after Patience.
std::vector<TLaunch> WaitForLog(const fs::path& folder, size_t count) {
    for (DWORD waited = 0;; waited += 50) {
        std::vector<TLaunch> launches = ReadLog(folder);
        if (launches.size() >= count || waited >= Patience) return launches;
        Sleep(50);
    }
}

// Ends a child that was left running, and waits until it is gone so that its folder can go too.
void EndProcess(DWORD processId, bool terminate) {
    const ORV::TScopedKernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (!process) return;
    if (terminate) TerminateProcess(process.Get(), 1);
    WaitForSingleObject(process.Get(), Patience);
}

bool StillRunning(DWORD processId) {
    const ORV::TScopedKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    return process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

bool Exists(const std::u16string& path) {
    return GetFileAttributesW(W(ORV::LongPathForm(path))) != INVALID_FILE_ATTRIBUTES;
}

// A folder under Base whose path is at least 260 characters long. It removes itself through the
// extended-length form, which std::filesystem (and so TTempDir) does not use by itself.
class TLongFolder {
public:
    explicit TLongFolder(const fs::path& base) {
        std::u16string folder = U(base);
        while (folder.size() < 300) {
            folder += u"\\" + std::u16string(60, u'd');
            CreateDirectoryW(W(ORV::LongPathForm(folder)), nullptr);
            FLevels.push_back(folder);
        }
        FPath = folder + u"\\";
    }
    ~TLongFolder() {
        for (auto level = FLevels.rbegin(); level != FLevels.rend(); ++level) {
            WIN32_FIND_DATAW found;
            const HANDLE search = FindFirstFileW(W(ORV::LongPathForm(*level + u"\\*")), &found);
            if (search != INVALID_HANDLE_VALUE) {
                do {
                    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                        DeleteFileW(W(ORV::LongPathForm(*level + u"\\" + FromW(found.cFileName))));
                } while (FindNextFileW(search, &found));
                FindClose(search);
            }
            RemoveDirectoryW(W(ORV::LongPathForm(*level)));
        }
    }
    TLongFolder(const TLongFolder&) = delete;
    TLongFolder& operator=(const TLongFolder&) = delete;

    // With a trailing backslash.
    const std::u16string& Path() const { return FPath; }

private:
    std::vector<std::u16string> FLevels;
    std::u16string FPath;
};

// Leaves the spawn service as a test needs it, whatever the tests before it did.
void ResetSpawnService() { TSetupSpawnService::Finalize(); }

class TEvent {
public:
    TEvent() : FHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    HANDLE Get() const { return FHandle.Get(); }

private:
    ORV::TScopedKernelHandle FHandle;
};

} // namespace

// ---- Waiting

namespace {
TEvent& Served() {
    static TEvent event;
    return event;
}
// A window procedure must be a stdcall function in the 32-bit build, which no lambda converts to.
LRESULT CALLBACK WaiterWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) SetEvent(Served().Get());
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

TEST(LaunchTest, TheMainThreadServesMessagesSentToItsWindowsWhileItWaits) {
    WNDCLASSW windowClass{};
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QoviLaunchTestWaiter";
    windowClass.lpfnWndProc = WaiterWindowProc;
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    // The sender blocks until this thread runs the window procedure, as the worker's
    // notifications do; the event it sets is what this thread waits for.
    std::atomic<bool> delivered{false};
    std::thread sender([&] {
        DWORD_PTR result = 0;
        delivered = SendMessageTimeoutW(window, WM_USER, 0, 0, SMTO_NORMAL, Patience, &result) != 0;
    });
    EXPECT_EQ(WaitServingMessages(Served().Get(), Patience), WAIT_OBJECT_0);
    sender.join();
    EXPECT_TRUE(delivered);
    DestroyWindow(window);
}

TEST(LaunchTest, WaitsEndAtTheTimeoutOrAtOnceForASignalledHandle) {
    const TEvent open, signalled;
    SetEvent(signalled.Get());
    const auto check = [&](const char* where) {
        SCOPED_TRACE(where);
        EXPECT_EQ(WaitServingMessages(signalled.Get(), 0), WAIT_OBJECT_0);
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(WaitServingMessages(open.Get(), 300), DWORD(WAIT_TIMEOUT));
        const ULONGLONG took = GetTickCount64() - start;
        EXPECT_GE(took, 290u);
        EXPECT_LT(took, 5000u);
    };
    check("main thread");
    std::thread([&] { check("other thread"); }).join();
}

// ---- Spawn service

TEST(LaunchTest, TheSpawnServiceIsInitialisedOnceAndFinalizeUndoesIt) {
    ResetSpawnService();
    TSetupSpawnService::Initialize(0);
    const HWND own = TSetupSpawnService::SpawnWindow();
    EXPECT_TRUE(IsWindow(own));
    EXPECT_TRUE(TSetupSpawnService::OwnsWindow());
    EXPECT_EQ(TSetupSpawnService::SpawnToken(), RegisterWindowMessageW(L"SpawnToken"));
    wchar_t className[64] = {};
    GetClassNameW(own, className, 64);
    EXPECT_EQ(std::wstring(className), L"TSetupSpawnService");

    for (const intptr_t handle : {intptr_t(0), intptr_t(1234)}) {
        try {
            TSetupSpawnService::Initialize(handle);
            ADD_FAILURE() << "a second Initialize(" << handle << ") was accepted";
        } catch (const ORV::Exception& error) {
            EXPECT_EQ(error.Message(), u"SpawnService is already initialized");
        }
        EXPECT_EQ(TSetupSpawnService::SpawnWindow(), own);
        EXPECT_TRUE(TSetupSpawnService::OwnsWindow());
    }

    TSetupSpawnService::Finalize();
    EXPECT_FALSE(IsWindow(own));
    EXPECT_EQ(TSetupSpawnService::SpawnWindow(), nullptr);

    // A window received from another process is only borrowed.
    const HWND received = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    TSetupSpawnService::Initialize(reinterpret_cast<intptr_t>(received));
    EXPECT_EQ(TSetupSpawnService::SpawnWindow(), received);
    EXPECT_FALSE(TSetupSpawnService::OwnsWindow());
    TSetupSpawnService::Finalize();
    EXPECT_TRUE(IsWindow(received));
    DestroyWindow(received);
}

// Under Wine the user is always an administrator and "runas" simply starts the program, so the
// whole elevated restart runs here: this process plays the first one, LaunchChild the copy.
TEST(LaunchTest, RestartElevatedServesTheCopysStartRequestsAndReturnsItsExitCode) {
    ResetSpawnService();
    const TTempDir dir;
    const fs::path copy = DeployChild(dir.Path() / L"Setup Copy", L"Setup.exe");
    const fs::path runAfter = DeployChild(dir.Path() / L"Run After", L"Player.exe");

    DWORD exitCode = 0;
    const std::u16string params = u"/EXECUTE=\"" + U(runAfter) + u"\" /EXIT=7";
    ASSERT_TRUE(RestartElevated(U(copy), params, exitCode));
    EXPECT_EQ(exitCode, 7u);
    EXPECT_TRUE(TSetupSpawnService::OwnsWindow());

    const std::vector<TLaunch> copies = ReadLog(copy.parent_path());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].Params(),
              ElevatedRestartParams(reinterpret_cast<intptr_t>(TSetupSpawnService::SpawnWindow()), params));
    // The copy sent the request and waited for it, so the program already ran, and it was this
    // process, not the copy, that started it.
    const std::vector<TLaunch> opened = WaitForLog(runAfter.parent_path(), 1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(ORV::Platform::SameTextLocale(opened[0].Program, U(runAfter)));
    EXPECT_EQ(opened[0].ParentId, GetCurrentProcessId());
    EXPECT_NE(opened[0].ParentId, copies[0].ProcessId);
    EndProcess(opened[0].ProcessId, false);
    ResetSpawnService();
}

TEST(LaunchTest, RestartElevatedRaisesTheSystemErrorForAProgramThatCannotStart) {
    ResetSpawnService();
    const TTempDir dir;
    DWORD exitCode = 0;
    try {
        RestartElevated(dir.File("missing.exe"), u"", exitCode);
        ADD_FAILURE() << "no error for a missing program";
    } catch (const ORV::EOSError& error) {
        EXPECT_NE(error.ErrorCode(), DWORD(ERROR_CANCELLED));
        EXPECT_EQ(error.Message().rfind(u"System Error.  Code: ", 0), 0u);
    }
    ResetSpawnService();
}

// An administrator's start without a first process: Explorer opens the program. Wine's
// Explorer runs it, so the program's own record shows the request arrived.
TEST(LaunchTest, ExecuteWithoutAnotherProcessOpensThroughExplorer) {
    const TTempDir dir;
    const fs::path player = DeployChild(dir.Path() / L"Q Player", L"QOVI.exe");
    for (const bool initialised : {false, true}) {
        SCOPED_TRACE(initialised ? "own window" : "not initialised");
        ResetSpawnService();
        if (initialised) TSetupSpawnService::Initialize(0);
        const size_t before = ReadLog(player.parent_path()).size();
        TSetupSpawnService::Execute(U(player));
        const std::vector<TLaunch> opened = WaitForLog(player.parent_path(), before + 1);
        ASSERT_EQ(opened.size(), before + 1);
        EXPECT_NE(opened.back().ParentId, GetCurrentProcessId());
        EndProcess(opened.back().ProcessId, false);
    }
    ResetSpawnService();
}

TEST(LaunchTest, ShellCommandsQuoteWhatTheyPassAndNameExplorerByItsPath) {
    struct TCase {
        const char* Label;
        TShellCommand Command, Expected;
    };
    const std::u16string browser = u"C:\\windows\\system32\\winebrowser.exe";
    const TCase cases[] = {
        {"Explorer, Vista or later", DesktopOpenCommand(u"C:\\Program Files\\QOVI\\QOVI.exe", u"C:\\windows", true),
         {u"C:\\windows\\explorer.exe", u"\"C:\\Program Files\\QOVI\\QOVI.exe\""}},
        {"before Vista", DesktopOpenCommand(u"C:\\QOVI\\QOVI.exe", u"C:\\windows\\", false),
         {u"C:\\QOVI\\QOVI.exe", u""}},
        {"a program with its parameters", ShellOpenCommand(u"C:\\a b\\x.exe", u"/PATH=\"C:\\q\\\"", browser),
         {u"C:\\a b\\x.exe", u"/PATH=\"C:\\q\\\""}},
        {"an address on Wine", ShellOpenCommand(u"https://qovi.example/a b", u"/x", browser),
         {browser, u"\"https://qovi.example/a b\""}},
        {"an address on Windows", ShellOpenCommand(u"https://qovi.example/", u"/x", u""),
         {u"https://qovi.example/", u""}},
        {"mail", ShellOpenCommand(u"MAILTO:team@qovi.example", u"", u""), {u"MAILTO:team@qovi.example", u""}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(c.Command.File, c.Expected.File);
        EXPECT_EQ(c.Command.Parameters, c.Expected.Parameters);
    }

    const std::pair<const char16_t*, bool> addresses[] = {
        {u"http://x", true}, {u"svn+ssh://x", true}, {u"mailto:a@b", true}, {u"C://x", false},
        {u"C:\\x.exe", false}, {u"1http://x", false}, {u"http:/x", false}, {u"", false},
    };
    for (const auto& [text, expected] : addresses) EXPECT_EQ(IsAddress(text), expected) << ORV::Utf16ToUtf8(text);

    const std::pair<const char16_t*, const char16_t*> quoted[] = {
        {u"C:\\a b\\x.exe", u"\"C:\\a b\\x.exe\""},
        {u"C:\\folder\\", u"\"C:\\folder\\\\\""},
        {u"say \"hi\"", u"\"say \\\"hi\\\"\""},
        {u"", u"\"\""},
    };
    for (const auto& [text, expected] : quoted) EXPECT_EQ(QuoteArgument(text), expected) << ORV::Utf16ToUtf8(text);

    // Evidence of Wine that does not come from the function itself: its own registry key.
    ORV::TScopedRegKey wineKey;
    const bool wine =
        RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, KEY_READ, wineKey.Receive()) == ERROR_SUCCESS;
    EXPECT_EQ(IsWine(), wine);
}

TEST(LaunchTest, StartRequestsAreCheckedBeforeAnythingIsOpened) {
    const UINT token = RegisterWindowMessageW(L"SpawnToken");
    const std::u16string path = u"C:\\QOVI\\QOVI.exe";
    const std::u16string withTerminator(path.c_str(), path.size() + 1);
    struct TCase {
        const char* Label;
        ULONG_PTR Data;
        DWORD Bytes;
        const void* Text;
        bool Accepted;
    };
    const TCase cases[] = {
        {"well formed", token, DWORD(path.size() * 2), path.data(), true},
        {"another token", token + 1, DWORD(path.size() * 2), path.data(), false},
        {"odd byte count", token, DWORD(path.size() * 2 - 1), path.data(), false},
        {"empty", token, 0, path.data(), false},
        {"no data", token, 8, nullptr, false},
        {"with a terminator", token, DWORD(withTerminator.size() * 2), withTerminator.data(), false},
        {"longer than any path", token, 2 * 32768, path.data(), false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Label);
        COPYDATASTRUCT record{c.Data, c.Bytes, const_cast<void*>(c.Text)};
        std::u16string text = u"untouched";
        EXPECT_EQ(DecodeSpawnRequest(&record, token, text), c.Accepted);
        EXPECT_EQ(text, c.Accepted ? path : u"untouched");
    }
    std::u16string text;
    EXPECT_FALSE(DecodeSpawnRequest(nullptr, token, text));
}

// ---- The uninstaller's restart

TEST(LaunchTest, StartUninstallerRunsACopyFromANewFolderWithThePathAndPassesItsExitCode) {
    const TTempDir dir;
    const fs::path original = DeployChild(dir.Path() / L"Install Dir", L"Uninstall.exe");
    TestSupport::WriteAll(dir.Path() / L"Install Dir" / L"Uninstall.dat", TestSupport::Bytes("package"));
    const std::u16string installFolder = U(original.parent_path()) + u"\\";
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);

    std::u16string copy;
    const DWORD exitCode = StartUninstaller(U(original), u"/AUTO /EXIT=7", &copy);

    // It waited: the copy has ended with its code, and its files are gone already.
    EXPECT_EQ(exitCode, 7u);
    const std::u16string folder = ORV::ExtractFilePath(copy);
    const std::u16string temp = TempFolder();
    EXPECT_TRUE(ORV::Platform::SameTextLocale(ORV::ExtractFilePath(folder.substr(0, folder.size() - 1)), temp));
    EXPECT_EQ(ORV::ExtractFileName(folder.substr(0, folder.size() - 1)).rfind(u"Setup-", 0), 0u);
    EXPECT_EQ(ORV::ExtractFileName(copy), u"Uninstall.exe");
    EXPECT_TRUE(IsInsideTempFolder(copy));
    EXPECT_FALSE(fs::exists(fs::path(copy)));
    EXPECT_FALSE(fs::exists(fs::path(folder) / L"Uninstall.dat"));

    // Whatever still held them, the restart removes the files first and then their folder.
    const auto renames = TestSupport::PendingRenames();
    const int exe = TestSupport::PendingDelete(renames, copy), dat = TestSupport::PendingDelete(renames, folder + u"Uninstall.dat");
    const int self = TestSupport::PendingDelete(renames, folder.substr(0, folder.size() - 1));
    EXPECT_GE(exe, 0);
    EXPECT_GE(dat, 0);
    EXPECT_GT(self, exe);
    EXPECT_GT(self, dat);

    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_TRUE(ORV::Platform::SameTextLocale(ORV::IncludeTrailingBackslash(FromW(current)), temp));
    SetCurrentDirectoryW(previous);

    // The child's log keeps the folder; it tells what the copy was started with.
    const std::vector<TLaunch> started = WaitForLog(fs::path(folder), 1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_TRUE(ORV::Platform::SameTextLocale(started[0].Program, copy));
    EXPECT_EQ(started[0].Params(), u"/PATH=\"" + installFolder + u"\" /AUTO /EXIT=7");
    std::u16string path;
    EXPECT_TRUE(ORV::GetSwitchValue(started[0].Params(), SwitchPath, path));
    EXPECT_EQ(path, installFolder);

    std::error_code ignored;
    fs::remove_all(fs::path(folder), ignored);
}

TEST(LaunchTest, StartUninstallerWithoutItsPackageFailsAndLeavesNoFolder) {
    const TTempDir dir;
    const fs::path original = DeployChild(dir.Path(), L"Uninstall.exe");
    const auto freshFolders = [] {
        std::vector<fs::path> folders;
        for (const auto& entry : fs::directory_iterator(fs::path(TempFolder())))
            if (entry.path().filename().wstring().rfind(L"Setup-", 0) == 0) folders.push_back(entry.path());
        return folders;
    };
    const std::vector<fs::path> before = freshFolders();
    try {
        StartUninstaller(U(original), u"");
        ADD_FAILURE() << "no error without Uninstall.dat";
    } catch (const ORV::EOSError& error) {
        const std::u16string tail = U(dir.Path() / L"Uninstall.dat") + u" -> ";
        EXPECT_NE(error.Message().find(tail), std::u16string::npos);
    }
    EXPECT_EQ(freshFolders(), before);
}

TEST(LaunchTest, FreshFoldersAreNeverOnesThatExistedBefore) {
    const TTempDir dir;
    const fs::path taken = dir.Path() / L"Setup-0000000000000001";
    fs::create_directory(taken);
    TestSupport::WriteAll(taken / L"planted.dll", TestSupport::Bytes("x"));
    TestSupport::WriteAll(dir.Path() / L"Setup-0000000000000002", TestSupport::Bytes("a file"));

    const std::vector<uint64_t> sequence{1, 2, 1, 0xABCDEF};
    size_t next = 0;
    const std::u16string folder = CreateFreshFolder(U(dir.Path()), [&] { return sequence[next++]; });
    EXPECT_EQ(folder, U(dir.Path()) + u"\\Setup-0000000000abcdef\\");
    EXPECT_EQ(next, 4u);
    EXPECT_TRUE(fs::is_empty(fs::path(folder)));
    EXPECT_TRUE(fs::exists(taken / L"planted.dll"));
    // Only the system and the administrators, nothing inherited from the user's TEMP. Wine maps
    // file security to the Unix mode bits of its one user and reads back what those allow, so the
    // list can be checked on Windows only.
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        PACL acl = nullptr;
        ASSERT_EQ(GetNamedSecurityInfoW(reinterpret_cast<const wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                                        DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl, nullptr, &descriptor),
                  DWORD(ERROR_SUCCESS));
        LPWSTR sddl = nullptr;
        ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                         DACL_SECURITY_INFORMATION, &sddl, nullptr));
        EXPECT_EQ(std::wstring(sddl), L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
        LocalFree(sddl);
        LocalFree(descriptor);
    }

    try {
        CreateFreshFolder(U(dir.Path()), [] { return uint64_t(1); });
        ADD_FAILURE() << "a taken name was accepted";
    } catch (const ORV::EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), DWORD(ERROR_ALREADY_EXISTS));
    }
    try {
        CreateFreshFolder(U(dir.Path() / L"missing" / L"deeper"), [] { return uint64_t(5); });
        ADD_FAILURE() << "a folder under a missing one was made";
    } catch (const ORV::EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), DWORD(ERROR_PATH_NOT_FOUND));
    }
}

TEST(LaunchTest, InsideTheTemporaryFolderMeansBelowItInWholeComponents) {
    const std::u16string folder = u"C:\\Temp Dir\\";
    const std::pair<const char16_t*, bool> cases[] = {
        {u"C:\\Temp Dir\\Uninstall.exe", true},
        {u"c:\\temp dir\\Setup-0123\\UNINSTALL.EXE", true},
        {u"C:/Temp Dir/Setup-0123/Uninstall.exe", true},
        {u"C:\\Temp Dir", false},
        {u"C:\\Temp Dir\\", false},
        {u"C:\\Temp Dir2\\Uninstall.exe", false},
        {u"C:\\Temp\\Uninstall.exe", false},
        {u"C:\\Temp Dir\\..\\Uninstall.exe", false},
        {u"D:\\Temp Dir\\Uninstall.exe", false},
        {u"", false},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(IsInsideFolder(path, folder), expected) << ORV::Utf16ToUtf8(path);
        EXPECT_EQ(IsInsideFolder(path, u"C:\\Temp Dir"), expected) << ORV::Utf16ToUtf8(path) << " (no backslash)";
    }

    EXPECT_TRUE(IsInsideTempFolder(TempFolder() + u"Setup-0123\\Uninstall.exe"));
    EXPECT_FALSE(IsInsideTempFolder(ORV::Platform::ExecutableFileName()));

    // The temporary folder is often named in its short form (ADMINI~1); the module path is not.
    const TTempDir dir;
    const fs::path program = DeployChild(dir.Path() / L"Long Folder Name", L"Uninstall.exe");
    wchar_t shortForm[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameW(program.parent_path().c_str(), shortForm, MAX_PATH), 0u);
    ASSERT_NE(FromW(shortForm), U(program.parent_path()));
    EXPECT_TRUE(IsInsideFolder(U(program), FromW(shortForm)));
    EXPECT_TRUE(IsInsideFolder(FromW(shortForm) + u"\\Uninstall.exe", U(program.parent_path())));
}

// ---- Files

TEST(LaunchTest, CopyFileOrFailCopiesShortAndLongPathsAndNamesBothInItsError) {
    const TTempDir dir;
    TestSupport::WriteAll(dir / "source.bin", TestSupport::Bytes("payload"));
    const std::u16string source = dir.File("source.bin");

    const TLongFolder longFolder(dir.Path());
    const std::u16string longTarget = longFolder.Path() + u"target.bin";
    ASSERT_GE(longTarget.size(), 260u);
    for (const std::u16string& target : {dir.File("target.bin"), longTarget}) {
        CopyFileOrFail(source, target);
        EXPECT_TRUE(Exists(target)) << target.size();
    }

    const std::u16string missing = dir.File("no such folder") + u"\\target.bin";
    try {
        CopyFileOrFail(source, missing);
        ADD_FAILURE() << "copied into a missing folder";
    } catch (const ORV::EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), DWORD(ERROR_PATH_NOT_FOUND));
        EXPECT_EQ(error.Message().rfind(u"System Error.  Code: 3.\r\n", 0), 0u) << error.what();
        const std::u16string tail = source + u" -> " + missing;
        ASSERT_GE(error.Message().size(), tail.size());
        EXPECT_EQ(error.Message().substr(error.Message().size() - tail.size()), tail);
    }
}

TEST(LaunchTest, CopyToTempOverwritesAReadOnlyCopyAndSchedulesItsDeletion) {
    const TTempDir dir;
    TestSupport::WriteAll(dir / "Uninstall.dat", TestSupport::Bytes("new"));
    fs::create_directory(dir / "temp");
    const fs::path old = dir / "temp" / "Uninstall.dat";
    TestSupport::WriteAll(old, TestSupport::Bytes("old"));
    SetFileAttributesW(old.c_str(), FILE_ATTRIBUTE_READONLY);

    const std::u16string copy = CopyToTemp(U(dir / "temp"), dir.File("Uninstall.dat"));
    EXPECT_EQ(copy, U(old));
    EXPECT_EQ(TestSupport::ReadAll(old), TestSupport::Bytes("new"));
    EXPECT_GE(TestSupport::PendingDelete(TestSupport::PendingRenames(), copy), 0);
}

TEST(LaunchTest, DeleteFileOrLaterDeletesOrMovesAsideWhatItCanAndReportsNothing) {
    const TTempDir dir;
    const std::u16string temp = TempFolder();

    // Not there, or not a file: nothing happens.
    fs::create_directory(dir / "folder");
    DeleteFileOrLater(dir.File("missing.txt"));
    DeleteFileOrLater(dir.File("folder"));
    EXPECT_TRUE(fs::is_directory(dir / "folder"));

    // Free files go at once, read-only and long ones included.
    const TLongFolder longFolder(dir.Path());
    const std::u16string longFile = longFolder.Path() + u"long.txt";
    for (const std::u16string& file : {dir.File("readonly.txt"), longFile}) {
        ORV::Platform::TFile created;
        ASSERT_TRUE(created.Open(file, ORV::Platform::TFile::faWrite, 0, ORV::Platform::TFile::fcCreateAlways));
        created.Close();
        SetFileAttributesW(W(ORV::LongPathForm(file)), FILE_ATTRIBUTE_READONLY);
        DeleteFileOrLater(file);
        EXPECT_FALSE(Exists(file)) << file.size();
    }

    // A file that cannot be deleted nor renamed (open without delete sharing) stays, unharmed.
    TestSupport::WriteAll(dir / "locked.txt", TestSupport::Bytes("locked"));
    {
        const ORV::TScopedKernelHandle locked(CreateFileW((dir / "locked.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                          nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(locked);
        DeleteFileOrLater(dir.File("locked.txt"));
    }
    EXPECT_EQ(TestSupport::ReadAll(dir / "locked.txt"), TestSupport::Bytes("locked"));

    // In use as a loaded library, and as a running program: moved to the temporary folder at
    // once and deleted there at the next restart.
    struct TCase {
        const char* Label;
        bool Run;
    };
    for (const TCase c : {TCase{"loaded library", false}, TCase{"running program", true}}) {
        SCOPED_TRACE(c.Label);
        const fs::path inUse = DeployChild(dir.Path() / (c.Run ? L"running" : L"loaded"), L"InUse.exe");
        const std::vector<uint8_t> bytes = TestSupport::ReadAll(inUse);
        HMODULE library = nullptr;
        DWORD processId = 0;
        if (c.Run) {
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION info{};
            std::wstring line = L"\"" + inUse.wstring() + L"\" /HANG";
            ASSERT_TRUE(CreateProcessW(inUse.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                       &startup, &info));
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
            processId = info.dwProcessId;
            ASSERT_EQ(WaitForLog(inUse.parent_path(), 1).size(), 1u);
        } else {
            library = LoadLibraryExW(inUse.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
            ASSERT_NE(library, nullptr);
        }
        ASSERT_FALSE(DeleteFileW(inUse.c_str())) << "the fixture does not hold the file";

        DeleteFileOrLater(U(inUse));
        EXPECT_FALSE(fs::exists(inUse));
        std::u16string spare;
        for (const auto& [source, target] : TestSupport::PendingRenames()) {
            const std::u16string prefix = u"\\??\\" + temp + u"del";
            if (!target.empty() || source.size() <= prefix.size() ||
                !ORV::Platform::SameTextLocale(source.substr(0, prefix.size()), prefix))
                continue;
            const std::u16string candidate = source.substr(4);
            if (Exists(candidate) && TestSupport::ReadAll(fs::path(candidate)) == bytes) spare = candidate;
        }
        EXPECT_FALSE(spare.empty()) << "no delayed delete of the moved file";

        if (library) FreeLibrary(library);
        if (processId) EndProcess(processId, true);
        if (!spare.empty()) DeleteFileW(W(spare));
    }
}

// ---- Running programs

TEST(LaunchTest, RunAndWaitWaitsForProgramsThatEndAndGivesUpOnOnesThatNeverGetReady) {
    const TTempDir dir;
    const fs::path child = DeployChild(dir.Path() / L"Program Files" / L"QOVI", L"Elevator.exe");
    const std::u16string quoted = Quoted(U(child));
    struct TCase {
        const char* Label;
        std::u16string CommandLine;
        bool Result;
        size_t Launches; // the log's length afterwards
    };
    const TCase cases[] = {
        {"a window served, then the end", quoted + u" /GUI /EXIT=3", true, 1},
        {"ends without any window", quoted + u" /EXIT=0", true, 2},
        {"unquoted with blanks in the folder", U(child) + u" /REG=U", true, 3},
        {"missing program", Quoted(dir.File("missing.exe")) + u" /X", false, 3},
        {"a quote without its partner", quoted.substr(0, quoted.size() - 1) + u" /X", false, 3},
        {"empty", u"   ", false, 3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(RunAndWait(c.CommandLine), c.Result);
        const std::vector<TLaunch> launches = ReadLog(child.parent_path());
        EXPECT_EQ(launches.size(), c.Launches);
        // Whatever the caller wrote, the program's path reaches it quoted.
        if (c.Result && launches.size() == c.Launches) {
            const std::u16string& line = launches.back().CommandLine;
            EXPECT_EQ(line.rfind(quoted, 0), 0u) << ORV::Utf16ToUtf8(line);
        }
    }

    // Never looks at its message queue: given up after the five seconds, and left running.
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(RunAndWait(quoted + u" /HANG"));
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_GE(took, 4500u);
    EXPECT_LT(took, 30000u);
    const std::vector<TLaunch> launches = WaitForLog(child.parent_path(), 4);
    ASSERT_EQ(launches.size(), 4u);
    EXPECT_TRUE(StillRunning(launches.back().ProcessId));
    EndProcess(launches.back().ProcessId, true);
}

// Windows' own reading of an unquoted "…\Program Files\X\Elevator.exe" tries "…\Program.exe"
// first. The fixture shows that Wine does so too; RunAndWait must start Elevator.exe or nothing.
TEST(LaunchTest, RunAndWaitNeverRunsAPlantedProgramForAnUnquotedPath) {
    const TTempDir root;
    DeployChild(root.Path(), L"Program.exe");
    const fs::path elevator = DeployChild(root.Path() / L"Program Files" / L"X", L"Elevator.exe");
    const std::u16string line = U(elevator) + u" /REG=U";

    {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        std::u16string writable = line;
        ASSERT_TRUE(CreateProcessW(nullptr, W(writable.data()), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &info));
        WaitForSingleObject(info.hProcess, Patience);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        ASSERT_EQ(ReadLog(root.Path()).size(), 1u) << "the system did not pick the planted program";
    }

    EXPECT_TRUE(RunAndWait(line));
    const std::vector<TLaunch> launches = ReadLog(elevator.parent_path());
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].CommandLine, Quoted(U(elevator)) + u" /REG=U");
    EXPECT_EQ(ReadLog(root.Path()).size(), 1u);

    fs::remove(elevator);
    EXPECT_FALSE(RunAndWait(line));
    EXPECT_EQ(ReadLog(root.Path()).size(), 1u);
}

TEST(LaunchTest, CommandLinesResolveToTheLongestExistingProgram) {
    const TTempDir root;
    DeployChild(root.Path() / L"a b", L"x.exe");
    DeployChild(root.Path() / L"a b", L"x.exe y.exe");
    fs::create_directories(root.Path() / L"dir.exe");
    const std::u16string base = U(root.Path()) + u"\\";
    struct TCase {
        std::u16string Line;
        bool Resolved;
        std::u16string Program, CommandLine;
    };
    const TCase cases[] = {
        {u"  \"C:\\q r\\p.exe\" /A  ", true, u"C:\\q r\\p.exe", u"\"C:\\q r\\p.exe\" /A"},
        {base + u"a b\\x.exe /A", true, base + u"a b\\x.exe", u"\"" + base + u"a b\\x.exe\" /A"},
        {base + u"a b\\x.exe y.exe /A", true, base + u"a b\\x.exe y.exe", u"\"" + base + u"a b\\x.exe y.exe\" /A"},
        {base + u"a b\\x.EXE", true, base + u"a b\\x.EXE", u"\"" + base + u"a b\\x.EXE\""},
        {base + u"a b\\x /A", false, u"", u""},
        {base + u"dir.exe /A", false, u"", u""},
        {base + u"a b\\missing.exe /A", false, u"", u""},
        {u"\"\" /A", false, u"", u""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(ORV::Utf16ToUtf8(c.Line));
        std::u16string program, resolved;
        EXPECT_EQ(ResolveCommandLine(c.Line, program, resolved), c.Resolved);
        if (!c.Resolved) continue;
        EXPECT_EQ(program, c.Program);
        EXPECT_EQ(resolved, c.CommandLine);
    }
}
