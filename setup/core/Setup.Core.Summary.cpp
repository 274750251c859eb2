#include "Setup.Core.Summary.h"

#include "ORV.SysUtils.h"

namespace Setup::Core {

TSetupSummaryBuilder::TSetupSummaryBuilder(TMessageSource messages) : FMessages(std::move(messages)) {
    FBuilder.reserve(16);
}

void TSetupSummaryBuilder::SetHeader(std::u16string_view text) {
    FPendingHeader = text;
    if (text.empty() || text.back() != u':') FPendingHeader += u':';
}

void TSetupSummaryBuilder::SetHeader(std::u16string_view section, std::u16string_view key) {
    SetHeader(Message(section, key));
}

void TSetupSummaryBuilder::AddItem(std::u16string_view text) {
    if (!FPendingHeader.empty()) {
        if (!FBuilder.empty()) FBuilder += u"\r\n";
        FBuilder += FPendingHeader;
        FBuilder += u"\r\n";
        FPendingHeader.clear();
    }
    FBuilder += u" * ";
    FBuilder += text;
    FBuilder += u"\r\n";
}

void TSetupSummaryBuilder::AddItem(std::u16string_view section, std::u16string_view key) {
    AddItem(Message(section, key));
}

std::u16string TSetupSummaryBuilder::Message(std::u16string_view section, std::u16string_view key) const {
    if (!FMessages) throw ORV::EInvalidOperation(u"The summary has no message source");
    return FMessages(section, key);
}

} // namespace Setup::Core
