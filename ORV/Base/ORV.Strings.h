// String helpers: UTF conversions, trimming, integer texts and the %s/%d formatter that both
// the program's messages and the language files use.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace ORV {

// Malformed input (a lone surrogate, an invalid UTF-8 sequence) becomes U+FFFD; never throws.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Strict UTF-8 decoding: false when the bytes are not well-formed UTF-8 (overlong forms and
// encoded surrogates included). Text files use it to fall back to the ANSI code page.
bool TryUtf8ToUtf16(std::string_view text, std::u16string& result);

// Removes the characters up to U+0020 (blanks and control characters) from both ends.
std::u16string Trim(std::u16string_view text);

std::u16string IntToStr(int64_t value);

// Parses an optionally signed decimal integer that fills the whole text; false otherwise.
bool TryStrToInt64(std::u16string_view text, int64_t& value);

// The ASCII-only upper-case form; letters outside A-Z are unchanged.
std::u16string AsciiUpperCase(std::u16string_view text);

// Equal length and equal with the ASCII letters folded to one case; every other character
// compares exactly, whatever the user's locale. For names fixed by a file format.
bool SameTextAscii(std::u16string_view a, std::u16string_view b);

// One argument of Format: a text or an integer.
class FormatArg {
public:
    FormatArg(std::u16string_view text) : FIsText(true), FText(text) {}
    FormatArg(const std::u16string& text) : FIsText(true), FText(text) {}
    FormatArg(const char16_t* text) : FIsText(true), FText(text) {}
    FormatArg(int value) : FIsText(false), FNumber(value) {}
    FormatArg(long value) : FIsText(false), FNumber(value) {}
    FormatArg(long long value) : FIsText(false), FNumber(value) {}
    FormatArg(unsigned value) : FIsText(false), FNumber(value) {}

    bool IsText() const { return FIsText; }
    std::u16string_view Text() const { return FText; }
    int64_t Number() const { return FNumber; }

private:
    bool FIsText;
    std::u16string_view FText;
    int64_t FNumber = 0;
};

// Replaces each %s and %d with the next argument, in order, and %% with a single %. An
// argument of the other kind is converted (a number for %s prints in decimal; a text for %d
// is inserted as it is), so a language file with mismatched placeholders never crashes.
// Placeholders without an argument, and any other % sequence, stay as they are.
std::u16string Format(std::u16string_view pattern, std::initializer_list<FormatArg> args);

} // namespace ORV
