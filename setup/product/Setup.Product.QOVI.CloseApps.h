// Closing the running player before anything of it is touched: every top-level window of the
// player's programs is asked to close, pass after pass, until none is left.
#pragma once

#include "Setup.Core.Actions.h"
#include "ORV.Win32.Handles.h"

#include <string>

namespace Setup::Product::QOVI {

// The window classes of the player's programs, in the order they are closed.
inline constexpr const char16_t* kPlayerWindowClasses[] = {
    u"TQOVI2EditorForm", u"TQOVI2MainW",     u"TQOVI3MainWindow", u"TQOVIATEForm",
    u"TQOVIConverterMainForm", u"TQOVILibMainForm", u"TQOVIMainForm",
};

inline constexpr char16_t kMsgStillRunning[] =
    u"\"%s\" is still running and does not close. Close it, then run the setup again.";

// The program file of the process that owns Window; false when it cannot be read.
bool ProgramOfWindow(HWND window, std::u16string& program);

class TSetupActionCloseApplications : public Core::TSetupAction {
public:
    // How long it keeps trying: a pass sends WM_CLOSE to one window of each class, and a pass
    // that found one pauses and is followed by another, up to kMaxPasses.
    static constexpr int kMaxPasses = 15;
    static constexpr DWORD kPause = 2000;         // ms after every pass that found a window
    static constexpr DWORD kCloseTimeout = 5000;  // ms a window has to handle WM_CLOSE

    TSetupActionCloseApplications();

    // Shows "A8" and closes the player's windows. A window that hangs or asks the user
    // something cannot hold the worker for longer than kCloseTimeout. Raises
    // EInstallerInstallError naming the program when a window is still open after the last
    // pass, before the run has touched any file. A stop request ends the passes at once; the
    // run then stops before its next action.
    void Execute() override;
    void Cancel() override;

    // One pass; true when it found a window of the player, whether that closed or not.
    static bool ClosePass();
    // Whether a window of the player is open; Program receives the file of its program (the
    // window class when that cannot be read).
    static bool FindRunningProgram(std::u16string& program);

private:
    ORV::TScopedKernelHandle FCancelled;
};

} // namespace Setup::Product::QOVI
