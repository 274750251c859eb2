// A window's taskbar button as a progress display: a value of a maximum, and a normal, an
// error or no state, through the Windows taskbar list (Windows 7 or later). Where there is no
// taskbar list, or the button does not exist yet, nothing shows; the object still reports what
// it was last asked to show.
#pragma once

#ifndef _WIN32
#error "ORV.UI.AeroPeek.h is for the Windows build only"
#endif

#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"

#include <shobjidl.h>

#include <cstdint>

namespace ORV::UI {

enum class TORVTaskbarState { None, Normal, Error };

class TORVAeroPeek {
public:
    // For Window's button; COM must be initialised on this thread.
    explicit TORVAeroPeek(HWND window);

    void SetProgress(uint64_t value, uint64_t maximum);
    void SetState(TORVTaskbarState state);
    // Shows the last values again; for the message "TaskbarButtonCreated", after which the
    // button exists (again, after Explorer restarted).
    void Refresh();
    // The message number of "TaskbarButtonCreated".
    static UINT ButtonCreatedMessage();

    uint64_t Value() const { return FValue; }
    uint64_t Maximum() const { return FMaximum; }
    TORVTaskbarState State() const { return FState; }

private:
    HWND FWindow;
    TComPtr<ITaskbarList3> FTaskbar;
    uint64_t FValue = 0, FMaximum = 0;
    TORVTaskbarState FState = TORVTaskbarState::None;
};

} // namespace ORV::UI
