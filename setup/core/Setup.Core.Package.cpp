#include "Setup.Core.Package.h"

#include "ORV.Hashes.h"
#include "ORV.Platform.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace Setup::Core {

using ORV::TMemoryStream;
using ORV::TStream;

namespace {

constexpr uint8_t kMagic[4] = {'I', 'P', 'K', '5'};
constexpr size_t kHeaderSize = 12;
// NameLength, Offset and Size: the smallest possible table entry.
constexpr int64_t kMinEntrySize = 2 + 8 + 8;
constexpr size_t kMaxNameLength = 0xFFFF;
// LZMA cannot expand its input much more than 7,000 times: the cheapest output is a
// 273-byte repeat match, 14 binary decisions at the coder's most certain probability
// (2017/2048), about 0.31 bits. A body declared larger than this many times the bytes that
// follow the header cannot be genuine, and must not size the decoder's dictionary.
constexpr int64_t kMaxLzmaExpansion = 8192;
// How many times its coded stream a body may be for the reader to reserve all of it up
// front. Media and code decode to one to three times their stream, plain text to about
// five; a body beyond this is still read, its memory stream then grows as it goes.
constexpr int64_t kReserveRatio = 8;

uint32_t GetUInt32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t GetUInt64(const uint8_t* p) { return uint64_t(GetUInt32(p)) | uint64_t(GetUInt32(p + 4)) << 32; }

void PutUInt32(uint8_t* p, uint32_t value) {
    for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(value >> (8 * k));
}

void PutUInt64(uint8_t* p, uint64_t value) {
    PutUInt32(p, static_cast<uint32_t>(value));
    PutUInt32(p + 4, static_cast<uint32_t>(value >> 32));
}

// Reserves the room of a body of DeclaredSize decoded from the rest of Source. Growing the
// memory stream by doubling would copy everything decoded so far at every step and could
// end with up to twice the memory. The header is not trusted for this: a hostile one may
// declare 4 GiB, so the room never exceeds what the bytes really left in Source could
// plausibly decode to. The reservation only saves time, so failing to get it is no error.
void ReserveBody(TMemoryStream& body, TStream& source, uint32_t declaredSize) {
    const int64_t available = source.Size() - source.Position();
    if (available <= 0) return;
    const int64_t plausible = available > INT64_MAX / kReserveRatio ? INT64_MAX : available * kReserveRatio;
    try {
        body.SetCapacity(static_cast<size_t>(std::min<int64_t>(declaredSize, plausible)));
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
}

// Reads exactly Count bytes of the table or reports the package as corrupted.
void ReadTableBytes(TStream& stream, void* buffer, size_t count) {
    if (stream.Read(buffer, count) != count) throw ESetupPackageReadError();
}

} // namespace

// ---- TSetupPackageFileTable ----

TSetupPackageFileTableItem& TSetupPackageFileTable::Add() {
    FItems.push_back(std::make_unique<TSetupPackageFileTableItem>());
    return *FItems.back();
}

bool TSetupPackageFileTable::Find(std::u16string_view name, const TSetupPackageFileTableItem*& item) const {
    for (const auto& candidate : FItems) {
        if (ORV::Platform::SameTextLocale(candidate->Name, name)) {
            item = candidate.get();
            return true;
        }
    }
    return false;
}

void TSetupPackageFileTable::LoadFromStream(TStream& stream) {
    uint8_t countBytes[4];
    ReadTableBytes(stream, countBytes, 4);
    const auto count = static_cast<int32_t>(GetUInt32(countBytes));
    if (count <= 0) return;

    // Refuse a count the remaining bytes cannot hold before reserving room for it.
    const int64_t remaining = stream.Size() - stream.Position();
    if (count > remaining / kMinEntrySize) throw ESetupPackageReadError();
    FItems.reserve(FItems.size() + static_cast<size_t>(count));

    for (int32_t i = 0; i < count; ++i) {
        uint8_t lengthBytes[2];
        ReadTableBytes(stream, lengthBytes, 2);
        const size_t nameLength = size_t(lengthBytes[0]) | size_t(lengthBytes[1]) << 8;
        std::vector<uint8_t> nameBytes(nameLength * 2);
        ReadTableBytes(stream, nameBytes.data(), nameBytes.size());
        uint8_t position[16];
        ReadTableBytes(stream, position, 16);

        auto& item = Add();
        item.Name.resize(nameLength);
        for (size_t k = 0; k < nameLength; ++k)
            item.Name[k] = static_cast<char16_t>(nameBytes[2 * k] | nameBytes[2 * k + 1] << 8);
        item.Offset = static_cast<int64_t>(GetUInt64(position));
        item.Size = static_cast<int64_t>(GetUInt64(position + 8));
    }
}

void TSetupPackageFileTable::SaveToStream(TStream& stream) const {
    uint8_t buffer[8];
    PutUInt32(buffer, static_cast<uint32_t>(FItems.size()));
    stream.WriteBuffer(buffer, 4);
    for (const auto& item : FItems) {
        const size_t nameLength = item->Name.size();
        std::vector<uint8_t> entry(2 + nameLength * 2 + 16);
        entry[0] = static_cast<uint8_t>(nameLength);
        entry[1] = static_cast<uint8_t>(nameLength >> 8);
        for (size_t k = 0; k < nameLength; ++k) {
            entry[2 + 2 * k] = static_cast<uint8_t>(item->Name[k]);
            entry[3 + 2 * k] = static_cast<uint8_t>(item->Name[k] >> 8);
        }
        PutUInt64(entry.data() + 2 + nameLength * 2, static_cast<uint64_t>(item->Offset));
        PutUInt64(entry.data() + 10 + nameLength * 2, static_cast<uint64_t>(item->Size));
        stream.WriteBuffer(entry.data(), entry.size());
    }
}

// ---- TSetupPackageScrambler ----

TSetupPackageScrambler::TSetupPackageScrambler(std::u16string_view key) {
    const std::string bytes = ORV::Platform::StringToAnsi(key);
    FKey.assign(bytes.begin(), bytes.end());
    if (FKey.empty()) return;
    // Whole keys only, so that every offset of the pattern is the key offset modulo its length.
    constexpr size_t kMinPattern = 256;
    const size_t repeats = (kMinPattern + FKey.size() - 1) / FKey.size();
    FPattern.reserve(repeats * FKey.size());
    for (size_t k = 0; k < repeats; ++k) FPattern.insert(FPattern.end(), FKey.begin(), FKey.end());
}

void TSetupPackageScrambler::Apply(uint8_t* buffer, size_t count) {
    const size_t length = FKey.size();
    if (length == 0) return;
    const size_t period = FPattern.size();
    const uint8_t* pattern = FPattern.data();
    size_t position = static_cast<size_t>(FPosition);  // < length <= period
    while (count > 0) {
        const size_t run = std::min(count, period - position);
        for (size_t i = 0; i < run; ++i) buffer[i] ^= pattern[position + i];
        buffer += run;
        count -= run;
        position += run;
        if (position == period) position = 0;
    }
    FPosition = static_cast<int32_t>(position % length);
}

// ---- TCustomSetupPackage ----

bool TCustomSetupPackage::Contains(std::u16string_view name) const {
    const TSetupPackageFileTableItem* item;
    return FFileTable.Find(name, item);
}

bool TCustomSetupPackage::ExtractFile(std::u16string_view name, std::unique_ptr<TMemoryStream>& stream) const {
    const TSetupPackageFileTableItem* item;
    if (!FFileTable.Find(name, item)) return false;
    const int64_t bodySize = static_cast<int64_t>(FBody.Length());
    if (item->Offset < 0 || item->Size < 0 || item->Offset > bodySize || item->Size > bodySize - item->Offset)
        throw ESetupPackageReadError();
    auto result = std::make_unique<TMemoryStream>();
    if (item->Size > 0) result->WriteBuffer(FBody.Memory() + item->Offset, static_cast<size_t>(item->Size));
    result->SetPosition(0);
    stream = std::move(result);
    return true;
}

// ---- TSetupPackageReader ----

TSetupPackageReader::TSetupPackageReader(TStream& stream, std::u16string_view key) {
    uint8_t header[kHeaderSize];
    stream.ReadBuffer(header, kHeaderSize);
    if (std::memcmp(header, kMagic, 4) != 0) throw ESetupPackageReadError();
    const uint32_t bodyCrc = GetUInt32(header + 4);
    const uint32_t bodySize = GetUInt32(header + 8);
    if (int64_t(bodySize) > (stream.Size() - stream.Position()) * kMaxLzmaExpansion) throw ESetupPackageReadError();

    ReserveBody(FBody, stream, bodySize);
    TSetupPackageScrambler scrambler(key);
    Lzma::LzmaDecompress(stream, FBody,
                         [&scrambler](uint8_t* buffer, size_t count) { scrambler.Apply(buffer, count); },
                         bodySize);

    FBody.SetPosition(0);
    if (FBody.Size() != int64_t(bodySize) || ORV::TORVHashCRC32::CalcStream(FBody) != bodyCrc)
        throw ESetupPackageReadError();
    ReadFileTable();
}

void TSetupPackageReader::ReadFileTable() {
    const int64_t bodySize = FBody.Size();
    if (bodySize < 4) throw ESetupPackageReadError();
    const uint32_t tableSize = GetUInt32(FBody.Memory() + bodySize - 4);
    if (tableSize > bodySize - 4) throw ESetupPackageReadError();
    const int64_t tableStart = bodySize - 4 - tableSize;

    // The table is read from a copy of exactly its bytes, so no entry can reach past it.
    TMemoryStream table;
    table.WriteBuffer(FBody.Memory() + tableStart, tableSize);
    table.SetPosition(0);
    FFileTable.LoadFromStream(table);

    // File data lies in front of the table.
    for (int i = 0; i < FFileTable.Count(); ++i) {
        const auto& item = FFileTable.Items(i);
        if (item.Offset < 0 || item.Size < 0 || item.Offset > tableStart || item.Size > tableStart - item.Offset)
            throw ESetupPackageReadError();
    }
    FBody.SetPosition(0);
}

// ---- TSetupPackageBuilder ----

TSetupPackageBuilder::TSetupPackageBuilder(std::u16string key) : FKey(std::move(key)) {}

void TSetupPackageBuilder::AddFile(TStream& source, const std::u16string& name) {
    if (name.size() > kMaxNameLength)
        throw ORV::EInvalidOperation(u"Package entry name is longer than 65535 characters");
    const int64_t size = source.Size();
    auto& item = FFileTable.Add();
    item.Name = name;
    item.Offset = FBody.Size();
    item.Size = size;
    FBody.Seek(0, ORV::soEnd);
    FBody.CopyFrom(source, size);
}

void TSetupPackageBuilder::SaveToFile(const std::u16string& fileName, int level) {
    ORV::TFileStream file(fileName, ORV::fmCreate);
    Commit(file, level);
}

void TSetupPackageBuilder::Commit(TStream& dest, int level) {
    TMemoryStream table;
    FFileTable.SaveToStream(table);
    FBody.Seek(0, ORV::soEnd);
    FBody.WriteBuffer(table.Memory(), static_cast<size_t>(table.Size()));
    uint8_t tableSize[4];
    PutUInt32(tableSize, static_cast<uint32_t>(table.Size()));
    FBody.WriteBuffer(tableSize, 4);

    if (FBody.Size() > int64_t(UINT32_MAX))
        throw ORV::EInvalidOperation(u"Package body is larger than 4 GiB");
    FBody.SetPosition(0);
    uint8_t header[kHeaderSize];
    std::memcpy(header, kMagic, 4);
    PutUInt32(header + 4, ORV::TORVHashCRC32::CalcStream(FBody));
    PutUInt32(header + 8, static_cast<uint32_t>(FBody.Size()));
    dest.WriteBuffer(header, kHeaderSize);

    TSetupPackageScrambler scrambler(FKey);
    FBody.SetPosition(0);
    Lzma::LzmaCompress(FBody, dest, level,
                       [&scrambler](uint8_t* buffer, size_t count) { scrambler.Apply(buffer, count); });
}

} // namespace Setup::Core
