// The backup archive's writer, read back with minizip's reader and, natively, checked by
// Info-ZIP's unzip.

#include "ORV.Classes.Streams.h"
#include "ORV.Strings.h"
#include "Setup.Core.ZipWriter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <unzip.h>
#ifdef _WIN32
#include "ORV.Win32.h"

#include <iowin32.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using Setup::Core::TZipWriter;
using TestSupport::TTempDir;

namespace {

struct TEntry {
    std::string Name;
    std::vector<uint8_t> Bytes;
    uLong Flags = 0;
    uLong Method = 0;
    uLong DosDate = 0;
};

unzFile OpenArchive(const std::u16string& path) {
#ifdef _WIN32
    zlib_filefunc64_def files{};
    fill_win32_filefunc64W(&files);
    return unzOpen2_64(ORV::W(path), &files);
#else
    return unzOpen64(ORV::Utf16ToUtf8(path).c_str());
#endif
}

// Every entry of the archive, in order, with its bytes; empty when it cannot be read.
std::vector<TEntry> ReadArchive(const std::u16string& path) {
    std::vector<TEntry> entries;
    unzFile zip = OpenArchive(path);
    if (!zip) return entries;
    for (int result = unzGoToFirstFile(zip); result == UNZ_OK; result = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        char name[1024] = {};
        unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        TEntry entry{name, std::vector<uint8_t>(info.uncompressed_size), info.flag, info.compression_method, info.dosDate};
        if (unzOpenCurrentFile(zip) != UNZ_OK ||
            unzReadCurrentFile(zip, entry.Bytes.data(), static_cast<unsigned>(entry.Bytes.size())) !=
                static_cast<int>(entry.Bytes.size()) ||
            unzCloseCurrentFile(zip) != UNZ_OK)  // also checks the CRC
            entry.Name += " (unreadable)";
        entries.push_back(std::move(entry));
    }
    unzClose(zip);
    return entries;
}

std::vector<uint8_t> RandomBytes(size_t count) {
    std::mt19937 random(7);
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

} // namespace

TEST(ZipWriter, EntriesAreStreamedInWithTheirNamesTimesAndBytes) {
    TTempDir temp;
    const std::u16string archive = temp.File("z Before install 5.10 [2026.12.10 13-05-00].zip");
    const uint32_t dosTime = (46u << 25 | 12u << 21 | 10u << 16) | (13u << 11 | 5u << 5);  // 2026-12-10 13:05
    std::vector<uint8_t> text;
    for (int i = 0; i < 20000; ++i) text.push_back(static_cast<uint8_t>("[System]\r\nVersion=5040\r\n"[i % 25]));
    const std::vector<uint8_t> media = RandomBytes(300000);
    {
        TZipWriter zip(archive);
        ORV::TMemoryStream config = TestSupport::MemoryStreamOf(text);
        zip.AddFile(u"Program\\QOVI.ini", config, dosTime);
        ORV::TMemoryStream song = TestSupport::MemoryStreamOf(media);
        song.SetPosition(100000);  // only what is left from the position
        zip.AddFile(u"Profiles\\Пользователь\\Музыка.ogg", song, dosTime, 0);
        ORV::TMemoryStream empty;
        zip.AddFile(u"Program\\Empty.txt", empty, 0);
        ORV::TMemoryStream cover = TestSupport::MemoryStreamOf(media);
        zip.AddFile(u"Program\\Cover.png", cover, dosTime);  // does not shrink: stored at any level
        zip.Close();
    }

    const std::vector<TEntry> entries = ReadArchive(archive);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].Name, "Program/QOVI.ini");
    EXPECT_EQ(entries[0].Bytes, text);
    EXPECT_EQ(entries[0].Method, static_cast<uLong>(Z_DEFLATED));
    EXPECT_EQ(entries[0].Flags & (1 << 11), 0u);  // plain ASCII: no UTF-8 flag
    EXPECT_EQ(entries[0].DosDate, dosTime);
    EXPECT_EQ(entries[1].Name, "Profiles/\xD0\x9F\xD0\xBE\xD0\xBB\xD1\x8C\xD0\xB7\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x82\xD0\xB5\xD0\xBB\xD1\x8C/"
                               "\xD0\x9C\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0.ogg");
    EXPECT_EQ(entries[1].Bytes, std::vector<uint8_t>(media.begin() + 100000, media.end()));
    EXPECT_EQ(entries[1].Method, 0u);  // stored
    EXPECT_NE(entries[1].Flags & (1 << 11), 0u);
    EXPECT_EQ(entries[2].Name, "Program/Empty.txt");
    EXPECT_TRUE(entries[2].Bytes.empty());
    EXPECT_EQ(entries[2].DosDate, (1u << 5 | 1u) << 16);  // no time: 1980-01-01
    EXPECT_EQ(entries[3].Bytes, media);
    EXPECT_EQ(entries[3].Method, 0u);

