// The test driver of the installers built by the project: starts them as a user would, reads
// and answers the boxes they show, and reads what they leave on disk and in the registry.
#pragma once

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
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace InstallerDriver {

using TestSupport::TTempDir;

struct TBox {
    std::u16string Caption;
    std::u16string Text;
    std::u16string Program;  // the file of the process that showed it
};

// The installer's exit codes, as callers read them.
inline constexpr DWORD kExitDiskFull = 112, kExitCancelled = 1602, kExitFailure = 1603, kExitAlreadyRunning = 1618,
                       kExitRestartNeeded = 3010;

// The button a test presses on a box it has read.
using TBoxAnswer = std::function<int(const TBox& box)>;
inline const TBoxAnswer kPressOk = [](const TBox&) { return IDOK; };

// How many times longer than usual the test waits for the installer's processes: more where
// they run emulated (QOVI_TEST_PATIENCE, set by the 32-bit smoke stage).
inline int Patience() {
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

inline BOOL CALLBACK CollectDialogProc(HWND window, LPARAM param) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (std::wstring(className) == L"#32770" && IsWindowVisible(window)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        reinterpret_cast<std::vector<TDialog>*>(param)->push_back({window, owner});
    }
    return TRUE;
}

inline std::vector<TDialog> Dialogs() {
    std::vector<TDialog> dialogs;
    EnumWindows(&CollectDialogProc, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

// Whether Process is Root or was started by it, directly or through others.
inline bool IsInTreeOf(DWORD process, DWORD root) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return process == root;
    std::vector<std::pair<DWORD, DWORD>> parents;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        parents.emplace_back(entry.th32ProcessID, entry.th32ParentProcessID);
    CloseHandle(snapshot);
    for (int depth = 0; depth < 8; ++depth) {
        if (process == root) return true;
        const auto found = std::find_if(parents.begin(), parents.end(), [&](const auto& p) { return p.first == process; });
        if (found == parents.end() || found->second == process) return false;
        process = found->second;
    }
    return false;
}

// A box of the process or of one it started (the uninstaller's copy in TEMP shows its boxes
// while the installed uninstaller waits for it).
inline HWND FindDialogOf(DWORD processId, DWORD* owner = nullptr) {
    for (const TDialog& dialog : Dialogs()) {
        if (IsInTreeOf(dialog.ProcessId, processId)) {
            if (owner) *owner = dialog.ProcessId;
            return dialog.Window;
        }
    }
    return nullptr;
}

inline std::u16string ImageOf(DWORD processId) {
    const ORV::TScopedKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (!process || !QueryFullProcessImageNameW(process.Get(), 0, path, &length)) return {};
    return ORV::FromW(path, length);
}

// The text a window of any process holds now. A top-level window's caption is read as it
// stands, without waiting for its program; for a control of another process GetWindowTextW gives
// only the text it was made with, so the control is asked itself.
inline std::u16string WindowText(HWND window) {
    wchar_t text[4096] = {};
    DWORD_PTR length = 0;
    if (!(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) ||
        !SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &length))
        GetWindowTextW(window, text, 4096);
    return ORV::FromW(text);
}

inline TBox ReadBox(HWND box, DWORD processId = 0) {
    return {WindowText(box), WindowText(GetDlgItem(box, 0xFFFF)), processId ? ImageOf(processId) : std::u16string()};
}

inline bool WaitUntilGone(HWND box) {
    for (int slice = 0; slice < 100; ++slice) {
        if (!IsWindow(box) || !IsWindowVisible(box)) return true;
        Sleep(50);
    }
    return false;
}

// Presses the button as a user would, and waits for the box to go. A button of a box that is
// not the active window may ignore the click; the button's own notification still counts.
inline void Press(HWND box, int button) {
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

// Called once for each form (wizard, language dialog) of the installer's processes when it is
// first seen on screen.
using TFormWatch = std::function<void(HWND form)>;

struct TWindowCollection {
    DWORD Root;
    const wchar_t* ClassName;
    std::vector<HWND> Found;
};

inline BOOL CALLBACK CollectFormProc(HWND window, LPARAM param) {
    auto& collect = *reinterpret_cast<TWindowCollection*>(param);
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (std::wstring(className) == L"TORVForm" && IsWindowVisible(window) && IsInTreeOf(process, collect.Root))
        collect.Found.push_back(window);
    return TRUE;
}

inline BOOL CALLBACK CollectChildProc(HWND child, LPARAM param) {
    auto& collect = *reinterpret_cast<TWindowCollection*>(param);
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (_wcsicmp(name, collect.ClassName) == 0 && IsWindowVisible(child)) collect.Found.push_back(child);
    return TRUE;
}

// The visible forms of the library ("TORVForm") of Root's process tree.
inline std::vector<HWND> FormsOf(DWORD root) {
    TWindowCollection collect{root, nullptr, {}};
    EnumWindows(&CollectFormProc, reinterpret_cast<LPARAM>(&collect));
    return collect.Found;
}

// The texts of Window's visible child windows of ClassName, in Z order.
inline std::vector<std::u16string> ChildTexts(HWND window, const wchar_t* className) {
    TWindowCollection collect{0, className, {}};
    EnumChildWindows(window, &CollectChildProc, reinterpret_cast<LPARAM>(&collect));
    std::vector<std::u16string> texts;
    for (const HWND child : collect.Found) texts.push_back(WindowText(child));
    return texts;
}

// Starts Program with Parameters and waits for it to end. Every box it shows is read and
// answered with the button that Answer chooses; Watch sees each of its forms.
inline TOutcome RunInstaller(const std::u16string& program, const std::u16string& parameters,
                      const TBoxAnswer& answer = kPressOk, const TFormWatch& watch = {}) {
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
    std::vector<HWND> seen;
    for (int slice = 0; slice < 1200 * Patience(); ++slice) {  // two minutes at most, as a rule
        if (WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
        if (watch) {
            for (const HWND form : FormsOf(process.dwProcessId)) {
                if (std::find(seen.begin(), seen.end(), form) != seen.end()) continue;
                seen.push_back(form);
                watch(form);
            }
        }
        DWORD owner = 0;
        if (HWND box = FindDialogOf(process.dwProcessId, &owner)) {
            outcome.Boxes.push_back(ReadBox(box, owner));
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

inline std::u16string Built(const char* path) { return TestSupport::BuiltFile(path).u16string(); }

// The demo installer under test: this build's, or the one QOVI_TEST_DEMO_INSTALLER names (the
// 32-bit smoke stage drives the shipped 32-bit installer from this 64-bit test).
inline std::u16string DemoInstallerFile() {
    const char* other = std::getenv("QOVI_TEST_DEMO_INSTALLER");
    return Built(other && *other ? other : QOVI_DEMO_INSTALLER);
}

// The bytes of File as text (a log, say); empty when it cannot be read.
inline std::string FileText(const std::filesystem::path& file) {
    const std::vector<uint8_t> bytes = TestSupport::ReadAll(file);
    return std::string(bytes.begin(), bytes.end());
}

// The uninstaller that the demo installer under test carries, built beside it.
inline std::filesystem::path DemoUninstallerFile() {
    return std::filesystem::path(DemoInstallerFile()).parent_path() / "QOVIDemoSetup_uninstaller" / "Uninstall.exe";
}

// The "InstallPath" of the player's uninstall entry in one registry view, or "(no entry)".
inline std::u16string InstallPathIn(REGSAM view) {
    ORV::TScopedRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QOVI", 0,
                      KEY_READ | view, key.Receive()) != ERROR_SUCCESS)
        return u"(no entry)";
    return ORV::ReadRegistryString(key.Get(), u"InstallPath");
}

inline std::u16string Quoted(const TTempDir& temp) {
    std::u16string quoted(1, u'"');
    return quoted.append(temp.Path().u16string()).append(u"\\\"");
}

// Every file below Folder, as paths relative to it with backslashes, sorted.
inline std::vector<std::u16string> FilesBelow(const std::filesystem::path& folder) {
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
inline std::vector<std::u16string> UninstallEntries(const std::filesystem::path& dest, std::vector<uint8_t>* mark = nullptr) {
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
inline const std::vector<std::u16string> kDemoEnglishFiles = {
    u"QOVI.exe", u"Elevator.exe", u"System\\qovi_menu32.dll", u"Readme.txt", u"License.rtf", u"Langs\\English.lng",
    u"Plugins\\demo_audio.txt", u"Plugins\\demo_video.txt", u"Skins\\Default.skin"};

inline std::vector<std::u16string> Sorted(std::vector<std::u16string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<std::u16string> With(std::vector<std::u16string> names, std::initializer_list<const char16_t*> more) {
    names.insert(names.end(), more.begin(), more.end());
    return names;
}

inline std::filesystem::path ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::filesystem::path(path);
}

using TestSupport::UnixPath;

using TestSupport::RunLinuxCommand;
using TestSupport::Screenshot;

// The player's shortcuts as the demo's script places them: on the all-users desktop and in the
// all-users Start-menu programs.
inline std::filesystem::path DesktopLink() { return ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) / "QOVI.lnk"; }
inline std::filesystem::path StartMenuFolder() { return ShellFolder(CSIDL_COMMON_PROGRAMS) / "QOVI"; }

// Saves a shell link at Link that starts Target, as an older version of the player left them.
inline void MakeShellLink(const std::filesystem::path& link, const std::filesystem::path& target) {
    const ORV::TComInitialization com;
    ORV::TComPtr<IShellLinkW> shellLink;
    ORV::TComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           shellLink.ReceiveVoid())) &&
                SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.ReceiveVoid())));
    std::filesystem::create_directories(link.parent_path());
    ASSERT_TRUE(SUCCEEDED(shellLink->SetPath(target.c_str())) && SUCCEEDED(file->Save(link.c_str(), TRUE)));
}

