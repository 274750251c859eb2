// CRC-32 over the polynomial 0x04C11DB7, most significant bit first, with no reflection, an
// initial register of 0 and no final XOR (so "123456789" gives 0x89A1897F). This is the
// checksum of the package format; it is not the reflected CRC-32 of ZIP.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ORV {

class TStream;

class TORVHashCRC32 {
public:
    // Continues a CRC over more bytes; start with Crc = 0.
    static uint32_t Update(uint32_t crc, const void* data, size_t length);
    static uint32_t Calc(const void* data, size_t length) { return Update(0, data, length); }
    // Hashes the stream from its position to its end, leaving it at the end. A memory stream
    // is hashed in one pass over its buffer.
    static uint32_t CalcStream(TStream& stream);
};

} // namespace ORV
