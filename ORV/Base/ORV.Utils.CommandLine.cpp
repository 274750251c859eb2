#include "ORV.Utils.CommandLine.h"

#include "ORV.Platform.h"
#include "ORV.Strings.h"

#include <iterator>

#ifdef _WIN32
#include "ORV.Win32.h"
#endif

namespace ORV {

using TCommand = TORVCommandLineProcessor::TCommand;
using TCommands = TORVCommandLineProcessor::TCommands;

TCommand& TCommands::Add(std::u16string name) {
    FItems.push_back(std::make_unique<TCommand>(std::move(name)));
    return *FItems.back();
}

const TCommand* TCommands::Find(std::u16string_view name) const {
    for (const auto& item : FItems)
        if (Platform::SameTextLocale(item->Name(), name)) return item.get();
    return nullptr;
}

std::unique_ptr<TCommands> TORVCommandLineProcessor::Parse(std::u16string_view text) {
    TORVCommandLineParser parser;
    return parser.Parse(text);
}

namespace {

bool IsDelimiterToken(const TORVParser::TToken& token, char16_t c) {
    return token.Kind == TORVParser::tkDelimiter && token.Text[0] == c;
}

} // namespace

TORVCommandLineParser::TORVCommandLineParser() : TORVParser(u"-/=; \r\n", u" ", u"\"") {}

std::unique_ptr<TCommands> TORVCommandLineParser::Parse(std::u16string_view text) {
    SetText(text);
    FState = TState::Start;
    FBuffer.clear();
    FBlankHeld = false;
    FCurrent = nullptr;
    FCommands = std::make_unique<TCommands>();

    TToken token;
    while (NextToken(token)) {
        switch (FState) {
        case TState::Start: HandleStart(token); break;
        case TState::Text: HandleText(token); break;
        case TState::SwitchPrefix: HandleSwitchPrefix(token); break;
        case TState::SwitchName: HandleSwitchName(token); break;
        case TState::SwitchValue: HandleSwitchValue(token); break;
        }
    }
    Flush();
    FCurrent = nullptr;
    return std::move(FCommands);
}

void TORVCommandLineParser::HandleStart(const TToken& token) {
    // A "-" right after free text of the first command is a hyphen ("a -b"), not a switch.
    if (IsDelimiterToken(token, u'/') ||
        (IsDelimiterToken(token, u'-') && (FCommands->Count() > 0 || FBuffer.empty()))) {
        FPrefix = token.Text[0];
        FBlankHeld = false;
        FState = TState::SwitchPrefix;
        return;
    }
    if (FBlankHeld) FBuffer.push_back(u' ');
    FBlankHeld = false;
    HandleText(token);
}

void TORVCommandLineParser::HandleText(const TToken& token) {
    FState = TState::Text;
    switch (token.Kind) {
    case tkBlank:
        // Held back: a switch may follow, and then the blank belongs to no value.
        FBlankHeld = true;
        FState = TState::Start;
        break;
    case tkDelimiter:
        if (token.Text[0] == u'\r' || token.Text[0] == u'\n')
            Flush();
        else
            FBuffer += token.Text;
        break;
    case tkLoneQuote:
        FBuffer += token.Text;
        break;
    case tkQuotedText:
        AddQuoted(token.Text);
        break;
    case tkWord:
        AppendWord(token.Text);
        break;
    }
}

void TORVCommandLineParser::HandleSwitchPrefix(const TToken& token) {
    if (token.Kind == tkWord) {
        Flush();
        FCurrent = &FCommands->Add(token.Text);
        FState = TState::SwitchName;
        return;
    }
    // No name follows: the prefix was text after all, and so was the blank before it.
    FBuffer.push_back(u' ');
    FBuffer.push_back(FPrefix);
    HandleText(token);
}

void TORVCommandLineParser::HandleSwitchName(const TToken& token) {
    if (IsDelimiterToken(token, u'='))
        FState = TState::SwitchValue;
    else
        HandleText(token);
}

void TORVCommandLineParser::HandleSwitchValue(const TToken& token) {
    switch (token.Kind) {
    case tkBlank:
        // An unquoted value ends at the first blank; what follows is not this switch's.
        Flush();
        FCurrent = nullptr;
        FBlankHeld = true;
        FState = TState::Start;
        break;
    case tkDelimiter:
        if (token.Text[0] == u';')
            Flush();
        else
            FBuffer += token.Text;
        break;
    case tkQuotedText:
        AddQuoted(token.Text);
        break;
    case tkWord:
        AppendWord(token.Text);
        break;
    case tkLoneQuote:
        break;
    }
}

void TORVCommandLineParser::Flush() {
    std::u16string value = Trim(FBuffer);
    FBuffer.clear();
    if (!value.empty()) Add(std::move(value));
}

void TORVCommandLineParser::Add(std::u16string value) {
    if (!FCurrent) FCurrent = &FCommands->Add(std::u16string());
    FCurrent->Add(std::move(value));
}

void TORVCommandLineParser::AddQuoted(std::u16string_view text) {
    Flush();
    std::u16string value = Trim(text);
    if (!value.empty()) Add(std::move(value));
}

void TORVCommandLineParser::AppendWord(std::u16string_view word) {
    // A drive or a network path starts a new value, so that unquoted paths given one after
    // another ("C:\a D:\b") stay apart.
    const bool startsPath = (word.size() >= 2 && word[1] == u':') || word.starts_with(u"\\\\");
    if (startsPath) Flush();
    FBuffer += word;
}

std::u16string GetParamsFrom(std::u16string_view commandLine) {
    static constexpr char16_t kBlanks[] = {u' ', u'\r', u'\n', u'\t', u'\0'};
    TORVParser parser(u" \r\n", std::u16string_view(kBlanks, std::size(kBlanks)), u"\"'");
    parser.SetText(Trim(commandLine));
    TORVParser::TToken token;
    while (parser.NextToken(token)) {
        if (token.Kind == TORVParser::tkBlank) continue;
        return Trim(std::u16string_view(parser.Text()).substr(token.End));
    }
    return std::u16string();
}

std::u16string GetParams() {
#ifdef _WIN32
    return GetParamsFrom(FromW(GetCommandLineW()));
#else
    return std::u16string();
#endif
}

bool HasSwitch(std::u16string_view commandLine, std::u16string_view name) {
    return TORVCommandLineProcessor::Parse(commandLine)->Find(name) != nullptr;
}

bool GetSwitchValue(std::u16string_view commandLine, std::u16string_view name, std::u16string& value) {
    value.clear();
    const auto commands = TORVCommandLineProcessor::Parse(commandLine);
    const TCommand* command = commands->Find(name);
    if (!command) return false;
    const auto& values = command->Values();
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) value.push_back(u';');
        value += values[i];
    }
    return true;
}

} // namespace ORV
