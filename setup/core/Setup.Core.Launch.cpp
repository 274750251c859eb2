#include "Setup.Core.Launch.h"

#include "ORV.Callbacks.h"
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.CommandLine.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.CommandLine.h"
#include "Setup.Core.Resources.h"

#include <ntsecapi.h>
#include <shellapi.h>
#include <versionhelpers.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace Setup::Core {

using ORV::FromW;
using ORV::LongPathForm;
using ORV::W;

namespace {

// Static initialisation runs on the thread that starts the program, before any other exists.
const DWORD GMainThreadId = GetCurrentThreadId();

constexpr DWORD kWaitSlice = 100;          // ms between looks at the message queue
constexpr DWORD kIdlePatience = 5000;      // ms a started program has to become ready for input
constexpr UINT kRequestPatience = 60000;   // ms a start request may take the other process
constexpr size_t kMaxRequestLength = 32767; // the longest path Windows knows
constexpr char16_t kSpawnClassName[] = u"TSetupSpawnService";
constexpr char16_t kSpawnTokenName[] = u"SpawnToken";

struct TSpawnState {
    bool Initialized = false;
    HWND Window = nullptr;
    bool OwnsWindow = false;
    UINT Token = 0;
};

TSpawnState& SpawnState() {
    static TSpawnState state;
    return state;
}

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool EndsWithExe(const std::u16string& text) {
    return text.size() > 4 && ORV::SameTextAscii(std::u16string_view(text).substr(text.size() - 4), u".exe");
}

std::u16string ExcludeTrailingBackslash(std::u16string folder) {
    while (folder.size() > 1 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
    return folder;
}

std::u16string WithExtension(const std::u16string& path, std::u16string_view extension) {
    const size_t dot = path.rfind(u'.');
    const size_t separator = path.find_last_of(u"\\/:");
    const bool hasExtension = dot != std::u16string::npos && (separator == std::u16string::npos || dot > separator);
    return (hasExtension ? path.substr(0, dot) : path) + std::u16string(extension);
}

// A Win32 call that fills a buffer and returns the length it needed when that was too short.
template <class TCall>
std::u16string FilledBuffer(TCall call) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return FromW(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

std::u16string WindowsFolder() {
    return ORV::IncludeTrailingBackslash(FilledBuffer([](wchar_t* b, DWORD n) { return GetWindowsDirectoryW(b, n); }));
}

std::u16string SystemFolder() {
    return ORV::IncludeTrailingBackslash(FilledBuffer([](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); }));
}

std::u16string WineBrowser() { return IsWine() ? SystemFolder() + u"winebrowser.exe" : std::u16string(); }

// The absolute, long-name form, so that "..", slashes and 8.3 names cannot hide where a path
// lies. A path that does not exist keeps its full form; one the system cannot read, its text.
std::u16string CanonicalPath(std::u16string path) {
    std::replace(path.begin(), path.end(), u'/', u'\\');
    std::u16string full = FilledBuffer([&](wchar_t* b, DWORD n) { return GetFullPathNameW(W(path), n, b, nullptr); });
    if (full.empty()) return path;
    std::u16string longName = FilledBuffer([&](wchar_t* b, DWORD n) { return GetLongPathNameW(W(full), b, n); });
    return longName.empty() ? full : longName;
}

uint64_t SecureRandom() {
    uint64_t value = 0;
    if (!RtlGenRandom(&value, sizeof value)) {
        // Uniqueness comes from CreateDirectoryW either way; this only keeps the name unpredictable
        // on a system that cannot give random bytes.
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        value = static_cast<uint64_t>(counter.QuadPart) * 0x9E3779B97F4A7C15ull ^ GetCurrentProcessId();
    }
    return value;
}

std::u16string Hex16(uint64_t value) {
    static constexpr char16_t digits[] = u"0123456789abcdef";
    std::u16string text(16, u'0');
    for (int i = 15; i >= 0; --i, value >>= 4) text[i] = digits[value & 15];
    return text;
}

void SendStartRequest(HWND window, UINT token, const std::u16string& fileName) {
    COPYDATASTRUCT record{};
    record.dwData = token;
    record.cbData = static_cast<DWORD>(fileName.size() * sizeof(char16_t));
    record.lpData = const_cast<char16_t*>(fileName.data());
    DWORD_PTR result = 0;
    // The first process serves its queue every few milliseconds while it waits for us; a hung
    // or gone one must not keep the elevated copy from ending.
    SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record), SMTO_ABORTIFHUNG,
                        kRequestPatience, &result);
}

