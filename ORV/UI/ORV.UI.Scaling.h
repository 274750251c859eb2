// Geometry given at 96 DPI, scaled to the monitor a window is on.
#pragma once

#ifndef _WIN32
#error "ORV.UI.Scaling.h is for the Windows build only"
#endif

#include "ORV.Win32.h"

namespace ORV::UI {

inline constexpr int kDesignDpi = 96;

// Value (in units of a 96-DPI screen) at Dpi, rounded as MulDiv rounds (halves away from zero).
int Scale(int value, int dpi);
RECT Scale(const RECT& rect, int dpi);
// The DPI of the monitor Window is on (GetDpiForWindow where Windows has it, Windows 10 1607 or
// later), else of the screen; 96 when neither can be asked.
int WindowDpi(HWND window);

} // namespace ORV::UI
