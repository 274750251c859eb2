#include "Setup.Core.Launch.Spawn.h"

#include "ORV.Callbacks.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.Strings.h"
#include "Setup.Core.Launch.Process.h"

#include <shellapi.h>
#include <versionhelpers.h>

#include <cstring>

namespace Setup::Core {

using ORV::FromW;
using ORV::LongPathForm;
using ORV::W;

namespace {

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

std::u16string WindowsFolder() {
    return ORV::IncludeTrailingBackslash(FilledBuffer([](wchar_t* b, DWORD n) { return GetWindowsDirectoryW(b, n); }));
}

std::u16string SystemFolder() {
    return ORV::IncludeTrailingBackslash(FilledBuffer([](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); }));
}

std::u16string WineBrowser() { return IsWine() ? SystemFolder() + u"winebrowser.exe" : std::u16string(); }

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
bool TSetupSpawnService::Initialized() { return SpawnState().Initialized; }

void TSetupSpawnService::Finalize() {
    TSpawnState& state = SpawnState();
    if (state.OwnsWindow && state.Window) DestroyWindow(state.Window);
    state = TSpawnState();
}

bool IsWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
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

} // namespace Setup::Core