LRESULT CALLBACK SpawnWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ORV::GuardCallback<LRESULT>(FALSE, [&]() -> LRESULT {
        if (message == WM_COPYDATA) {
            std::u16string fileName;
            if (DecodeSpawnRequest(reinterpret_cast<const COPYDATASTRUCT*>(lParam), SpawnState().Token, fileName)) {
                ShellOpen(fileName);
                return TRUE;
            }
        }
        return DefWindowProcW(window, message, wParam, lParam);
    });
}

HWND CreateSpawnWindow() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = SpawnWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = W(kSpawnClassName);
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ORV::RaiseLastOSError();
    const HWND window =
        CreateWindowExW(0, W(kSpawnClassName), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (!window) ORV::RaiseLastOSError();
    return window;
}

} // namespace

DWORD WaitServingMessages(HANDLE handle, DWORD timeout) {
    if (GetCurrentThreadId() != GMainThreadId) return WaitForSingleObject(handle, timeout);
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        // Looking at the queue runs the window procedures of every message sent to this thread;
        // posted messages stay for the message loop.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        DWORD slice = kWaitSlice;
        if (timeout != INFINITE) {
            const ULONGLONG elapsed = GetTickCount64() - start;
            if (elapsed >= timeout) return WaitForSingleObject(handle, 0);
            slice = static_cast<DWORD>(std::min<ULONGLONG>(slice, timeout - elapsed));
        }
        const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, slice, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0 || result == WAIT_FAILED) return result;
    }
}

// ---- Spawn service

void TSetupSpawnService::Initialize(intptr_t handle) {
    TSpawnState& state = SpawnState();
    if (state.Initialized) throw ORV::Exception(u"SpawnService is already initialized");
    // The window procedure compares with the token, so it must be known before any request.
    state.Token = RegisterWindowMessageW(W(kSpawnTokenName));
    try {
        state.OwnsWindow = handle == 0;
        state.Window = handle != 0 ? reinterpret_cast<HWND>(handle) : CreateSpawnWindow();
    } catch (...) {
        state = TSpawnState();
        throw;
    }
    state.Initialized = true;
}

void TSetupSpawnService::Execute(const std::u16string& fileName) {
    const TSpawnState& state = SpawnState();
    if (state.Window && !state.OwnsWindow) {
        SendStartRequest(state.Window, state.Token, fileName);
        return;
    }
    const TShellCommand command = DesktopOpenCommand(fileName, WindowsFolder(), IsWindowsVistaOrGreater());
    ShellOpen(command.File, command.Parameters);
}

HWND TSetupSpawnService::SpawnWindow() { return SpawnState().Window; }
bool TSetupSpawnService::OwnsWindow() { return SpawnState().OwnsWindow; }
UINT TSetupSpawnService::SpawnToken() { return SpawnState().Token; }

void TSetupSpawnService::Finalize() {
    TSpawnState& state = SpawnState();
    if (state.OwnsWindow && state.Window) DestroyWindow(state.Window);
    state = TSpawnState();
}

// ---- Restarts

bool RestartElevated(const std::u16string& commandLine, DWORD& exitCode) {
    return RestartElevated(ORV::Platform::ExecutableFileName(), commandLine, exitCode);
}

bool RestartElevated(const std::u16string& program, const std::u16string& commandLine, DWORD& exitCode) {
    if (!SpawnState().Initialized) TSetupSpawnService::Initialize(0);
    const std::u16string parameters =
        ElevatedRestartParams(reinterpret_cast<intptr_t>(TSetupSpawnService::SpawnWindow()), commandLine);
    const std::u16string directory = ORV::IncludeTrailingBackslash(
        FilledBuffer([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); }));

    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
    info.lpVerb = L"runas";
    info.lpFile = W(program);
    info.lpParameters = W(parameters);
    info.lpDirectory = directory.empty() ? nullptr : W(directory);
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
        const DWORD error = GetLastError();
        if (error == ERROR_CANCELLED) return false;
        ORV::RaiseOSError(error);
    }
    exitCode = 0;
    const ORV::TScopedKernelHandle process(info.hProcess);
    // The shell may hand the start to a process that exists already and give no handle back.
    if (process) {
        WaitServingMessages(process.Get());
        GetExitCodeProcess(process.Get(), &exitCode);
    }
    return true;
}

