#include "ORV.Classes.Streams.h"
#include "ORV.Hashes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace ORV;

namespace {

// The definition, one bit at a time, to check the table-driven code against.
uint32_t BitwiseCrc(const std::vector<uint8_t>& data) {
    uint32_t r = 0;
    for (const uint8_t b : data) {
        r ^= uint32_t(b) << 24;
        for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
    }
    return r;
}

} // namespace

TEST(CRC32, KnownValues) {
    EXPECT_EQ(TORVHashCRC32::Calc("123456789", 9), 0x89A1897Fu);
    EXPECT_EQ(TORVHashCRC32::Calc("", 0), 0u);
    const uint8_t one = 1;
    EXPECT_EQ(TORVHashCRC32::Calc(&one, 1), 0x04C11DB7u);
}

TEST(CRC32, MatchesTheBitwiseDefinitionForEveryLengthAndSplit) {
    const auto data = TestSupport::RandomBytes(300, 7);
    for (size_t length : {0, 1, 7, 8, 9, 15, 16, 17, 63, 300}) {
        const std::vector<uint8_t> part(data.begin(), data.begin() + length);
        const uint32_t expected = BitwiseCrc(part);
        EXPECT_EQ(TORVHashCRC32::Calc(part.data(), part.size()), expected) << length;
        for (size_t split = 0; split <= length; split += 5) {
            const uint32_t first = TORVHashCRC32::Update(0, part.data(), split);
            EXPECT_EQ(TORVHashCRC32::Update(first, part.data() + split, length - split), expected);
        }
    }
}

TEST(CRC32, HashesAStreamFromItsPosition) {
    TMemoryStream stream;
    stream.WriteBuffer("xx123456789", 11);
    stream.SetPosition(2);
    EXPECT_EQ(TORVHashCRC32::CalcStream(stream), 0x89A1897Fu);
    EXPECT_EQ(stream.Position(), 11);

    TestSupport::TTempDir dir;
    const auto data = TestSupport::RandomBytes(TStream::kCopyBufferSize + 5, 3);
    TestSupport::WriteAll(dir / "f.bin", data);
    TFileStream file(dir.File("f.bin"), fmOpenRead);
    EXPECT_EQ(TORVHashCRC32::CalcStream(file), BitwiseCrc(data));
}

#ifdef _WIN32
#include "ORV.Hashes.MD5.h"
#include "ORV.SysUtils.h"

TEST(MD5, KnownDigestsOfMemoryAndOfAFileThatOthersHoldOpen) {
    EXPECT_EQ(TORVHashMD5::CalcBuffer("", 0), u"d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(TORVHashMD5::CalcBuffer("abc", 3), u"900150983cd24fb0d6963f7d28e17f72");

    TestSupport::TTempDir dir;
    // Larger than the read buffer, so that the file is hashed in pieces.
    const std::vector<uint8_t> data = TestSupport::RandomBytes(TStream::kCopyBufferSize * 2 + 7, 3);
    TestSupport::WriteAll(dir / "data.bin", data);
    // A writer that lets others read and write, as a running program may hold its files.
    TFileStream writer(dir.File("data.bin"), fmOpenReadWrite, Platform::TFile::fsRead | Platform::TFile::fsWrite);
    EXPECT_EQ(TORVHashMD5::CalcFile(dir.File("data.bin")), TORVHashMD5::CalcBuffer(data.data(), data.size()));
    EXPECT_THROW(TORVHashMD5::CalcFile(dir.File("missing.bin")), EFOpenError);
}
#endif
