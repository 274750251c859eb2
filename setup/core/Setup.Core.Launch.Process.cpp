#include "Setup.Core.Launch.Process.h"

#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.Handles.h"

#include <algorithm>

namespace Setup::Core {

using ORV::FromW;
using ORV::LongPathForm;
using ORV::W;

namespace {

// Static initialisation runs on the thread that starts the program, before any other exists.
const DWORD GMainThreadId = GetCurrentThreadId();

constexpr DWORD kWaitSlice = 100;     // ms between looks at the message queue
constexpr DWORD kIdlePatience = 5000; // ms a started program has to become ready for input

bool EndsWithExe(const std::u16string& text) {
    return text.size() > 4 && ORV::SameTextAscii(std::u16string_view(text).substr(text.size() - 4), u".exe");
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

void RestrictDllSearchToSystem32() {
    using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<TSetDefaultDllDirectories>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

} // namespace Setup::Core
