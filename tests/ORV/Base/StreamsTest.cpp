#include "ORV.Classes.Streams.h"
#include "ORV.SysUtils.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace ORV;

TEST(MemoryStream, WritesReadsSeeksAndGrows) {
    TMemoryStream stream;
    stream.WriteBuffer("hello", 5);
    EXPECT_EQ(stream.Size(), 5);
    stream.SetPosition(8);  // past the end: the next write fills the gap with zeros
    stream.WriteBuffer("!", 1);
    EXPECT_EQ(stream.Size(), 9);
    EXPECT_EQ(stream.Memory()[6], 0);

    stream.SetPosition(1);
    stream.WriteBuffer("EL", 2);
    char buffer[16] = {};
    stream.SetPosition(0);
    EXPECT_EQ(stream.Read(buffer, sizeof buffer), 9u);
    EXPECT_EQ(std::string(buffer, 5), "hELlo");
    EXPECT_EQ(stream.Read(buffer, 1), 0u);

    EXPECT_THROW(stream.Seek(-10, soCurrent), EStreamError);
    stream.SetSize(2);
    EXPECT_EQ(stream.Position(), 2);
}

TEST(MemoryStream, ReadBufferRaisesStreamReadError) {
    TMemoryStream stream;
    stream.WriteBuffer("abc", 3);
    stream.SetPosition(0);
    char buffer[4];
    try {
        stream.ReadBuffer(buffer, 4);
        FAIL() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), u"Stream read error");
    }
}

TEST(MemoryStream, CopyFromCopiesAcrossBufferBoundaries) {
    const auto data = TestSupport::RandomBytes(TStream::kCopyBufferSize * 2 + 17, 1);
    TMemoryStream source, dest;
    source.WriteBuffer(data.data(), data.size());
    source.SetPosition(0);
    dest.CopyFrom(source, static_cast<int64_t>(data.size()));
    ASSERT_EQ(dest.Size(), static_cast<int64_t>(data.size()));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), dest.Memory()));
    source.SetPosition(10);
    EXPECT_THROW(dest.CopyFrom(source, static_cast<int64_t>(data.size())), EReadError);
}

TEST(FileStream, CreatesReadsAndReportsMissingFiles) {
    TestSupport::TTempDir dir;
    const std::u16string name = dir.File("data.bin");
    {
        TFileStream file(name, fmCreate);
        file.WriteBuffer("0123456789", 10);
        file.SetSize(4);
    }
    TFileStream file(name, fmOpenRead);
    EXPECT_EQ(file.Size(), 4);
    char buffer[10];
    EXPECT_EQ(file.Read(buffer, 10), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");

    try {
        TFileStream missing(dir.File("missing.bin"), fmOpenRead);
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        const std::string message = e.what();
        EXPECT_EQ(message.rfind("Cannot open file \"", 0), 0u) << message;
        EXPECT_NE(message.find("missing.bin\". "), std::string::npos) << message;
    }
    EXPECT_THROW(TFileStream(dir.File("no/such/folder.bin"), fmCreate), EFCreateError);
}

TEST(BufferedFileStream, KeepsTheOrderOfSmallAndLargeWritesAndFlushesBeforeReading) {
    TestSupport::TTempDir dir;
    const std::u16string name = dir.File("buffered.bin");
    const std::vector<uint8_t> large = TestSupport::RandomBytes(100, 1);
    {
        TBufferedFileStream stream(name, fmCreate, Platform::TFile::fsRead, 16);
        stream.WriteBuffer("abc", 3);                 // buffered
        stream.WriteBuffer(large.data(), large.size());  // larger than the buffer: straight through
        stream.WriteBuffer("0123456789", 10);
        stream.WriteBuffer("XYZ0123456789", 13);      // does not fit behind the ten: those go first
        // Nothing of the last 13 bytes is in the file yet; the size asks the file, so it flushes.
        EXPECT_EQ(stream.Size(), 126);
        stream.WriteBuffer("tail", 4);
        stream.Flush();
    }
    std::vector<uint8_t> expected = TestSupport::Bytes("abc");
    expected.insert(expected.end(), large.begin(), large.end());
    for (const char* piece : {"0123456789", "XYZ0123456789", "tail"})
        for (const char* c = piece; *c; ++c) expected.push_back(static_cast<uint8_t>(*c));
    EXPECT_EQ(TestSupport::ReadAll(dir / "buffered.bin"), expected);

    // What the destructor finds in the buffer still reaches the file.
    {
        TBufferedFileStream stream(name, fmCreate);
        stream.WriteBuffer("last", 4);
    }
    EXPECT_EQ(TestSupport::ReadAll(dir / "buffered.bin"), TestSupport::Bytes("last"));
}
