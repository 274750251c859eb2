#include "ORV.SysUtils.h"

#include "ORV.Strings.h"

namespace ORV {

Exception::Exception(std::u16string message)
    : FMessage(std::move(message)), FMessageUtf8(Utf16ToUtf8(FMessage)) {}

EReadError::EReadError() : EStreamError(u"Stream read error") {}

EWriteError::EWriteError() : EStreamError(u"Stream write error") {}

} // namespace ORV
