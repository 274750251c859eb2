#include "ORV.Parsers.h"

namespace ORV {

TORVParser::TORVParser(std::u16string_view delimiters, std::u16string_view blanks, std::u16string_view quotes)
    : FDelimiters(delimiters), FBlanks(blanks), FQuotes(quotes) {}

void TORVParser::SetText(std::u16string_view text) {
    FText.assign(text);
    FPosition = 0;
}

bool TORVParser::NextToken(TToken& token) {
    const size_t start = FPosition;
    if (start >= FText.size()) return false;
    const char16_t c = FText[start];
    size_t end = start + 1;
    TTokenKind kind;
    std::u16string text;
    if (IsBlank(c)) {
        kind = tkBlank;
        text.assign(1, c);
    } else if (IsQuote(c)) {
        const size_t closing = FText.find(c, start + 1);
        if (closing == std::u16string::npos) {
            kind = tkLoneQuote;
            text.assign(1, c);
        } else {
            kind = tkQuotedText;
            text = FText.substr(start + 1, closing - start - 1);
            end = closing + 1;
        }
    } else if (IsDelimiter(c)) {
        kind = tkDelimiter;
        text.assign(1, c);
    } else {
        kind = tkWord;
        while (end < FText.size() && !IsDelimiter(FText[end])) ++end;
        text = FText.substr(start, end - start);
    }
    token.Kind = kind;
    token.Text = std::move(text);
    token.Start = start;
    token.End = end;
    FPosition = end;
    return true;
}

} // namespace ORV
