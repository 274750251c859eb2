// IPK5 packages: the container in which the setup carries its payload.
//
// File layout (integers little-endian):
//
//   offset  size  field
//   0       4     Magic      "IPK5" (49 50 4B 35)
//   4       4     BodyCrc    CRC-32 of the decoded body (TORVHashCRC32: MSB first, no reflection)
//   8       4     BodySize   length of the decoded body, unsigned
//   12      ...   the LZMA stream, scrambled: byte k of the stream is XORed with Key[k mod len]
//
// LZMA stream: 1 properties byte ((pb * 5 + lp) * 9 + lc), 4 bytes dictionary size, then LZMA1
// data that decodes to exactly BodySize bytes. No size field, no end marker.
//
// Decoded body:
//
//   file data     every file's bytes, one after another, in the order they were added
//   file table    Count (int32), then Count entries of
//                   NameLength (uint16), Name (UTF-16LE, NameLength code units),
//                   Offset (int64, from the start of the body), Size (int64)
//   TableSize     uint32: length of the file table
//
// The reader treats all of this as hostile: every length, count, offset and size is checked
// against the decoded body before it is used.
#pragma once

#include "Lzma.h"
#include "ORV.Classes.Streams.h"
#include "ORV.SysUtils.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Setup::Core {

// The key with which every package of the setup is scrambled.
inline constexpr char16_t kPackageKey[] = u"7203958146";

// Any structural fault of a package: wrong magic, a body that does not match its size or
// checksum, a file table that does not fit the body.
class ESetupPackageReadError : public ORV::Exception {
public:
    ESetupPackageReadError() : ORV::Exception(u"Package was corrupted") {}
};

struct TSetupPackageFileTableItem {
    std::u16string Name;
    int64_t Offset = 0;
    int64_t Size = 0;
};

class TSetupPackageFileTable {
public:
    // Appends a new empty item; the table owns it and the reference stays valid.
    TSetupPackageFileTableItem& Add();
    // The first item in table order whose name has the same length and is equal ignoring
    // case under the user's locale.
    bool Find(std::u16string_view name, const TSetupPackageFileTableItem*& item) const;
    int Count() const { return static_cast<int>(FItems.size()); }
    const TSetupPackageFileTableItem& Items(int index) const { return *FItems.at(static_cast<size_t>(index)); }

    // Reads Count and that many entries from the stream's position to its end and appends
    // them; Count <= 0 adds nothing. Raises ESetupPackageReadError when the stream cannot hold
    // the entries it declares. Offsets and sizes are not judged here: the reader checks them
    // against the body.
    void LoadFromStream(ORV::TStream& stream);
    // Writes Count and every entry in table order.
    void SaveToStream(ORV::TStream& stream) const;

private:
    std::vector<std::unique_ptr<TSetupPackageFileTableItem>> FItems;
};

// Applies the repeating XOR key to consecutive buffers of one stream.
class TSetupPackageScrambler {
public:
    // The key is used as the bytes of its ANSI form. An empty key leaves the data unchanged.
    explicit TSetupPackageScrambler(std::u16string_view key);

    // Scrambles or unscrambles (the same operation) Count bytes in place and moves Position
    // on, so the result depends only on each byte's offset in the stream.
    void Apply(uint8_t* buffer, size_t count);

    const std::vector<uint8_t>& Key() const { return FKey; }
    int32_t Position() const { return FPosition; }

private:
    std::vector<uint8_t> FKey;
    // The key repeated to a few hundred bytes, so that Apply runs long XOR loops instead of
    // wrapping around a ten-byte key at every tenth byte.
    std::vector<uint8_t> FPattern;
    int32_t FPosition = 0;
};

class TCustomSetupPackage {
public:
    virtual ~TCustomSetupPackage() = default;
    TCustomSetupPackage(const TCustomSetupPackage&) = delete;
    TCustomSetupPackage& operator=(const TCustomSetupPackage&) = delete;

    TSetupPackageFileTable& FileTable() { return FFileTable; }
    const TSetupPackageFileTable& FileTable() const { return FFileTable; }
    ORV::TMemoryStream& Body() { return FBody; }

    bool Contains(std::u16string_view name) const;
    // False when the name is absent (Stream is left alone); otherwise a new memory stream with
    // a copy of the file, positioned at 0. Only reads the body, so threads may extract at once
    // while nobody changes the package. An entry reaching past the body (which a read package
    // cannot have) raises ESetupPackageReadError.
    bool ExtractFile(std::u16string_view name, std::unique_ptr<ORV::TMemoryStream>& stream) const;

protected:
    TCustomSetupPackage() = default;

    TSetupPackageFileTable FFileTable;
    ORV::TMemoryStream FBody;
};

class TSetupPackageReader : public TCustomSetupPackage {
public:
    // Opens the package whose header starts at Stream's position and decodes it whole; Stream
    // is only read here. Raises EReadError when the stream is shorter than the header,
    // ESetupPackageReadError for any structural fault and EInvalidOperation
    // "LZMA Error (%d)" for a codec failure. The setup's packages all use the package key;
    // the packaging tool may name another.
    explicit TSetupPackageReader(ORV::TStream& stream, std::u16string_view key = kPackageKey);

private:
    void ReadFileTable();
};

class TSetupPackageBuilder : public TCustomSetupPackage {
public:
    explicit TSetupPackageBuilder(std::u16string key = kPackageKey);

    const std::u16string& Key() const { return FKey; }

    // Appends the whole of Source (rewind it first) as a file named Name. Names are limited
    // to 65,535 UTF-16 code units (EInvalidOperation).
    void AddFile(ORV::TStream& source, const std::u16string& name);
    // Creates or replaces FileName and commits the package into it.
    void SaveToFile(const std::u16string& fileName, int level);
    // Writes the whole package to Dest at its position. Appends the table to the body, so a
    // builder is committed once.
    void Commit(ORV::TStream& dest, int level);

private:
    std::u16string FKey;
};

} // namespace Setup::Core
