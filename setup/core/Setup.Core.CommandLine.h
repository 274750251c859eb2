// The switches the program reads, and the command lines it builds when it starts itself again.
// Names compare case-insensitively (see ORV.Utils.CommandLine.h), so these spellings are the
// ones the program writes, not the only ones it accepts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Setup::Core {

// Install: automatic run without questions; the value, when given, is the destination folder.
// Uninstall: automatic uninstallation.
inline constexpr char16_t SwitchAuto[] = u"AUTO";
// With AUTO: no window at all; errors are reported in a message box.
inline constexpr char16_t SwitchSilent[] = u"SILENT";
// With AUTO, install: no backup of the previous installation.
inline constexpr char16_t SwitchNoBackup[] = u"NOBACKUP";
// With AUTO, install: the post-install actions default to on when an installation is updated.
inline constexpr char16_t SwitchRun[] = u"RUN";
// With AUTO, install: the destination must hold an installation that can be updated.
inline constexpr char16_t SwitchUpdate[] = u"UPDATE";
// With AUTO and without UPDATE, install: portable installation.
inline constexpr char16_t SwitchPortable[] = u"PORTABLE";
// With AUTO: no message box at all, for runs that nobody watches: the files-in-use question is
// answered with Abort, errors go to the exit code and the log, and the wizard of a run that is
// not silent closes by itself at the end.
inline constexpr char16_t SwitchSuppressMsgBoxes[] = u"SUPPRESSMSGBOXES";
// The log file of the run (see Setup.Core.Log.h); none without it.
inline constexpr char16_t SwitchLog[] = u"LOG";
// Uninstall: the installation folder the uninstaller works on.
inline constexpr char16_t SwitchPath[] = u"PATH";
// Set on the program's own elevated restart: the spawn window of the process that restarted it
// (0 or a text that is not a number: none). Its presence stops a further restart.
inline constexpr char16_t SwitchSkipUAC[] = u"SKIPUAC";

// The destination that CommandLine gives an automatic run: the value of the first AUTO switch
// that has one, so that a caller may add "/AUTO=FOLDER" to switches that hold a bare "/AUTO"
// already (as package managers put a silent switch and a location switch together); empty
// when no AUTO has a value.
std::u16string AutoFolderOf(std::u16string_view commandLine);

// The parameters of the elevated restart: "/SKIPUAC=<SpawnWindow> <Params>", the window handle
// in signed decimal. The added switch comes first, so that it wins over one in Params.
std::u16string ElevatedRestartParams(int64_t spawnWindow, const std::u16string& params);

// The parameters of the temporary copy of the uninstaller: "/PATH="<Folder>" <Params>". Folder
// is the installation folder; a non-empty one gets a trailing backslash when it lacks one, and
// keeps it inside the quotes, which the switch parser reads without escapes. The added switch
// comes first, so that it wins over one in Params.
std::u16string UninstallerCopyParams(const std::u16string& folder, const std::u16string& params);

} // namespace Setup::Core
