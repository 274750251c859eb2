// The spawn service, which lets the elevated copy start programs with the desktop user's rights,
// and the shell open it ends in.
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
#pragma once

#ifndef _WIN32
#error "Setup.Core.Launch.Spawn.h is for the Windows build only"
#endif

#include "ORV.Win32.h"

#include <cstdint>
#include <string>

namespace Setup::Core {

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
    static bool Initialized();
    static UINT SpawnToken();
    // Destroys an own window and makes the service uninitialised again; a received window is
    // left alone. The entry point calls it at exit.
    static void Finalize();
};

// ---- The pieces behind the service, open for their tests.

// A program or document with its parameters, as the shell is asked to open it.
struct TShellCommand {
    std::u16string File;
    std::u16string Parameters;
};

// True when the system is Wine (ntdll.dll exports wine_get_version).
bool IsWine();
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

} // namespace Setup::Core
