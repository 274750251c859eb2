// The fuzzer's bytes are a decoded body: each one is wrapped in a correct package (header,
// checksum, scrambled LZMA) so that every input reaches the file table, which random changes
// to a whole package almost never do past the checksum. The reader's verdict and table are
// compared with a plain reading of the format written here.
#include "PackageFuzzSupport.h"

#include "ORV.Hashes.h"
#include "ORV.SysUtils.h"

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

ORV::TMemoryStream PackageAround(const uint8_t* body, size_t size) {
    ORV::TMemoryStream package;
    uint8_t header[12] = {'I', 'P', 'K', '5'};
    const uint32_t crc = ORV::TORVHashCRC32::Calc(body, size);
    for (int k = 0; k < 4; ++k) {
        header[4 + k] = uint8_t(crc >> (8 * k));
        header[8 + k] = uint8_t(uint32_t(size) >> (8 * k));
    }
    package.WriteBuffer(header, sizeof header);

    ORV::TMemoryStream source;
    source.WriteBuffer(body, size);
    source.SetPosition(0);
    // Level 0 is the cheapest encoder; the table parser only sees the decoded bytes.
    TSetupPackageScrambler scrambler(kPackageKey);
    Lzma::LzmaCompress(source, package, 0, [&scrambler](uint8_t* b, size_t n) { scrambler.Apply(b, n); });
    package.SetPosition(0);
    return package;
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
    if (table.Count() != int(expected->size())) Fail("entry count differs", table.Count(), (long long)expected->size());
    for (int i = 0; i < table.Count(); ++i) {
        const auto& got = table.Items(i);
        const auto& want = (*expected)[size_t(i)];
        if (got.Name != want.Name || got.Offset != want.Offset || got.Size != want.Size)
            Fail("entry differs from the format", i);
    }
    PackageFuzz::CheckEntries(*package);
    return 0;
}
