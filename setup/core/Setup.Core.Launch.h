// Starting processes and handling files in use: the elevated restart and the spawn service that
// lets the elevated copy start programs with the desktop user's rights, the uninstaller's
// restart from a fresh temporary folder, and the copy, delete and run helpers of the actions.
//
// Start request, from the elevated copy to the spawn window of the first process: WM_COPYDATA
// (0x004A), sent synchronously, wParam 0, with this record:
//
//   dwData   SpawnToken, RegisterWindowMessageW("SpawnToken"): the same in every process
//   cbData   2 x the number of UTF-16 code units of the text; no terminator
//   lpData   the text: the path of the program or document to open
//
// The receiver opens nothing it cannot check: an odd byte count, a text of more than 32,767
// characters, an embedded NUL (a sender's terminator included) or an empty text is dropped.
//
// The main thread is the thread that ran the program's start-up (its static initialisation),
// which is the interface thread: waits there keep serving the messages that other threads and
// processes send to its windows, or the worker's synchronous notifications and the elevated
// copy's start requests would block both sides. Nothing needs to register it.
#pragma once

#ifndef _WIN32
#error "Setup.Core.Launch.h is for the Windows build only"
#endif

#include "ORV.Win32.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Setup::Core {

// Waits up to Timeout ms (INFINITE: no limit) for Handle to be signalled and returns what
// WaitForSingleObject would: WAIT_OBJECT_0, WAIT_ABANDONED_0, WAIT_TIMEOUT or WAIT_FAILED. On the
// main thread it waits in slices of at most 100 ms and dispatches sent messages between them
// (posted messages stay queued for the message loop); on any other thread it is a plain
// WaitForSingleObject.
DWORD WaitServingMessages(HANDLE handle, DWORD timeout = INFINITE);

// Starts programs with the rights of the desktop user. Process-wide; every member belongs to
// the main thread.
class TSetupSpawnService {
public:
    TSetupSpawnService() = delete;

    // Handle 0: a message-only window of this thread serves start requests (the first,
    // unelevated process); otherwise Handle is the spawn window of the process that started
    // this one (the elevated copy). Raises ORV::Exception "SpawnService is already initialized"
    // on a second call before Finalize, EOSError when the own window cannot be made.
    static void Initialize(intptr_t handle);
    // Opens FileName (a program or document, without parameters) as the desktop user: through
    // the other process's spawn window when there is one, else through Explorer. Reports
    // nothing; a request that the other process can no longer take is lost, and one that it does
    // not answer within a minute is given up.
    static void Execute(const std::u16string& fileName);
    static HWND SpawnWindow();
    static bool OwnsWindow();
    static UINT SpawnToken();
    // Destroys an own window and makes the service uninitialised again; a received window is
    // left alone. The entry point calls it at exit.
    static void Finalize();
};

// Starts this program again with administrator rights ("runas") and the parameters
// "/SKIPUAC=<spawn window> CommandLine", initialising the spawn service with an own window
// first unless it is initialised already, and waits for the copy to end while serving its
// start requests. True with the copy's exit code when it ran; false when the user refused the
// elevation prompt; EOSError for any other failure to start it.
bool RestartElevated(const std::u16string& commandLine, DWORD& exitCode);
// The same for another program than this one.
bool RestartElevated(const std::u16string& program, const std::u16string& commandLine, DWORD& exitCode);

// Copies this uninstaller ("Uninstall.exe") and its data package (".dat") into a folder that
// it creates under the temporary folder, schedules both files and then that folder for deletion
// at the next restart, and starts the copy with /PATH="<this program's folder>\" followed by
// GetParams(). The start itself is not checked: the caller exits either way. Raises EOSError
// when the temporary folder cannot be named, the folder cannot be made or a copy fails.
void StartUninstaller();
// The same for the uninstaller at ExecutablePath with Params; returns the path of the copy.
std::u16string StartUninstaller(const std::u16string& executablePath, const std::u16string& params);

// Whether Path lies inside the temporary folder (at any depth; whole path components, case
// ignored, short and long name forms alike). The uninstaller's copy runs from there, so a copy
// that is started there without a usable /PATH must not restart again.
bool IsInsideTempFolder(const std::u16string& path);

