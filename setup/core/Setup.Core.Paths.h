// The path macros of the install script and the language files, and the normalisation of the
// paths they produce. Pure string work: the setup resources supply the values.
#pragma once

#include <string>
#include <string_view>

namespace Setup::Core {

// The values the macros stand for. Folders end with a backslash.
struct TPathMacros {
    std::u16string DestPath;            // $DEST
    std::u16string TempPath;            // $TEMP
    std::u16string HomePage;            // $LINK
    std::u16string ProductName;         // $NAME
    std::u16string FullVersion;         // $VERSION
    std::u16string DesktopFolder;       // $DESKTOP
    std::u16string StartMenuFolder;     // $STARTMENU
    std::u16string ProgramFilesFolder;  // $PROGRAMS
};

// Replaces, in this order and each everywhere, "\n" by CR LF, then $DEST, $TEMP, $LINK,
// $NAME, $VERSION, $DESKTOP, $STARTMENU and $PROGRAMS by their values. Each step works on the
// result of the one before; the macros are case-sensitive ("$dest" stays).
std::u16string ExpandMacros(std::u16string_view text, const TPathMacros& macros);
// The same without the line breaks, for texts that name files: there "\n" is a backslash
// before a name that starts with "n" ("$DEST\Plugins\net.dll").
std::u16string ExpandPathMacros(std::u16string_view text, const TPathMacros& macros);

// Makes a path safe to hand to the file system: keeps a drive ("C:") or server ("\\server")
// root, and in every piece between backslashes turns '"' into an apostrophe, removes
// \ < > * : ? | / and control characters, trims blanks and cuts it to 260 characters; pieces
// that end up empty, "." or ".." are dropped, so no piece can climb out of its folder. The
// result ends with a backslash only when Path did (a bare root always does: "C:\").
std::u16string NormalizePath(std::u16string_view path);

// A folder as a person or a script may write it, in the spelling the other path functions
// take: "/" becomes "\" (Windows takes both as separators), and an extended-length prefix
// ("\\?\", "\\?\UNC\") is dropped, since the program adds it itself where a path needs it.
std::u16string BackslashPathForm(std::u16string_view path);

// The program files folder without " (x86)": the native one on a 64-bit system.
std::u16string NativeProgramFilesFolderOf(std::u16string_view programFilesFolder);

} // namespace Setup::Core
