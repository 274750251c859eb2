#include "ORV.Strings.h"

namespace ORV {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// Decodes one UTF-8 sequence at text[i]; returns its length, or 0 when it is malformed.
size_t DecodeUtf8(std::string_view text, size_t i, char32_t& cp) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length;
    char32_t minimum;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2; cp = lead & 0x1F; minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3; cp = lead & 0x0F; minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4; cp = lead & 0x07; minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - i < length) return 0;
    for (size_t k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

} // namespace

bool TryUtf8ToUtf16(std::string_view text, std::u16string& result) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        const size_t length = DecodeUtf8(text, i, cp);
        if (length == 0) return false;
        AppendCodePoint(out, cp);
        i += length;
    }
    result = std::move(out);
    return true;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        const size_t length = DecodeUtf8(text, i, cp);
        if (length == 0) {
            out.push_back(kReplacement);
            ++i;
        } else {
            AppendCodePoint(out, cp);
            i += length;
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::u16string Trim(std::u16string_view text) {
    size_t first = 0, last = text.size();
    while (first < last && text[first] <= u' ') ++first;
    while (last > first && text[last - 1] <= u' ') --last;
    return std::u16string(text.substr(first, last - first));
}

std::u16string IntToStr(int64_t value) {
    std::u16string digits;
    // Work with the negative magnitude so that INT64_MIN needs no special case.
    int64_t rest = value < 0 ? value : -value;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' - rest % 10));
        rest /= 10;
    } while (rest != 0);
    if (value < 0) digits.insert(digits.begin(), u'-');
    return digits;
}

bool TryStrToInt64(std::u16string_view text, int64_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size()) return false;
    // Accumulate negatively: the negative range is the larger one.
    int64_t result = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < u'0' || c > u'9') return false;
        const int digit = c - u'0';
        if (result < (INT64_MIN + digit) / 10) return false;
        result = result * 10 - digit;
    }
    if (!negative) {
        if (result == INT64_MIN) return false;
        result = -result;
    }
    value = result;
    return true;
}

std::u16string AsciiUpperCase(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return out;
}

bool SameTextAscii(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - u'a' + u'A');
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - u'a' + u'A');
        if (x != y) return false;
    }
    return true;
}

std::u16string Format(std::u16string_view pattern, std::initializer_list<FormatArg> args) {
    std::u16string out;
    out.reserve(pattern.size() + 32);
    auto next = args.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c != u'%' || i + 1 == pattern.size()) {
            out.push_back(c);
            continue;
        }
        const char16_t conversion = pattern[i + 1];
        if (conversion == u'%') {
            out.push_back(u'%');
            ++i;
        } else if ((conversion == u's' || conversion == u'd') && next != args.end()) {
            if (next->IsText())
                out.append(next->Text());
            else
                out.append(IntToStr(next->Number()));
            ++next;
            ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace ORV