// Copies FileName into Folder under its own name, overwriting a read-only file left from an
// earlier run, and schedules the copy for deletion at the next restart. Returns the copy's
// path; raises as CopyFileOrFail does.
std::u16string CopyToTemp(const std::u16string& folder, const std::u16string& fileName);
// Copies Source over Target. Raises EOSError whose message ends with Source " -> " Target.
void CopyFileOrFail(const std::u16string& source, const std::u16string& target);
// Schedules FileName (a file, or an empty folder) for deletion at the next restart. Reports
// nothing.
void DeleteOnReboot(const std::u16string& fileName);
// Deletes the file FileName, read-only or not; a file in use (a loaded library, a running
// program) is moved to a new name in the temporary folder at once and that is deleted at the
// next restart. Nothing happens for a missing name or a folder, and nothing is reported when the
// file can be neither deleted nor moved.
void DeleteFileOrLater(const std::u16string& fileName);

// Runs CommandLine, waits up to 5 s for the program to be ready for input and then, unless that
// timed out, for it to end. True when it ended (whatever its exit code) or has no message queue
// and ended; false when it could not be started or did not become ready in time (it runs on).
// The program is named by its path, never searched for: a quoted first token is taken as it
// stands; an unquoted line is read as the longest prefix ending in ".exe" at a blank or at the
// end that names an existing file, so that "C:\Program Files\X\Elevator.exe /REG=U" never runs
// a planted "C:\Program.exe"; when no prefix qualifies nothing is started. The program gets no
// inherited handles.
bool RunAndWait(const std::u16string& commandLine);

// ---- The pieces behind the operations above, open for their tests.

// A program or document with its parameters, as the shell is asked to open it.
struct TShellCommand {
    std::u16string File;
    std::u16string Parameters;
};

// True when the system is Wine (ntdll.dll exports wine_get_version).
bool IsWine();
// Text in double quotes as the C runtime reads an argument: inner quotes escaped, backslashes
// before a quote doubled, so that a folder's trailing backslash survives.
std::u16string QuoteArgument(const std::u16string& text);
// Whether Text begins like an address ("scheme://", a scheme of two or more letters, digits,
// "+", "-" or "." after a letter, so that a drive letter never counts) or with "mailto:".
bool IsAddress(const std::u16string& text);
// What the shell open of File with Parameters starts: an address on its own, and on Wine
// (WineBrowser is then the full path of Wine's "winebrowser", else empty) through that program
// with the quoted address; anything else as given.
TShellCommand ShellOpenCommand(const std::u16string& file, const std::u16string& parameters,
                               const std::u16string& wineBrowser);
// What Execute opens when no other process serves it: on Vista or later "explorer.exe" of
// WindowsFolder (a full path, so that no "explorer.exe" in the current folder can stand in)
// with the quoted FileName, before Vista FileName itself.
TShellCommand DesktopOpenCommand(const std::u16string& fileName, const std::u16string& windowsFolder,
                                 bool vistaOrLater);
// ShellExecuteW of ShellOpenCommand with the default verb, no folder and SW_SHOW; true when the
// shell reports success (a result above 32).
bool ShellOpen(const std::u16string& file, const std::u16string& parameters = {});

// The text of a start request (see the top of this unit); false for a record that is missing,
// carries another token or breaks a rule there.
bool DecodeSpawnRequest(const COPYDATASTRUCT* record, UINT token, std::u16string& text);

// The program and the command line that RunAndWait hands to CreateProcessW: a quoted line as it
// stands; an unquoted one with the resolved program quoted. False when no program qualifies.
bool ResolveCommandLine(const std::u16string& commandLine, std::u16string& program, std::u16string& resolved);

// Whether Path lies below Folder (see IsInsideTempFolder).
bool IsInsideFolder(const std::u16string& path, const std::u16string& folder);

// Creates a folder that did not exist under Parent, named "Setup-" and 16 hexadecimal digits
// of Random, and returns it with a trailing backslash. A name that exists already is never
// reused: the next number is tried, up to 100 times. Raises EOSError when CreateDirectoryW fails
// for another reason or every name was taken.
std::u16string CreateFreshFolder(const std::u16string& parent, const std::function<uint64_t()>& random = {});

// Makes every library that this process loads by name from now on come from System32 only.
// The installer runs from a Downloads folder and the uninstaller from TEMP, both places where
// anyone can leave a DLL. Windows 7 without its loader update lacks SetDefaultDllDirectories;
// there at least the current folder is taken off the search path.
void RestrictDllSearchToSystem32();

} // namespace Setup::Core
