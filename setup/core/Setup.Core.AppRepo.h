// The product's entry in the Windows list of installed programs:
// HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<name without spaces>, in the
// registry view of a 32-bit program. Registry failures are never errors here: an installation
// that could not register itself still succeeded.
#pragma once

#include <cstdint>
#include <string>

namespace Setup::Core {

class TSetupAppRepo {
public:
    TSetupAppRepo() = delete;

    // Name with every space removed.
    static std::u16string KeyName(const std::u16string& name);

    // Replaces the entry of Name (values the old one had and this one does not write go) with
    // NoModify, NoRepair, DisplayIcon, DisplayName, DisplayVersion, InstallDate (yyyyMMdd,
    // local), InstallPath and InstallLocation (the uninstaller's folder with a trailing
    // backslash), Publisher, UninstallString (the uninstaller's path in quotes, so that a blank
    // in it cannot make Windows start another program), QuietUninstallString (the same with
    // " /AUTO /SILENT"), EstimatedSize (SizeKiB, a DWORD) and URLInfoAbout, in that order.
    // Nothing is written for an empty key name; values that cannot be written are skipped.
    static void Register(const std::u16string& name, const std::u16string& uninstallerPath,
                         const std::u16string& homePage, const std::u16string& publisher,
                         const std::u16string& version, uint32_t sizeKiB = 0);

    // Deletes the entry with all its subkeys; nothing for an empty or missing key.
    static void Unregister(const std::u16string& name);

    // The folder of an installed copy, with a trailing backslash: InstallPath, else the
    // folders of UninstallString (quoted or not, arguments after a quoted path ignored) and
    // DisplayIcon, whichever first names an existing folder;
    // the 32-bit view first, then the 64-bit view. Never raises.
    static bool FindInstallPath(const std::u16string& name, std::u16string& path);
};

} // namespace Setup::Core
