// The program's message boxes: every box is owned by the program's main window while there is
// one (the wizard), which is disabled while the box is up, so that the box stays in front of it
// and no click reaches the window behind it.
#pragma once

#ifndef _WIN32
#error "ORV.UI.Dialogs.h is for the Windows build only"
#endif

#include "ORV.Win32.h"

#include <string>

namespace ORV::UI {

// The window that owns the boxes; null (the default) for none.
void SetMainWindow(HWND window);
HWND MainWindow();

// Shows Text with Caption and the MessageBoxW buttons, icon and default button of Flags, owned
// by the main window when it still exists; returns the button pressed (IDOK, IDCANCEL, ...).
int MessageDlg(const std::u16string& text, const std::u16string& caption, UINT flags);

} // namespace ORV::UI
