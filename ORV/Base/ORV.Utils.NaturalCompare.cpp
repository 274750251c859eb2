#include "ORV.Utils.NaturalCompare.h"

#include "ORV.Platform.h"

namespace ORV {

namespace {

// The value of a decimal digit, or -1. Full-width digits count as digits too.
int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= 0xFF10 && c <= 0xFF19) return c - 0xFF10;
    return -1;
}

// The run that starts at Position: all digits or all non-digits.
std::u16string_view TakeRun(std::u16string_view text, size_t& position) {
    const size_t start = position;
    const bool digits = DigitValue(text[position]) >= 0;
    while (position < text.size() && (DigitValue(text[position]) >= 0) == digits) ++position;
    return text.substr(start, position - start);
}

// Compares two digit runs by value without converting them, so any length works.
int CompareNumbers(std::u16string_view a, std::u16string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && DigitValue(a[i]) == 0) ++i;
    while (j < b.size() && DigitValue(b[j]) == 0) ++j;
    const size_t lengthA = a.size() - i, lengthB = b.size() - j;
    if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
    for (; i < a.size(); ++i, ++j) {
        const int x = DigitValue(a[i]), y = DigitValue(b[j]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

} // namespace

int NaturalCompareText(std::u16string_view a, std::u16string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const std::u16string_view runA = TakeRun(a, i);
        const std::u16string_view runB = TakeRun(b, j);
        const bool digitsA = DigitValue(runA[0]) >= 0, digitsB = DigitValue(runB[0]) >= 0;
        const int result = digitsA && digitsB ? CompareNumbers(runA, runB) : Platform::CompareTextLocale(runA, runB);
        if (result != 0) return result;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

} // namespace ORV