void StartUninstaller() { StartUninstaller(ORV::Platform::ExecutableFileName(), ORV::GetParams()); }

std::u16string StartUninstaller(const std::u16string& executablePath, const std::u16string& params) {
    const std::u16string temp = TempFolder();
    // A folder of our own, made just now: nobody can have put a library beside the copy that
    // the elevated uninstaller would load, and nothing of another program's is deleted with it.
    const std::u16string folder = CreateFreshFolder(temp);
    std::u16string exe;
    try {
        exe = CopyToTemp(folder, executablePath);
        CopyToTemp(folder, WithExtension(executablePath, u".dat"));
    } catch (...) {
        DeleteFileW(W(LongPathForm(folder + ORV::ExtractFileName(executablePath))));
        RemoveDirectoryW(W(LongPathForm(folder)));
        throw;
    }
    // After the files, so that the folder is empty when its turn comes at the restart.
    DeleteOnReboot(ExcludeTrailingBackslash(folder));
    // The copy must not keep the installation folder busy as its current folder.
    SetCurrentDirectoryW(W(temp));
    ShellOpen(exe, UninstallerCopyParams(ORV::ExtractFilePath(executablePath), params));
    return exe;
}

bool IsInsideTempFolder(const std::u16string& path) { return IsInsideFolder(path, TempFolder()); }

bool IsInsideFolder(const std::u16string& path, const std::u16string& folder) {
    if (path.empty() || folder.empty()) return false;
    const std::u16string base = ORV::IncludeTrailingBackslash(CanonicalPath(folder));
    const std::u16string candidate = CanonicalPath(path);
    return candidate.size() > base.size() &&
           ORV::Platform::SameTextLocale(std::u16string_view(candidate).substr(0, base.size()), base);
}

std::u16string CreateFreshFolder(const std::u16string& parent, const std::function<uint64_t()>& random) {
    const std::u16string base = ORV::IncludeTrailingBackslash(parent);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::u16string folder = base + u"Setup-" + Hex16(random ? random() : SecureRandom());
        if (CreateDirectoryW(W(LongPathForm(folder)), nullptr)) return folder + u"\\";
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) ORV::RaiseOSError(error, folder);
    }
    ORV::RaiseOSError(ERROR_ALREADY_EXISTS, base);
}

// ---- Files

std::u16string CopyToTemp(const std::u16string& folder, const std::u16string& fileName) {
    const std::u16string target = ORV::IncludeTrailingBackslash(folder) + ORV::ExtractFileName(fileName);
    ORV::Platform::ResetFileAttributes(target);
    CopyFileOrFail(fileName, target);
    DeleteOnReboot(target);
    return target;
}

void CopyFileOrFail(const std::u16string& source, const std::u16string& target) {
    if (CopyFileW(W(LongPathForm(source)), W(LongPathForm(target)), FALSE)) return;
    const DWORD error = GetLastError();
    ORV::RaiseOSError(error, source + u" -> " + target);
}

