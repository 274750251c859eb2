// What the desktop says about colours: the Windows app theme (light or dark), high contrast,
// and the dark title bar of a window. The palettes themselves belong to the windows that use
// them; this unit only tells them which one to take.
#pragma once

#ifndef _WIN32
#error "ORV.UI.Themes.h is for the Windows build only"
#endif

#include "ORV.Win32.h"

namespace ORV::UI {

// Whether applications are to be dark: "AppsUseLightTheme" under
// HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize is 0 (an absent value is
// light). Where that key cannot be opened (before Windows 10), dark when the system's window
// colour is dark.
bool IsAppsDarkMode();
// Whether a colour is dark: its perceived brightness (ITU-R BT.601 weights) below the middle.
bool IsDarkColor(COLORREF color);
// Whether the user runs a high-contrast scheme; the system colours are then to be used instead
// of any palette.
bool IsHighContrast();
// Whether Message (with its LParam) of WM_SETTINGCHANGE reports a change of the app theme
// ("ImmersiveColorSet") or of high contrast, after which the palette is to be chosen again.
bool IsThemeChange(UINT message, WPARAM wParam, LPARAM lParam);
// Gives Window the dark or the light title bar through DwmSetWindowAttribute where Windows has
// it (Windows 10 1809 or later). False where it does not; the window keeps its title bar then.
bool SetDarkTitleBar(HWND window, bool dark);

} // namespace ORV::UI
