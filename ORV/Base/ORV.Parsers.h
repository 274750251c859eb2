// A small tokenizer shared by the text parsers of the library (the command line among them).
// It is configured with three character sets and cuts a text into tokens of five kinds:
//
//   blank        one character of the blank set
//   delimiter    one character of the delimiter set
//   quoted text  the characters between a quote character and the next occurrence of the same
//                quote character, quotes dropped; there are no escapes, so a backslash before
//                the closing quote is an ordinary character
//   lone quote   a quote character that no closing quote follows; one character
//   word         a run from any other character up to, not including, the next delimiter
//                (blanks that are not delimiters, and quotes, do not end it)
//
// A character is tested against the blanks first, then the quotes, then the delimiters, so a
// character that sits in more than one set takes the kind of the first.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ORV {

class TORVParser {
public:
    enum TTokenKind { tkBlank, tkDelimiter, tkQuotedText, tkLoneQuote, tkWord };

    struct TToken {
        TTokenKind Kind = tkWord;
        // What the token stands for: its character, its run, or the text inside the quotes.
        std::u16string Text;
        // The characters it covers in the parsed text, [Start, End), quotes included; tokens
        // tile the text without gaps.
        size_t Start = 0;
        size_t End = 0;
    };

    // The sets are taken as given; a NUL in a set counts, so build it with an explicit length.
    TORVParser(std::u16string_view delimiters, std::u16string_view blanks, std::u16string_view quotes);
    virtual ~TORVParser() = default;

    // Starts over at the beginning of Text; the parser keeps its own copy.
    void SetText(std::u16string_view text);
    const std::u16string& Text() const { return FText; }

    // Reads the token at the current position and moves past it. Returns false, leaving Token
    // untouched, when the text is exhausted.
    bool NextToken(TToken& token);

    bool IsBlank(char16_t c) const { return FBlanks.find(c) != std::u16string::npos; }
    bool IsQuote(char16_t c) const { return FQuotes.find(c) != std::u16string::npos; }
    bool IsDelimiter(char16_t c) const { return FDelimiters.find(c) != std::u16string::npos; }

private:
    std::u16string FDelimiters;
    std::u16string FBlanks;
    std::u16string FQuotes;
    std::u16string FText;
    size_t FPosition = 0;
};

} // namespace ORV
