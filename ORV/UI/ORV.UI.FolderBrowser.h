// The modal folder picker: the shell's tree of folders, with a button for a new folder. Its
// four captions are process-wide and set by the program in its own language.
#pragma once

#ifndef _WIN32
#error "ORV.UI.FolderBrowser.h is for the Windows build only"
#endif

#include "ORV.Win32.h"

#include <string>

namespace ORV::UI {

class TORVFolderBrowser {
public:
    TORVFolderBrowser() = delete;

    // The title, and the captions of the new-folder, Cancel and OK buttons; empty ones keep the
    // system's.
    static void SetCaptions(const std::u16string& title, const std::u16string& newFolder, const std::u16string& cancel,
                            const std::u16string& ok);
    static const std::u16string& Title();
    static const std::u16string& NewFolderCaption();
    static const std::u16string& CancelCaption();
    static const std::u16string& OkCaption();

    // Shows the picker owned by Owner, opened at Folder (when it exists); true with the chosen
    // folder in Folder (without a trailing backslash), false when the user cancelled. COM
    // must be initialised on this thread.
    static bool Execute(HWND owner, std::u16string& folder);
};

} // namespace ORV::UI
