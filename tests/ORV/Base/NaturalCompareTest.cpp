#include "ORV.Strings.h"
#include "ORV.Utils.NaturalCompare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using ORV::NaturalCompareText;

TEST(NaturalCompare, NumbersCompareByValueAndTextIgnoringCase) {
    const struct {
        const char16_t* A;
        const char16_t* B;
        int Sign;
    } cases[] = {
        {u"Lang9.LNG", u"Lang10.lng", -1},
        {u"Lang10.lng", u"lang9.lng", 1},
        {u"English.lng", u"english.LNG", 0},
        {u"a007", u"a7", 0},                      // leading zeros do not change the value
        {u"a99999999999999999999", u"a100000000000000000000", -1},  // longer than any integer
        {u"Lang\uFF19", u"Lang10", -1},           // a full-width nine
        {u"Lang", u"Lang1", -1},                  // the name that runs out first sorts first
        {u"", u"a", -1},
        {u"", u"", 0},
        {u"b1", u"a2", 1},
        {u"Deutsch.lng", u"English.lng", -1},
    };
    for (const auto& c : cases) {
        const int result = NaturalCompareText(c.A, c.B);
        EXPECT_EQ((result > 0) - (result < 0), c.Sign) << ORV::Utf16ToUtf8(c.A) << " vs " << ORV::Utf16ToUtf8(c.B);
        const int reverse = NaturalCompareText(c.B, c.A);
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.Sign);
    }
}

TEST(NaturalCompare, SortsLanguageFileNames) {
    std::vector<std::u16string> names = {u"Lang10.lng", u"English.lng", u"Lang9.LNG", u"Deutsch.lng", u"Lang1.lng"};
    std::sort(names.begin(), names.end(),
              [](const std::u16string& a, const std::u16string& b) { return NaturalCompareText(a, b) < 0; });
    const std::vector<std::u16string> expected = {u"Deutsch.lng", u"English.lng", u"Lang1.lng", u"Lang9.LNG",
                                                  u"Lang10.lng"};
    EXPECT_EQ(names, expected);
}
