// The ready-to-install text: groups of items under headers, built by the actions of a run.
//
//   Folder:                 <- a header, written only in front of its group's first item
//    * C:\Program Files\QOVI
//                           <- a blank line between groups
//   Mode:
//    * Update
//
// Every line ends with CR LF.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace Setup::Core {

class TSetupSummaryBuilder {
public:
    // The localised text of (Section, Key), for the overloads that name a message.
    using TMessageSource = std::function<std::u16string(std::u16string_view section, std::u16string_view key)>;

    // Messages serves the (Section, Key) overloads; without one they raise EInvalidOperation.
    explicit TSetupSummaryBuilder(TMessageSource messages = {});

    // The header of the items that follow, with ":" appended unless it ends with one; replaces
    // a header that has no item yet.
    void SetHeader(std::u16string_view text);
    void SetHeader(std::u16string_view section, std::u16string_view key);
    // One item: " * " Text, after the pending header (and a blank line when text is already
    // there).
    void AddItem(std::u16string_view text);
    void AddItem(std::u16string_view section, std::u16string_view key);

    const std::u16string& ToString() const { return FBuilder; }

private:
    std::u16string Message(std::u16string_view section, std::u16string_view key) const;

    std::u16string FBuilder;
    std::u16string FPendingHeader;
    TMessageSource FMessages;
};

} // namespace Setup::Core
