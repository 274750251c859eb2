#include "ORV.SysUtils.h"

#include "ORV.Platform.h"
#include "ORV.Strings.h"

namespace ORV {

Exception::Exception(std::u16string message)
    : FMessage(std::move(message)), FMessageUtf8(Utf16ToUtf8(FMessage)) {}

EReadError::EReadError() : EStreamError(u"Stream read error") {}

EWriteError::EWriteError() : EStreamError(u"Stream write error") {}

namespace {
std::u16string OSErrorMessage(uint32_t errorCode, std::u16string_view addedText) {
    if (errorCode == 0) return u"A call to an OS function failed";
    return Format(u"System Error.  Code: %d.\r\n%s%s",
                  {static_cast<long long>(errorCode), Platform::SystemErrorMessage(errorCode), addedText});
}
} // namespace

EOSError::EOSError(uint32_t errorCode, std::u16string_view addedText)
    : Exception(OSErrorMessage(errorCode, addedText)), FErrorCode(errorCode) {}

void RaiseOSError(uint32_t errorCode, std::u16string_view addedText) { throw EOSError(errorCode, addedText); }

void RaiseLastOSError(std::u16string_view addedText) { RaiseOSError(Platform::LastErrorCode(), addedText); }

} // namespace ORV
