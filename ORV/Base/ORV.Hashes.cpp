#include "ORV.Hashes.h"

#include "ORV.Classes.Streams.h"

#include <array>
#include <memory>

namespace ORV {

namespace {

constexpr uint32_t kPolynomial = 0x04C11DB7;

// Slicing-by-8 tables for the MSB-first register: Tables[k][b] is the register contribution
// of byte b followed by k zero bytes.
struct TCrcTables {
    std::array<std::array<uint32_t, 256>, 8> T{};
    constexpr TCrcTables() {
        for (uint32_t b = 0; b < 256; ++b) {
            uint32_t r = b << 24;
            for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ kPolynomial : r << 1;
            T[0][b] = r;
        }
        for (int k = 1; k < 8; ++k)
            for (uint32_t b = 0; b < 256; ++b) T[k][b] = (T[k - 1][b] << 8) ^ T[0][T[k - 1][b] >> 24];
    }
};

constexpr TCrcTables kTables;

} // namespace

uint32_t TORVHashCRC32::Update(uint32_t crc, const void* data, size_t length) {
    const auto* p = static_cast<const uint8_t*>(data);
    const auto& T = kTables.T;
    while (length >= 8) {
        const uint32_t a = crc ^ (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]);
        crc = T[7][a >> 24] ^ T[6][(a >> 16) & 0xFF] ^ T[5][(a >> 8) & 0xFF] ^ T[4][a & 0xFF] ^ T[3][p[4]] ^
              T[2][p[5]] ^ T[1][p[6]] ^ T[0][p[7]];
        p += 8;
        length -= 8;
    }
    while (length--) crc = T[0][(crc >> 24) ^ *p++] ^ (crc << 8);
    return crc;
}

uint32_t TORVHashCRC32::CalcStream(TStream& stream) {
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) {
        const int64_t position = memory->Position();
        const int64_t size = memory->Size();
        if (position >= size) return 0;
        memory->Seek(0, soEnd);
        return Calc(memory->Memory() + position, static_cast<size_t>(size - position));
    }
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[TStream::kCopyBufferSize]);
    uint32_t crc = 0;
    for (;;) {
        const size_t got = stream.Read(buffer.get(), TStream::kCopyBufferSize);
        if (got == 0) return crc;
        crc = Update(crc, buffer.get(), got);
    }
}

} // namespace ORV
