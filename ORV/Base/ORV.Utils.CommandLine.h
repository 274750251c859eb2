// Switches on a command line: "/NAME", "-NAME", "/NAME=value" and "/NAME=a;b".
//
// The parser turns any text into an ordered list of named commands, each with its values in
// order of appearance; free text that belongs to no switch lands in a command without a name.
// What a caller can rely on:
//   - a switch begins with "/" or "-" at the start of the text or after a blank ("-" only when a
//     command already exists or no free text is pending), so "/" and "-" inside a word or a
//     value are text (C:/x, my-dir);
//   - "=" follows the name directly and the value follows "=" directly; an unquoted value ends
//     at the first blank, so a folder with blanks is given in double quotes, and quoted text has
//     no escapes (a quoted C:\QOVI\ keeps its trailing backslash);
//   - ";" separates the values of a switch, and empty values are dropped;
//   - free text after a switch without "=" becomes values of that switch; free text after
//     "/NAME=value" goes to a new command without a name;
//   - a double quote without a partner is dropped at the start of a switch value and stays a
//     character in free text.
// The program keeps no parsed copy: every look-up parses the command line it is given again.
#pragma once

#include "ORV.Parsers.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ORV {

class TORVCommandLineProcessor {
public:
    // One switch and its values; the free text command has an empty Name.
    class TCommand {
    public:
        explicit TCommand(std::u16string name) : FName(std::move(name)) {}

        const std::u16string& Name() const { return FName; }
        const std::vector<std::u16string>& Values() const { return FValues; }
        void Add(std::u16string value) { FValues.push_back(std::move(value)); }

    private:
        std::u16string FName;
        std::vector<std::u16string> FValues;
    };

    // The commands in order of appearance. It owns them; a command keeps its address while
    // more are added.
    class TCommands {
    public:
        size_t Count() const { return FItems.size(); }
        // Index must be below Count().
        const TCommand& operator[](size_t index) const { return *FItems[index]; }
        // Appends a new command without values and returns it.
        TCommand& Add(std::u16string name);
        // The first command whose Name equals Name under Platform::SameTextLocale (same
        // length, case ignored under the user's locale); nullptr when there is none. Later
        // commands of the same name are never found.
        const TCommand* Find(std::u16string_view name) const;

    private:
        std::vector<std::unique_ptr<TCommand>> FItems;
    };

    // Parses Text into a new list owned by the caller. Never fails: every text has a parse.
    static std::unique_ptr<TCommands> Parse(std::u16string_view text);
};

// The state machine behind TORVCommandLineProcessor::Parse. It reads the tokens of the text with
// the delimiters "-/=; \r\n", the single blank U+0020 (a TAB is a word character) and the
// double quote, collects free text and values in a buffer and hands a trimmed, non-empty
// buffer to the current command, creating a nameless one when there is none.
class TORVCommandLineParser : public TORVParser {
public:
    TORVCommandLineParser();

    // Parses Text from its beginning; the parser can be used again afterwards.
    std::unique_ptr<TORVCommandLineProcessor::TCommands> Parse(std::u16string_view text);

private:
    enum class TState { Start, Text, SwitchPrefix, SwitchName, SwitchValue };

    void HandleStart(const TToken& token);
    void HandleText(const TToken& token);
    void HandleSwitchPrefix(const TToken& token);
    void HandleSwitchName(const TToken& token);
    void HandleSwitchValue(const TToken& token);

    void Flush();
    void Add(std::u16string value);
    void AddQuoted(std::u16string_view text);
    void AppendWord(std::u16string_view word);

    TState FState = TState::Start;
    std::u16string FBuffer;
    // Set when a blank led into Start: it is appended only if the text goes on.
    bool FBlankHeld = false;
    // The "/" or "-" that led into SwitchPrefix.
    char16_t FPrefix = u'/';
    TORVCommandLineProcessor::TCommand* FCurrent = nullptr;
    std::unique_ptr<TORVCommandLineProcessor::TCommands> FCommands;
};

// The process command line without the program's own path, trimmed of characters up to U+0020
// at both ends. On Windows it is read from GetCommandLineW. The native build, which exists to
// run the portable code and its tests, has no command line in that sense and returns an empty
// string.
std::u16string GetParams();

// What GetParams does with the command line it reads: trims CommandLine, skips its first token
// (the program path: text in double or single quotes, or a bare word up to the next blank, CR
// or LF) and returns the rest, trimmed; empty when there is nothing after the path.
std::u16string GetParamsFrom(std::u16string_view commandLine);

// Whether CommandLine holds a switch called Name (compared as TCommands::Find does), with or
// without a value.
bool HasSwitch(std::u16string_view commandLine, std::u16string_view name);

// True when CommandLine holds a switch called Name; Value is then its values joined with ";"
// (empty when it has none). Only the first switch of that name counts. False, with Value
// empty, when there is none.
bool GetSwitchValue(std::u16string_view commandLine, std::u16string_view name, std::u16string& value);

} // namespace ORV
