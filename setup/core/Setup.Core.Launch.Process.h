// Running other programs and waiting for them: the wait that keeps the interface thread serving
// the messages that other threads and processes send it, RunAndWait with the reading of the
// command lines it is given, the quoting of arguments, and where libraries may be loaded from.
//
// The main thread is the thread that ran the program's start-up (its static initialisation),
// which is the interface thread: waits there keep serving the messages that other threads and
// processes send to its windows, or the worker's synchronous notifications and the elevated
// copy's start requests would block both sides. Nothing needs to register it.
#pragma once

#ifndef _WIN32
#error "Setup.Core.Launch.Process.h is for the Windows build only"
#endif

#include "ORV.Win32.h"

#include <string>
#include <vector>

namespace Setup::Core {

// Waits up to Timeout ms (INFINITE: no limit) for Handle to be signalled and returns what
// WaitForSingleObject would: WAIT_OBJECT_0, WAIT_ABANDONED_0, WAIT_TIMEOUT or WAIT_FAILED. On the
// main thread it waits in slices of at most 100 ms and dispatches sent messages between them
// (posted messages stay queued for the message loop); on any other thread it is a plain
// WaitForSingleObject.
DWORD WaitServingMessages(HANDLE handle, DWORD timeout = INFINITE);

// Runs CommandLine, waits up to 5 s for the program to be ready for input and then, unless that
// timed out, for it to end. True when it ended (whatever its exit code) or has no message queue
// and ended; false when it could not be started or did not become ready in time (it runs on).
// The program is named by its path, never searched for: a quoted first token is taken as it
// stands; an unquoted line is read as the longest prefix ending in ".exe" at a blank or at the
// end that names an existing file, so that "C:\Program Files\X\Elevator.exe /REG=U" never runs
// a planted "C:\Program.exe"; when no prefix qualifies nothing is started. The program gets no
// inherited handles.
bool RunAndWait(const std::u16string& commandLine);

// The program and the command line that RunAndWait hands to CreateProcessW: a quoted line as it
// stands; an unquoted one with the resolved program quoted. False when no program qualifies.
bool ResolveCommandLine(const std::u16string& commandLine, std::u16string& program, std::u16string& resolved);

// Text in double quotes as the C runtime reads an argument: inner quotes escaped, backslashes
// before a quote doubled, so that a folder's trailing backslash survives.
std::u16string QuoteArgument(const std::u16string& text);

// Makes every library that this process loads by name from now on come from System32 only.
// The installer runs from a Downloads folder and the uninstaller from TEMP, both places where
// anyone can leave a DLL. Windows 7 without its loader update lacks SetDefaultDllDirectories;
// there at least the current folder is taken off the search path.
void RestrictDllSearchToSystem32();

// The text that a Win32 call fills into a buffer, growing the buffer while the call answers
// with the length it needs; empty when the call fails.
template <class TCall>
std::u16string FilledBuffer(TCall call) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return ORV::FromW(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

} // namespace Setup::Core