// The target of a saved link as Debian's link parser reads it ("Local path"), or what it said.
inline std::u16string LinkTargetByLnkinfo(const std::filesystem::path& link) {
    std::string quoted(1, '\'');
    quoted.append(UnixPath(link)).push_back('\'');
    const std::string output = RunLinuxCommand("lnkinfo " + quoted);
    const size_t label = output.find("Local path");
    if (label == std::string::npos) return ORV::Utf8ToUtf16(output);
    const size_t start = output.find(": ", label) + 2, end = output.find('\n', start);
    return ORV::Utf8ToUtf16(output.substr(start, end - start));
}

// What Wine's own list of installed programs prints ("uninstaller --list").
inline std::string WineProgramList() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return "(no pipe)";
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    PROCESS_INFORMATION process{};
    std::wstring line = L"uninstaller.exe --list";
    const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(write);
    if (!started) {
        CloseHandle(read);
        return "(not started)";
    }
    std::string output;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(read);
    return output;
}

// Starts the player at Program with Parameters and waits for its window. A process handle, or
// an empty one when the window did not come.
inline ORV::TScopedKernelHandle StartPlayer(const std::u16string& program, const std::u16string& parameters = {}) {
    std::u16string line(1, u'"');
    line.append(program).append(u"\" ").append(parameters);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(ORV::W(program), ORV::W(line.data()), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return {};
    CloseHandle(process.hThread);
    ORV::TScopedKernelHandle handle(process.hProcess);
    WaitForInputIdle(handle.Get(), 10000 * Patience());
    for (int slice = 0; slice < 100 * Patience() && !FindWindowW(L"TQOVIMainForm", nullptr); ++slice) Sleep(100);
    if (!FindWindowW(L"TQOVIMainForm", nullptr)) return {};
    return handle;
}

// Runs of the demo installer; the player's entry in the list of installed programs is the
// test's while it runs.
class DemoInstaller : public ::testing::Test {
protected:
    void SetUp() override { RemoveTraces(); }
    void TearDown() override { RemoveTraces(); }
    // What an installation leaves outside its folder.
    static void RemoveTraces() {
        Setup::Core::TSetupAppRepo::Unregister(u"QOVI");
        std::error_code ignored;
        std::filesystem::remove(DesktopLink(), ignored);
        std::filesystem::remove_all(StartMenuFolder(), ignored);
    }

    TOutcome Uninstall(const std::u16string& parameters = u"/AUTO /SILENT", const TBoxAnswer& answer = kPressOk,
                       const TFormWatch& watch = {}) {
        return RunInstaller(DestFolder() + u"Uninstall.exe", parameters, answer, watch);
    }
    TOutcome Install(const std::u16string& more = {}, const TBoxAnswer& answer = kPressOk) {
        std::u16string parameters = u"/AUTO=" + Quoted(Dest);
        parameters.append(u" /SILENT ").append(more);
        return RunInstaller(DemoInstallerFile(), parameters, answer);
    }
    std::u16string DestFolder() const { return Dest.Path().u16string() + u"\\"; }

    // Not below TEMP: an uninstaller there counts as the copy that already runs from TEMP.
    TTempDir Dest{std::filesystem::path(L"C:\\")};
};

} // namespace InstallerDriver