void DeleteOnReboot(const std::u16string& fileName) {
    MoveFileExW(W(LongPathForm(fileName)), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void DeleteFileOrLater(const std::u16string& fileName) {
    const std::u16string path = LongPathForm(fileName);
    const DWORD attributes = GetFileAttributesW(W(path));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(W(path))) return;

    // In use: a running program or a loaded library can still be renamed, which frees its name
    // now, and the system removes the moved file when it restarts.
    std::u16string temp;
    try {
        temp = TempFolder();
    } catch (const ORV::Exception&) {
        return; // deleting is never a failure
    }
    wchar_t spare[MAX_PATH] = {};
    if (!GetTempFileNameW(W(temp), L"del", 0, spare)) return;
    DeleteFileW(spare);
    // A plain rename: a copy to another volume could not remove the file in use and would only
    // leave a second one behind.
    if (MoveFileExW(W(path), spare, 0)) DeleteOnReboot(FromW(spare));
}

// ---- Processes

bool RunAndWait(const std::u16string& commandLine) {
    std::u16string program, line;
    if (!ResolveCommandLine(commandLine, program, line)) return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION info{};
    // No inherited handles: a program that outlives the wait must not keep our files or pipes.
    if (!CreateProcessW(W(LongPathForm(program)), W(line.data()), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return false;
    const ORV::TScopedKernelHandle process(info.hProcess), thread(info.hThread);
    // WAIT_FAILED comes at once for a program without a message queue: it is waited for too.
    if (WaitForInputIdle(process.Get(), kIdlePatience) == WAIT_TIMEOUT) return false;
    WaitServingMessages(process.Get());
    return true;
}

bool ResolveCommandLine(const std::u16string& commandLine, std::u16string& program, std::u16string& resolved) {
    const std::u16string line = ORV::Trim(commandLine);
    if (line.empty()) return false;
    if (line[0] == u'"') {
        const size_t close = line.find(u'"', 1);
        if (close == std::u16string::npos || close == 1) return false;
        program = line.substr(1, close - 1);
        resolved = line;
        return true;
    }
    // Windows would try every prefix from the shortest and append ".exe" to it, which runs
    // "C:\Program.exe" for an unquoted "C:\Program Files\...". The longest existing ".exe" is
    // what the caller meant; with none, nothing is guessed.
    for (size_t end = line.size();;) {
        const std::u16string candidate = line.substr(0, end);
        if (EndsWithExe(candidate) && ORV::FileExists(candidate)) {
            program = candidate;
            resolved = u"\"" + candidate + u"\"" + line.substr(end);
            return true;
        }
        if (end == 0) return false;
        end = line.find_last_of(u" \t", end - 1);
        if (end == std::u16string::npos) return false;
    }
}

// ---- Shell

bool IsWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::u16string QuoteArgument(const std::u16string& text) {
    std::u16string quoted = u"\"";
    size_t backslashes = 0;
    for (const char16_t c : text) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, u'\\');
    return quoted + u"\"";
}

bool IsAddress(const std::u16string& text) {
    if (text.size() >= 7 && ORV::SameTextAscii(std::u16string_view(text).substr(0, 7), u"mailto:")) return true;
    if (text.empty() || !IsAsciiLetter(text[0])) return false;
    size_t i = 1;
    while (i < text.size() && (IsAsciiLetter(text[i]) || (text[i] >= u'0' && text[i] <= u'9') || text[i] == u'+' ||
                               text[i] == u'-' || text[i] == u'.'))
        ++i;
    return i >= 2 && text.compare(i, 3, u"://") == 0;
}

TShellCommand ShellOpenCommand(const std::u16string& file, const std::u16string& parameters,
                               const std::u16string& wineBrowser) {
    if (!IsAddress(file)) return {file, parameters};
    if (!wineBrowser.empty()) return {wineBrowser, QuoteArgument(file)};
    return {file, {}};
}

TShellCommand DesktopOpenCommand(const std::u16string& fileName, const std::u16string& windowsFolder,
                                 bool vistaOrLater) {
    if (!vistaOrLater) return {fileName, {}};
    return {ORV::IncludeTrailingBackslash(windowsFolder) + u"explorer.exe", QuoteArgument(fileName)};
}

bool ShellOpen(const std::u16string& file, const std::u16string& parameters) {
    const TShellCommand command = ShellOpenCommand(file, parameters, WineBrowser());
    const HINSTANCE result = ShellExecuteW(nullptr, nullptr, W(command.File),
                                           command.Parameters.empty() ? nullptr : W(command.Parameters), L"",
                                           SW_SHOW);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool DecodeSpawnRequest(const COPYDATASTRUCT* record, UINT token, std::u16string& text) {
    if (!record || record->dwData != token) return false;
    const DWORD bytes = record->cbData;
    if (bytes == 0 || bytes % 2 != 0 || bytes / 2 > kMaxRequestLength || !record->lpData) return false;
    std::u16string received(bytes / 2, u'\0');
    std::memcpy(received.data(), record->lpData, bytes);
    if (received.find(u'\0') != std::u16string::npos) return false;
    text = std::move(received);
    return true;
}

void RestrictDllSearchToSystem32() {
    using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<TSetDefaultDllDirectories>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

} // namespace Setup::Core
