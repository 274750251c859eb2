#include "Lzma.h"
#include "ORV.SysUtils.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace ORV;

namespace {

std::vector<uint8_t> SampleData() {
    std::vector<uint8_t> data = TestSupport::Bytes("[System]\r\nLanguage=English\r\n");
    const auto noise = TestSupport::RandomBytes(150000, 11);
    for (int i = 0; i < 2000; ++i) data.insert(data.end(), data.begin(), data.begin() + 20);
    data.insert(data.end(), noise.begin(), noise.end());
    return data;
}


std::vector<uint8_t> Compress(const std::vector<uint8_t>& data, int level, const Lzma::TPreprocessor& pre = {}) {
    TMemoryStream source = TestSupport::MemoryStreamOf(data), dest;
    Lzma::LzmaCompress(source, dest, level, pre);
    return std::vector<uint8_t>(dest.Memory(), dest.Memory() + dest.Size());
}

std::vector<uint8_t> Decompress(const std::vector<uint8_t>& stream, int64_t expected,
                                const Lzma::TPreprocessor& pre = {}) {
    TMemoryStream source = TestSupport::MemoryStreamOf(stream), dest;
    Lzma::LzmaDecompress(source, dest, pre, expected);
    return std::vector<uint8_t>(dest.Memory(), dest.Memory() + dest.Size());
}

// Accepts at most Limit bytes in all, then reports short writes.
class TShortStream : public TMemoryStream {
public:
    explicit TShortStream(size_t limit) : FLimit(limit) {}
    size_t Write(const void* buffer, size_t count) override {
        const size_t accepted = std::min(count, FLimit);
        FLimit -= accepted;
        return TMemoryStream::Write(buffer, accepted);
    }

private:
    size_t FLimit;
};

std::u16string LzmaErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EInvalidOperation& e) {
        return e.Message();
    }
    return u"no error";
}

} // namespace

TEST(Lzma, PropertiesFollowTheLevelDefaults) {
    const struct {
        int Level;
        std::vector<uint8_t> Props;
    } cases[] = {
        {0, {0x5D, 0x00, 0x40, 0x00, 0x00}},  // 16 KiB
        {4, {0x5D, 0x00, 0x00, 0x40, 0x00}},  // 4 MiB, the uninstaller's data package
        {5, {0x5D, 0x00, 0x00, 0x00, 0x01}},  // 16 MiB
        {6, {0x5D, 0x00, 0x00, 0x00, 0x02}},  // 32 MiB
        {9, {0x5D, 0x00, 0x00, 0x00, 0x04}},  // 64 MiB
    };
    const std::vector<uint8_t> data = TestSupport::Bytes("a small file");
    for (const auto& c : cases) {
        const auto stream = Compress(data, c.Level);
        EXPECT_EQ(std::vector<uint8_t>(stream.begin(), stream.begin() + 5), c.Props) << "level " << c.Level;
    }
}

TEST(Lzma, RoundTripsAtEveryLevelWithoutEndMarker) {
    const auto data = SampleData();
    for (int level = 0; level <= 9; level += 3) {
        const auto stream = Compress(data, level);
        EXPECT_EQ(Decompress(stream, static_cast<int64_t>(data.size())), data) << "level " << level;
        // Without an end marker, asking for fewer bytes just stops early.
        EXPECT_EQ(Decompress(stream, 100), std::vector<uint8_t>(data.begin(), data.begin() + 100));
    }
    EXPECT_TRUE(Decompress(Compress({}, 5), 0).empty());
}

TEST(Lzma, PreprocessorSeesEveryCompressedByteIncludingTheProperties) {
    const auto data = SampleData();
    const auto invert = [](uint8_t* buffer, size_t count) {
        for (size_t i = 0; i < count; ++i) buffer[i] ^= 0xFF;
    };
    const auto plain = Compress(data, 4);
    auto inverted = Compress(data, 4, invert);
    ASSERT_EQ(plain.size(), inverted.size());
    for (auto& b : inverted) b ^= 0xFF;
    EXPECT_EQ(plain, inverted);
    for (auto& b : inverted) b ^= 0xFF;
    EXPECT_EQ(Decompress(inverted, static_cast<int64_t>(data.size()), invert), data);
}

TEST(Lzma, DataErrorsAndEarlyEndsReturnWhatWasDecoded) {
    const auto data = SampleData();
    auto stream = Compress(data, 5);
    const auto truncated = std::vector<uint8_t>(stream.begin(), stream.begin() + stream.size() / 2);
    const auto partial = Decompress(truncated, static_cast<int64_t>(data.size()));
    EXPECT_LT(partial.size(), data.size());
    EXPECT_TRUE(Decompress({0x5D, 0x00}, 10).empty());  // ends inside the properties

    auto trailing = stream;
    trailing.insert(trailing.end(), 1000, 0xAB);
    EXPECT_EQ(Decompress(trailing, static_cast<int64_t>(data.size())), data);
}

TEST(Lzma, CodecFailuresRaiseLzmaError) {
    // Properties byte 225 is beyond (pb * 5 + lp) * 9 + lc for every valid pb, lp, lc.
    EXPECT_EQ(LzmaErrorOf([] { Decompress({225, 0, 0, 1, 0, 0, 0}, 10); }), u"LZMA Error (4)");

    const auto data = SampleData();
    const auto stream = Compress(data, 5);
    EXPECT_EQ(LzmaErrorOf([&] {
                  TMemoryStream source = TestSupport::MemoryStreamOf(stream);
                  TShortStream dest(1000);
                  Lzma::LzmaDecompress(source, dest, {}, static_cast<int64_t>(data.size()));
              }),
              u"LZMA Error (9)");
    EXPECT_EQ(LzmaErrorOf([&] {
                  TMemoryStream source = TestSupport::MemoryStreamOf(data);
                  TShortStream dest(100);
                  Lzma::LzmaCompress(source, dest, 5, {});
              }),
              u"LZMA Error (9)");
}

TEST(Lzma, DeclaredDictionaryIsNotTrustedForAllocation) {
    // A stream that claims a 4 GiB dictionary still decodes a small output.
    auto stream = Compress(TestSupport::Bytes("tiny"), 5);
    for (int k = 1; k <= 4; ++k) stream[k] = 0xFF;
    EXPECT_EQ(Decompress(stream, 4), TestSupport::Bytes("tiny"));
}

TEST(Lzma, StreamExceptionsPassThrough) {
    class TFailingStream : public TMemoryStream {
    public:
        size_t Read(void*, size_t) override { throw EReadError(); }
    };
    TFailingStream source;
    TMemoryStream dest;
    EXPECT_THROW(Lzma::LzmaCompress(source, dest, 5, {}), EReadError);
    EXPECT_THROW(Lzma::LzmaDecompress(source, dest, {}, 10), EReadError);
}
