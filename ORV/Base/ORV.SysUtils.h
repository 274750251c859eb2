// Exceptions shared by the library and the setup. Every failure is an exception derived from
// Exception, which carries a UTF-16 message that is shown to the user exactly as it stands.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace ORV {

class Exception : public std::exception {
public:
    explicit Exception(std::u16string message);
    // With the system's error code behind the failure (GetLastError or errno), for callers
    // that tell failures apart, such as a full disk.
    Exception(std::u16string message, uint32_t systemError);

    const std::u16string& Message() const noexcept { return FMessage; }
    // The message in UTF-8, for consoles and logs.
    const char* what() const noexcept override { return FMessageUtf8.c_str(); }
    // 0 when no system error is known.
    uint32_t SystemError() const noexcept { return FSystemError; }

private:
    std::u16string FMessage;
    std::string FMessageUtf8;
    uint32_t FSystemError = 0;
};

// The system error behind Error when it is one of ours; 0 for any other.
uint32_t SystemErrorOf(const std::exception_ptr& error);

// A call made in a state or with data that the operation cannot handle, such as a codec
// failure ("LZMA Error (%d)").
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// Fewer bytes were available than the caller required.
class EReadError : public EStreamError {
public:
    EReadError();
    using EStreamError::EStreamError;
};

class EWriteError : public EStreamError {
public:
    EWriteError();
    using EStreamError::EStreamError;
};

class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A failed call of the operating system. The message is "System Error.  Code: %d.\r\n%s%s"
// (the error number, the system's text for it and the caller's added text, such as the paths
// of a failed copy), or "A call to an OS function failed" when no error number is set.
class EOSError : public Exception {
public:
    EOSError(uint32_t errorCode, std::u16string_view addedText);

    uint32_t ErrorCode() const noexcept { return SystemError(); }
};

// Raises EOSError for Code, or for the system's last error (GetLastError or errno).
[[noreturn]] void RaiseOSError(uint32_t errorCode, std::u16string_view addedText = {});
[[noreturn]] void RaiseLastOSError(std::u16string_view addedText = {});

} // namespace ORV
