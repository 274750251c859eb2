// The colours of the wizard and its pages for the theme now in use.
#pragma once

#ifndef _WIN32
#error "Setup.UI.Palette.h is for the Windows build only"
#endif

#include "ORV.Win32.h"

namespace Setup::UI {

struct TWizardPalette {
    COLORREF Accent;           // bottom bar, the line under the header, the progress
    COLORREF StripBackground;  // the progress strip behind the progress
    COLORREF Background;       // window and pages
    COLORREF HeaderText;       // title and description
    COLORREF VersionText;      // the version text on the bottom bar
    COLORREF Text;             // the pages' texts
};

// The palette of the app theme (dark or light); in high contrast, the system's colours.
TWizardPalette WizardPalette();

} // namespace Setup::UI
