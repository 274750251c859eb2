#include "ORV.SysUtils.h"

#include "ORV.Platform.h"
#include "ORV.Strings.h"

namespace ORV {

Exception::Exception(std::u16string message)
    : FMessage(std::move(message)), FMessageUtf8(Utf16ToUtf8(FMessage)) {}

Exception::Exception(std::u16string message, uint32_t systemError) : Exception(std::move(message)) {
    FSystemError = systemError;
}

uint32_t SystemErrorOf(const std::exception_ptr& error) {
    if (!error) return 0;
    try {
        std::rethrow_exception(error);
    } catch (const Exception& failure) {
        return failure.SystemError();
    } catch (...) {
        return 0;
    }
}

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
    : Exception(OSErrorMessage(errorCode, addedText), errorCode) {}

void RaiseOSError(uint32_t errorCode, std::u16string_view addedText) { throw EOSError(errorCode, addedText); }

void RaiseLastOSError(std::u16string_view addedText) { RaiseOSError(Platform::LastErrorCode(), addedText); }

} // namespace ORV
