// The fuzzer's bytes are a decoded body: each one is wrapped in a correct package (header,
// checksum, scrambled LZMA1) so that every input reaches the file table, which random changes
// to a whole package almost never do past the checksum. The reader's verdict and table are
// compared with a plain reading of the format written here.
#include "PackageFuzzSupport.h"

#include "ORV.Hashes.h"
#include "ORV.SysUtils.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <vector>

using namespace Setup::Core;
using PackageFuzz::Fail;
using PackageFuzz::GetLE;

namespace {

// The table of a body as the format describes it, or nothing when the body is corrupted.
std::optional<std::vector<TSetupPackageFileTableItem>> ExpectedTable(const uint8_t* body, size_t size) {
    if (size < 4) return std::nullopt;
    const uint64_t tableSize = GetLE(body + size - 4, 4);
    if (tableSize > size - 4) return std::nullopt;
    const int64_t tableStart = int64_t(size - 4 - tableSize);

    const uint8_t* p = body + tableStart;
    uint64_t left = tableSize;
    if (left < 4) return std::nullopt;
    const auto count = int32_t(uint32_t(GetLE(p, 4)));
    p += 4, left -= 4;

    std::vector<TSetupPackageFileTableItem> items;
    for (int32_t i = 0; i < count; ++i) {
        if (left < 2) return std::nullopt;
        const size_t nameLength = GetLE(p, 2);
        p += 2, left -= 2;
        if (left < 2 * nameLength + 16) return std::nullopt;
        TSetupPackageFileTableItem item;
        for (size_t k = 0; k < nameLength; ++k) item.Name.push_back(char16_t(GetLE(p + 2 * k, 2)));
        p += 2 * nameLength;
        item.Offset = int64_t(GetLE(p, 8));
        item.Size = int64_t(GetLE(p + 8, 8));
        p += 16, left -= 2 * nameLength + 16;
        if (item.Offset < 0 || item.Size < 0 || item.Offset > tableStart || item.Size > tableStart - item.Offset)
            return std::nullopt;
        items.push_back(std::move(item));
    }
    return items;
}

// An LZMA1 encoder that codes every byte as a literal, with lc = lp = pb = 0. The codec's
// own encoder clears a half-megabyte hash on every call, which is most of the time of a run;
// this one is linear in the body, and gives the decoder properties our packager never uses.
class TLiteralEncoder {
public:
    explicit TLiteralEncoder(std::vector<uint8_t>& out) : FOut(out) {
        std::fill(std::begin(FLiteral), std::end(FLiteral), kEven);
    }

    void Literal(uint8_t byte) {
        Bit(FIsMatch, 0);
        unsigned symbol = 1;
        for (int k = 7; k >= 0; --k) {
            const unsigned bit = byte >> k & 1;
            Bit(FLiteral[symbol], bit);
            symbol = symbol << 1 | bit;
        }
    }
    void Flush() {
        for (int k = 0; k < 5; ++k) ShiftLow();
    }

private:
    void Bit(uint16_t& prob, unsigned bit) {
        const uint32_t bound = (FRange >> 11) * prob;
        if (bit == 0) {
            FRange = bound;
            prob = uint16_t(prob + ((2048 - prob) >> 5));
        } else {
            FLow += bound;
            FRange -= bound;
            prob = uint16_t(prob - (prob >> 5));
        }
        if (FRange < (1u << 24)) {
            FRange <<= 8;
            ShiftLow();
        }
    }
    // Holds back a run of 0xFF bytes until it is known whether a carry reaches them.
    void ShiftLow() {
        if (uint32_t(FLow) < 0xFF000000u || (FLow >> 32) != 0) {
            const auto carry = uint8_t(FLow >> 32);
            uint8_t pending = FCache;
            do {
                FOut.push_back(uint8_t(pending + carry));
                pending = 0xFF;
            } while (--FCacheSize != 0);
            FCache = uint8_t(uint32_t(FLow) >> 24);
        }
        ++FCacheSize;
        FLow = uint64_t(uint32_t(FLow) << 8);
    }

    std::vector<uint8_t>& FOut;
    uint64_t FLow = 0;
    uint32_t FRange = 0xFFFFFFFF;
    uint8_t FCache = 0;
    uint64_t FCacheSize = 1;
    // Every probability starts at one half, as the decoder's do.
    static constexpr uint16_t kEven = 1024;
    uint16_t FIsMatch = kEven;
    uint16_t FLiteral[0x100];
};

ORV::TMemoryStream PackageAround(const uint8_t* body, size_t size) {
    std::vector<uint8_t> package = {'I', 'P', 'K', '5'};
    const uint32_t crc = ORV::TORVHashCRC32::Calc(body, size);
    for (uint32_t value : {crc, uint32_t(size)})
        for (int k = 0; k < 4; ++k) package.push_back(uint8_t(value >> (8 * k)));
    // Properties: lc = lp = pb = 0, then the codec's smallest dictionary, 4 KiB.
    for (uint8_t b : {0x00, 0x00, 0x10, 0x00, 0x00}) package.push_back(b);

    TLiteralEncoder encoder(package);
    for (size_t i = 0; i < size; ++i) encoder.Literal(body[i]);
    encoder.Flush();
    TSetupPackageScrambler scrambler(kPackageKey);
    scrambler.Apply(package.data() + 12, package.size() - 12);

    ORV::TMemoryStream stream;
    stream.WriteBuffer(package.data(), package.size());
    stream.SetPosition(0);
    return stream;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ORV::TMemoryStream stream = PackageAround(data, size);
    const auto expected = ExpectedTable(data, size);

    std::unique_ptr<TSetupPackageReader> package;
    try {
        package = std::make_unique<TSetupPackageReader>(stream);
    } catch (const ESetupPackageReadError&) {
        if (expected) Fail("refused a correct package", (long long)expected->size());
        return 0;
    } catch (const ORV::Exception& e) {
        Fail(e.what());  // a correct stream and checksum leave only the table to refuse
    }
    if (!expected) Fail("accepted a corrupted table", package->FileTable().Count());

    auto& body = package->Body();
    if (body.Size() != int64_t(size) || (size && std::memcmp(body.Memory(), data, size) != 0))
        Fail("decoded body differs from the packed one", body.Size(), (long long)size);
    const auto& table = package->FileTable();
    if (table.Count() != int(expected->size()))
        Fail("entry count differs", table.Count(), (long long)expected->size());
    for (int i = 0; i < table.Count(); ++i) {
        const auto& got = table.Items(i);
        const auto& want = (*expected)[size_t(i)];
        if (got.Name != want.Name || got.Offset != want.Offset || got.Size != want.Size)
            Fail("entry differs from the format", i);
    }
    PackageFuzz::CheckEntries(*package);
    return 0;
}
