// MD5 digests through the system's own hashing (CryptoAPI), Windows only. They tell whether a
// file on disk already holds given content; they are no protection against anyone.
#pragma once

#ifndef _WIN32
#error "ORV.Hashes.MD5.h is for the Windows build only"
#endif

#include <cstddef>
#include <string>

namespace ORV {

class TORVHashMD5 {
public:
    TORVHashMD5() = delete;

    // The digest as 32 lower-case hexadecimal digits. Raise EOSError when the system offers no
    // MD5.
    static std::u16string CalcBuffer(const void* data, size_t length);
    // The digest of the file's content; the file is opened for reading and others may go on
    // reading and writing it. Raises EFOpenError when it cannot be opened, EReadError when it
    // cannot be read, EOSError as above.
    static std::u16string CalcFile(const std::u16string& fileName);
};

} // namespace ORV