#ifndef _WIN32
    // A real ZIP tool reads it without a warning.
    const std::string command = "unzip -tqq '" + ORV::Utf16ToUtf8(archive) + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
#endif
}

TEST(ZipWriter, ArchivesThatCannotBeCreatedOrAreLeftOpen) {
    TTempDir temp;
    const std::u16string missingFolder = temp.File("missing") + u"/x.zip";
    EXPECT_EQ(TestSupport::MessageOf([&] { TZipWriter zip(missingFolder); }),
              u"Cannot create file \"" + missingFolder + u"\"");

    // Not closed: what was written stays readable.
    const std::u16string archive = temp.File("open.zip");
    {
        TZipWriter zip(archive);
        ORV::TMemoryStream data = TestSupport::MemoryStreamOf(TestSupport::Bytes("kept"));
        zip.AddFile(u"kept.txt", data, 0);
    }
    const std::vector<TEntry> entries = ReadArchive(archive);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Bytes, TestSupport::Bytes("kept"));
}

#ifndef _WIN32
namespace {

// Zeros, as many as Size says, made as they are read: a large entry without a large file.
class TZeroStream : public ORV::TStream {
public:
    explicit TZeroStream(int64_t size) : FSize(size) {}
    size_t Read(void* buffer, size_t count) override {
        const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), FSize - FPosition));
        std::memset(buffer, 0, n);
        FPosition += static_cast<int64_t>(n);
        return n;
    }
    size_t Write(const void*, size_t) override { return 0; }
    int64_t Seek(int64_t offset, ORV::TSeekOrigin origin) override {
        FPosition = (origin == ORV::soBeginning ? 0 : origin == ORV::soCurrent ? FPosition : FSize) + offset;
        return FPosition;
    }
    void SetSize(int64_t) override {}

private:
    int64_t FSize, FPosition = 0;
};

} // namespace

// An entry of 4 GiB and more needs the ZIP64 sizes; Info-ZIP's unzip reads the archive back and
// checks the CRC of all of it.
TEST(ZipWriter, AnEntryOfFourGibibytesOrMoreGetsZip64Sizes) {
    TTempDir temp;
    const std::u16string archive = temp.File("large.zip");
    {
        TZipWriter zip(archive);
        TZeroStream zeros(0x100000000ll + 12345);
        zip.AddFile(u"Program\\Large.bin", zeros, 0, 1);
        ORV::TMemoryStream small = TestSupport::MemoryStreamOf(TestSupport::Bytes("after"));
        zip.AddFile(u"Program\\After.txt", small, 0);
        zip.Close();
    }
    const std::string command = "unzip -tqq '" + ORV::Utf16ToUtf8(archive) + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    const std::string listing = "unzip -Z -l '" + ORV::Utf16ToUtf8(archive) + "' | grep -q ' 4294979641 '";
    EXPECT_EQ(std::system(listing.c_str()), 0);
}
#endif
