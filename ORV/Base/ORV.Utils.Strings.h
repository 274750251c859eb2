// Text helpers of the library's data formats: the line breaks that text files and string lists
// share, the integer syntax of stored values, and the hexadecimal form of binary values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ORV {

// Cuts Text into lines, one per call, starting at Position. A line ends at CR, LF, CR LF or
// U+2028 (LINE SEPARATOR); U+2028 followed by CR, LF or CR LF is one break, while LF followed by
// CR is two (an empty line lies between). A break at the very end opens no further line, so
// "a\r\n" is one line and "\r\n" is one empty line.
// Returns false, leaving Line untouched, when Position is at or past the end of Text; otherwise
// Line views the characters before the break (inside Text) and Position moves past the break.
bool NextLine(std::u16string_view text, size_t& position, std::u16string_view& line);

// Parses a stored integer: optional leading U+0020 blanks, an optional "+" or "-", then either
// decimal digits or hexadecimal digits (either case) after "$", "0x" or "0X", filling the rest
// of Text. A decimal number must lie in the signed 32-bit range. A hexadecimal number may use
// all 32 bits and stands for that bit pattern ("$FFFFFFFF" is -1), as hand-written colour
// values expect. False, leaving Value untouched, for anything else: an empty text, a prefix
// without digits, trailing characters (blanks included) or an overflow.
bool TryStrToInt32(std::u16string_view text, int32_t& value);

// The parts of a path around its last "\", "/" or ":": the folder with that separator, and the
// file name after it. A path without one is all file name.
std::u16string ExtractFilePath(std::u16string_view path);
std::u16string ExtractFileName(std::u16string_view path);
// Whether Path is a full Windows path: a drive letter with its root ("X:\" or "X:/"), or a
// server with a share ("\\server\share", the extended-length form "\\?\X:\" included). Relative
// and drive-relative paths depend on a current folder; "\\server" alone names no folder.
bool IsFullPath(std::u16string_view path);
// Folder with a backslash appended unless it already ends in "\" or "/". An empty folder stays
// empty rather than turning into the root of the current drive.
std::u16string IncludeTrailingBackslash(std::u16string folder);

// The hexadecimal text form of binary data: two digits per byte, high nibble first.
class TORVHexcode {
public:
    // Lower-case digits from "0123456789abcdef"; an empty text for no data.
    static std::u16string Encode(const void* data, size_t size);

    // Decodes pairs of digits 0-9, A-F or a-f into Bytes (replacing its content). False, with
    // Bytes untouched, when the length is odd or any character is not such a digit. An empty
    // text decodes to no bytes.
    static bool Decode(std::u16string_view text, std::vector<uint8_t>& bytes);
};

} // namespace ORV
