#include "ORV.Parsers.h"
#include "ORV.Strings.h"
#include "ORV.Utils.CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using ORV::TORVParser;
using TKind = TORVParser::TTokenKind;
using TTokens = std::vector<std::pair<TKind, std::u16string>>;

// The sets the switch parser uses.
constexpr std::u16string_view kSwitchDelimiters = u"-/=; \r\n";

struct TTokenCase {
    const char* Name;
    std::u16string_view Delimiters, Blanks, Quotes;
    std::u16string Text;
    TTokens Expected;
};

TEST(TORVParser, CutsTextIntoTokens) {
    using enum TORVParser::TTokenKind;
    const std::vector<TTokenCase> cases = {
        {"empty text", kSwitchDelimiters, u" ", u"\"", u"", {}},
        {"switch with value", kSwitchDelimiters, u" ", u"\"", u"/A=x;y z",
         {{tkDelimiter, u"/"}, {tkWord, u"A"}, {tkDelimiter, u"="}, {tkWord, u"x"}, {tkDelimiter, u";"},
          {tkWord, u"y"}, {tkBlank, u" "}, {tkWord, u"z"}}},
        {"a blank that is also a delimiter is a blank", u" ;", u" ", u"", u"a b;",
         {{tkWord, u"a"}, {tkBlank, u" "}, {tkWord, u"b"}, {tkDelimiter, u";"}}},
        {"a blank wins over a quote", u"", u"'", u"'", u"'x'", {{tkBlank, u"'"}, {tkWord, u"x'"}}},
        {"a quote wins over a delimiter", u"\"", u"", u"\"", u"\"a\"", {{tkQuotedText, u"a"}}},
        {"no escapes: a backslash before the closing quote is text", kSwitchDelimiters, u" ", u"\"",
         u"\"C:\\QOVI\\\" x", {{tkQuotedText, u"C:\\QOVI\\"}, {tkBlank, u" "}, {tkWord, u"x"}}},
        {"quoted text keeps blanks and delimiters", kSwitchDelimiters, u" ", u"\"", u"\" a=b;c \"",
         {{tkQuotedText, u" a=b;c "}}},
        {"empty quoted text", kSwitchDelimiters, u" ", u"\"", u"\"\"", {{tkQuotedText, u""}}},
        {"each quote closes only with itself", u" ", u" ", u"\"'", u"'a\"b' \"c'd\"",
         {{tkQuotedText, u"a\"b"}, {tkBlank, u" "}, {tkQuotedText, u"c'd"}}},
        {"a quote without partner is a lone quote", kSwitchDelimiters, u" ", u"\"", u"\"ab c",
         {{tkLoneQuote, u"\""}, {tkWord, u"ab"}, {tkBlank, u" "}, {tkWord, u"c"}}},
        {"a quote inside a word does not end it", kSwitchDelimiters, u" ", u"\"", u"ab\"c d\"",
         {{tkWord, u"ab\"c"}, {tkBlank, u" "}, {tkWord, u"d\""}}},
        {"a blank that is no delimiter does not end a word", u" ", u" \t", u"", u"\ta\tb c",
         {{tkBlank, u"\t"}, {tkWord, u"a\tb"}, {tkBlank, u" "}, {tkWord, u"c"}}},
        {"TAB is a word character for the switch parser", kSwitchDelimiters, u" ", u"\"", u"a\tb",
         {{tkWord, u"a\tb"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TORVParser parser(c.Delimiters, c.Blanks, c.Quotes);
        parser.SetText(c.Text);
        TTokens tokens;
        TORVParser::TToken token;
        size_t covered = 0;
        while (parser.NextToken(token)) {
            EXPECT_EQ(token.Start, covered);
            EXPECT_GT(token.End, token.Start);
            covered = token.End;
            tokens.emplace_back(token.Kind, token.Text);
        }
        EXPECT_EQ(covered, c.Text.size());
        EXPECT_EQ(tokens, c.Expected);
        EXPECT_FALSE(parser.NextToken(token));
    }
}

TEST(TORVParser, SetTextStartsOver) {
    TORVParser parser(u" ", u" ", u"\"");
    parser.SetText(u"a b");
    TORVParser::TToken token;
    ASSERT_TRUE(parser.NextToken(token));
    parser.SetText(u"\"c\"");
    ASSERT_TRUE(parser.NextToken(token));
    EXPECT_EQ(token.Kind, TORVParser::tkQuotedText);
    EXPECT_EQ(token.Text, u"c");
    EXPECT_EQ(token.End, 3u);
    EXPECT_FALSE(parser.NextToken(token));
}

using TParsed = std::vector<std::pair<std::u16string, std::vector<std::u16string>>>;

TParsed ParseToList(std::u16string_view text) {
    const auto commands = ORV::TORVCommandLineProcessor::Parse(text);
    TParsed parsed;
    for (size_t i = 0; i < commands->Count(); ++i)
        parsed.emplace_back((*commands)[i].Name(), (*commands)[i].Values());
    return parsed;
}

struct TParseCase {
    std::u16string Text;
    TParsed Expected;
};

TEST(TORVCommandLineProcessor, Parse) {
    const std::vector<TParseCase> cases = {
        {u"", {}},
        {u"   ", {}},
        {u"/AUTO", {{u"AUTO", {}}}},
        {u"/AUTO= ", {{u"AUTO", {}}}},
        {u"/AUTO=D:\\Apps\\QOVI", {{u"AUTO", {u"D:\\Apps\\QOVI"}}}},
        {u"-auto=D:\\Apps\\QOVI", {{u"auto", {u"D:\\Apps\\QOVI"}}}},
        {u"/Auto=\"D:\\Apps\\QOVI\"", {{u"Auto", {u"D:\\Apps\\QOVI"}}}},
        // An unquoted value ends at the first blank; the rest is free text of a new command.
        {u"/AUTO=D:\\My Apps\\QOVI", {{u"AUTO", {u"D:\\My"}}, {u"", {u"Apps\\QOVI"}}}},
        {u"/AUTO /SILENT", {{u"AUTO", {}}, {u"SILENT", {}}}},
        {u"/SKIPUAC=12345 /AUTO /SILENT", {{u"SKIPUAC", {u"12345"}}, {u"AUTO", {}}, {u"SILENT", {}}}},
        {u"/PATH=\"C:\\Program Files\\QOVI\\\"", {{u"PATH", {u"C:\\Program Files\\QOVI\\"}}}},
        {u"/PATH=\"C:\\QOVI\\\" /AUTO", {{u"PATH", {u"C:\\QOVI\\"}}, {u"AUTO", {}}}},
        {u"/A=x;y;;z", {{u"A", {u"x", u"y", u"z"}}}},
        {u"/A=\"x y\";z;\"\"", {{u"A", {u"x y", u"z"}}}},
        {u"/AUTO /AUTO=D:\\X", {{u"AUTO", {}}, {u"AUTO", {u"D:\\X"}}}},
        // A quote without partner: dropped in a value, a character in free text.
        {u"/A=\"xy", {{u"A", {u"xy"}}}},
        {u"/A=x;\"y", {{u"A", {u"x", u"y"}}}},
        {u"a \"b", {{u"", {u"a \"b"}}}},
        // ... but inside a word it is part of the word.
        {u"/A=x\"y", {{u"A", {u"x\"y"}}}},
        // Free text after a switch without "=" belongs to it, blanks inside kept.
        {u"/A free  text /B", {{u"A", {u"free  text"}}, {u"B", {}}}},
        {u"/A=x free", {{u"A", {u"x"}}, {u"", {u"free"}}}},
        // "/" and "-" inside words and values are text.
        {u"my-dir C:/x", {{u"", {u"my-dir", u"C:/x"}}}},
        {u"/A=C:/x/y", {{u"A", {u"C:/x/y"}}}},
        {u"/A=a-b/c=d", {{u"A", {u"a-b/c=d"}}}},
        {u"/A/B", {{u"A", {u"/B"}}}},
        {u"/SKIPUAC=-1", {{u"SKIPUAC", {u"-1"}}}},
        // A "-" after pending free text of the first command is a hyphen; after a command it
        // starts a switch.
        {u"a -b", {{u"", {u"a -b"}}}},
        {u"/A x -b", {{u"A", {u"x"}}, {u"b", {}}}},
        {u"\"a\" -b", {{u"", {u"a"}}, {u"b", {}}}},
        // "=" must follow the name directly, and the value must follow "=" directly.
        {u"/A =x", {{u"A", {u"=x"}}}},
        {u"/A= x", {{u"A", {}}, {u"", {u"x"}}}},
        // A prefix without a name is text, with the blank before it.
        {u"x / y", {{u"", {u"x / y"}}}},
        {u"/=x", {{u"", {u"/=x"}}}},
        // Drives and network paths start new values; quoted text and line breaks end one.
        {u"C:\\a D:\\b \\\\srv\\share", {{u"", {u"C:\\a", u"D:\\b", u"\\\\srv\\share"}}}},
        {u"x \" q \" y", {{u"", {u"x", u"q", u"y"}}}},
        {u"\"  \"", {}},
        {u"a\r\nb", {{u"", {u"a", u"b"}}}},
        {u"a\tb", {{u"", {u"a\tb"}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ORV::Utf16ToUtf8(c.Text));
        EXPECT_EQ(ParseToList(c.Text), c.Expected);
    }
}

TEST(TORVCommandLineParser, CanBeReused) {
    ORV::TORVCommandLineParser parser;
    EXPECT_EQ(parser.Parse(u"/A=x y")->Count(), 2u);
    const auto second = parser.Parse(u"z");
    ASSERT_EQ(second->Count(), 1u);
    EXPECT_EQ((*second)[0].Name(), u"");
    EXPECT_EQ((*second)[0].Values(), std::vector<std::u16string>{u"z"});
}

TEST(CommandLine, GetParamsFrom) {
    const std::vector<std::pair<std::u16string, std::u16string>> cases = {
        {u"", u""},
        {u" \t ", u""},
        {u"C:\\QOVI\\Setup.exe", u""},
        {u"\"C:\\Program Files\\QOVI\\Setup.exe\"", u""},
        {u"\"C:\\Program Files\\QOVI\\Setup.exe\" /AUTO", u"/AUTO"},
        {u"  'C:\\My Apps\\Setup.exe'   /AUTO /SILENT \r\n", u"/AUTO /SILENT"},
        {u"Setup.exe /PATH=\"C:\\QOVI\\\" /SKIPUAC=1", u"/PATH=\"C:\\QOVI\\\" /SKIPUAC=1"},
        {u"\"C:\\x y\\Setup.exe\"/AUTO", u"/AUTO"},
        {u"Setup.exe\r\n/AUTO", u"/AUTO"},
    };
    for (const auto& [commandLine, params] : cases) {
        SCOPED_TRACE(ORV::Utf16ToUtf8(commandLine));
        EXPECT_EQ(ORV::GetParamsFrom(commandLine), params);
    }
}

struct TLookupCase {
    std::u16string CommandLine;
    std::u16string Name;
    bool Present;
    std::u16string Value;
};

TEST(CommandLine, HasSwitchAndGetSwitchValue) {
    const std::vector<TLookupCase> cases = {
        {u"", u"AUTO", false, u""},
        {u"/AUTO", u"AUTO", true, u""},
        {u"/AUTO= ", u"AUTO", true, u""},
        {u"/auto", u"AUTO", true, u""},
        {u"-auto=D:\\Apps\\QOVI", u"AUTO", true, u"D:\\Apps\\QOVI"},
        {u"/Auto=\"D:\\Apps\\QOVI\"", u"AUTO", true, u"D:\\Apps\\QOVI"},
        {u"/AUTO=D:\\My Apps\\QOVI", u"AUTO", true, u"D:\\My"},
        {u"/AUTO=d:\\Mixed\\Case", u"auto", true, u"d:\\Mixed\\Case"},
        {u"/AUTO /SILENT", u"SILENT", true, u""},
        {u"/SKIPUAC=12345 /AUTO /SILENT", u"SKIPUAC", true, u"12345"},
        {u"/PATH=\"C:\\Program Files\\QOVI\\\"", u"PATH", true, u"C:\\Program Files\\QOVI\\"},
        {u"/A=x;y;;z", u"A", true, u"x;y;z"},
        {u"/AUTO /AUTO=D:\\X", u"AUTO", true, u""},
        {u"/AUTOX /AUT", u"AUTO", false, u""},
        {u"AUTO", u"AUTO", false, u""},
        {u"/PORTABLE", u"AUTO", false, u""},
        {u"/ПУТЬ=x", u"путь", true, u"x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ORV::Utf16ToUtf8(c.CommandLine + u" ? " + c.Name));
        EXPECT_EQ(ORV::HasSwitch(c.CommandLine, c.Name), c.Present);
        std::u16string value = u"left over";
        EXPECT_EQ(ORV::GetSwitchValue(c.CommandLine, c.Name, value), c.Present);
        EXPECT_EQ(value, c.Value);
    }
}

} // namespace

#ifdef _WIN32
// ctest starts every test program with --gtest_color=no after its (quoted or bare) path.
TEST(GetParams, ReadsTheProcessCommandLineWithoutTheProgramPath) {
    const std::u16string params = ORV::GetParams();
    EXPECT_EQ(params.find(u"CommandLineTest"), std::u16string::npos) << ORV::Utf16ToUtf8(params);
    EXPECT_TRUE(params == u"--gtest_color=no" || params.empty()) << ORV::Utf16ToUtf8(params);
}
#endif
