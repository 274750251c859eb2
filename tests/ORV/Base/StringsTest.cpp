#include "ORV.Platform.h"
#include "ORV.Strings.h"

#include <gtest/gtest.h>

using namespace ORV;

TEST(Strings, Utf8RoundTripsAndReplacesMalformedInput) {
    const std::u16string text = u"Plain, \u00E9t\u00E9, \u041F\u0440\u0438\u0432\u0435\u0442, \U0001F3B5";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);

    std::u16string strict;
    EXPECT_FALSE(TryUtf8ToUtf16("\xC0\xAF", strict));          // overlong '/'
    EXPECT_FALSE(TryUtf8ToUtf16("\xED\xA0\x80", strict));      // encoded surrogate
    EXPECT_FALSE(TryUtf8ToUtf16("abc\xE2\x82", strict));       // truncated sequence
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Strings, TrimRemovesControlCharactersAndBlanks) {
    EXPECT_EQ(Trim(u" \t\r\n x y \x01"), u"x y");
    EXPECT_EQ(Trim(u"   "), u"");
}

TEST(Strings, IntegerTexts) {
    EXPECT_EQ(IntToStr(0), u"0");
    EXPECT_EQ(IntToStr(-42), u"-42");
    EXPECT_EQ(IntToStr(INT64_MIN), u"-9223372036854775808");
    const struct {
        const char16_t* Text;
        bool Ok;
        int64_t Value;
    } cases[] = {{u"12345", true, 12345},
                 {u"-7", true, -7},
                 {u"+7", true, 7},
                 {u"9223372036854775807", true, INT64_MAX},
                 {u"-9223372036854775808", true, INT64_MIN},
                 {u"9223372036854775808", false, 0},
                 {u"", false, 0},
                 {u"-", false, 0},
                 {u"12a", false, 0},
                 {u" 1", false, 0}};
    for (const auto& c : cases) {
        int64_t value = 0;
        EXPECT_EQ(TryStrToInt64(c.Text, value), c.Ok) << Utf16ToUtf8(c.Text);
        if (c.Ok) {
            EXPECT_EQ(value, c.Value) << Utf16ToUtf8(c.Text);
        }
    }
}

TEST(Strings, FormatFillsPlaceholdersInOrder) {
    EXPECT_EQ(Format(u"LZMA Error (%d)", {8}), u"LZMA Error (8)");
    EXPECT_EQ(Format(u"Cannot locate \"%s\" file in %s", {u"Install.xml", u"setup archive"}),
              u"Cannot locate \"Install.xml\" file in setup archive");
    EXPECT_EQ(Format(u"100%% of %s", {u"files"}), u"100% of files");
    // Mismatched and missing arguments never crash: a language file may have either.
    EXPECT_EQ(Format(u"%d and %s", {u"text", 5}), u"text and 5");
    EXPECT_EQ(Format(u"%s, %s, %x", {u"one"}), u"one, %s, %x");
    EXPECT_EQ(Format(u"trailing %", {}), u"trailing %");
}

TEST(Platform, LocaleComparisonIgnoresCaseBeyondAscii) {
    EXPECT_TRUE(Platform::SameTextLocale(u"Install.XML", u"install.xml"));
    EXPECT_TRUE(Platform::SameTextLocale(u"\u0420\u0443\u0441\u0441\u043A\u0438\u0439.lng",
                                         u"\u0420\u0423\u0421\u0421\u041A\u0418\u0419.LNG"));
    EXPECT_TRUE(Platform::SameTextLocale(u"\u00C9t\u00E9", u"\u00E9T\u00C9"));
    EXPECT_FALSE(Platform::SameTextLocale(u"auto", u"autox"));
    EXPECT_FALSE(Platform::SameTextLocale(u"a", u"b"));
    EXPECT_EQ(Platform::UpperCaseLocale(u"stra\u00DFe \u00E9"), u"STRA\u00DFE \u00C9");
}

TEST(Platform, AnsiConversionRoundTripsTheCodePage) {
    const std::u16string text = u"Key 7203958146 \u00E9";
    if (Platform::AnsiCodePage() == 1252) {
        EXPECT_EQ(Platform::StringToAnsi(text), "Key 7203958146 \xE9");
    }
    EXPECT_EQ(Platform::AnsiToString(Platform::StringToAnsi(text)), text);
    EXPECT_EQ(Platform::StringToAnsi(u"7203958146"), "7203958146");
}
