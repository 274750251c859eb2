#include "ORV.Utils.Strings.h"

namespace ORV {

namespace {

constexpr char16_t kLineSeparator = 0x2028;

bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n' || c == kLineSeparator; }

// The value of a hexadecimal digit, or -1.
int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

} // namespace

bool NextLine(std::u16string_view text, size_t& position, std::u16string_view& line) {
    if (position >= text.size()) return false;
    size_t end = position;
    while (end < text.size() && !IsBreak(text[end])) ++end;
    line = text.substr(position, end - position);
    if (end < text.size()) {
        const char16_t first = text[end++];
        // A line separator swallows the CR, LF or CR LF that an editor may have added after it;
        // a CR swallows one LF. An LF ends its line alone.
        if (first == kLineSeparator && end < text.size() && text[end] == u'\r') ++end;
        if (first != u'\n' && end < text.size() && text[end] == u'\n') ++end;
    }
    position = end;
    return true;
}

bool TryStrToInt32(std::u16string_view text, int32_t& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';

    unsigned base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (text.size() - i >= 2 && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return false;

    // Decimal numbers are bounded by the signed range, hexadecimal ones by 32 bits.
    const uint64_t limit = base == 16 ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return false;
        magnitude = magnitude * base + static_cast<unsigned>(digit);
        if (magnitude > limit) return false;
    }
    const uint32_t bits = static_cast<uint32_t>(negative ? 0u - magnitude : magnitude);
    value = static_cast<int32_t>(bits);
    return true;
}

std::u16string TORVHexcode::Encode(const void* data, size_t size) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::u16string text(size * 2, u'0');
    for (size_t i = 0; i < size; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 15];
    }
    return text;
}

bool TORVHexcode::Decode(std::u16string_view text, std::vector<uint8_t>& bytes) {
    if (text.size() % 2 != 0) return false;
    std::vector<uint8_t> out(text.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        const int high = HexDigit(text[2 * i]), low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        out[i] = static_cast<uint8_t>(high << 4 | low);
    }
    bytes = std::move(out);
    return true;
}

std::u16string ExtractFilePath(std::u16string_view path) {
    const size_t separator = path.find_last_of(u"\\/:");
    return separator == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, separator + 1));
}

std::u16string ExtractFileName(std::u16string_view path) {
    const size_t separator = path.find_last_of(u"\\/:");
    return std::u16string(separator == std::u16string_view::npos ? path : path.substr(separator + 1));
}

bool IsFullPath(std::u16string_view path) {
    const auto isLetter = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
    if (path.size() >= 3 && isLetter(path[0]) && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/')) return true;
    if (!path.starts_with(u"\\\\")) return false;
    const size_t shareStart = path.find(u'\\', 2);
    return shareStart != std::u16string_view::npos && shareStart > 2 && shareStart + 1 < path.size() &&
           path[shareStart + 1] != u'\\';
}

std::u16string IncludeTrailingBackslash(std::u16string folder) {
    if (!folder.empty() && folder.back() != u'\\' && folder.back() != u'/') folder.push_back(u'\\');
    return folder;
}

} // namespace ORV
