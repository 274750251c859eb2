#include "ORV.Hashes.h"
#include "ORV.Strings.h"
#include "Setup.Core.Package.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ORV;
using namespace Setup::Core;
using TestSupport::Bytes;

namespace {

using TBytes = std::vector<uint8_t>;


TBytes BytesOf(TMemoryStream& stream) { return TBytes(stream.Memory(), stream.Memory() + stream.Size()); }

struct TFile {
    std::u16string Name;
    TBytes Data;
};

TBytes Build(const std::vector<TFile>& files, int level = 4, const std::u16string& key = kPackageKey) {
    TSetupPackageBuilder builder(key);
    for (const auto& file : files) {
        TMemoryStream source = TestSupport::MemoryStreamOf(file.Data);
        builder.AddFile(source, file.Name);
    }
    TMemoryStream out;
    builder.Commit(out, level);
    return BytesOf(out);
}

// A package around a hand-made body, for tables the builder would never write.
TBytes PackageAroundBody(const TBytes& body) {
    TBytes header = Bytes("IPK5");
    const uint32_t crc = TORVHashCRC32::Calc(body.data(), body.size());
    for (uint32_t v : {crc, static_cast<uint32_t>(body.size())})
        for (int k = 0; k < 4; ++k) header.push_back(static_cast<uint8_t>(v >> (8 * k)));
    TMemoryStream source = TestSupport::MemoryStreamOf(body), out;
    out.WriteBuffer(header.data(), header.size());
    TSetupPackageScrambler scrambler(kPackageKey);
    Lzma::LzmaCompress(source, out, 4, [&](uint8_t* b, size_t n) { scrambler.Apply(b, n); });
    return BytesOf(out);
}

void Put(TBytes& out, uint64_t value, int size) {
    for (int k = 0; k < size; ++k) out.push_back(static_cast<uint8_t>(value >> (8 * k)));
}

struct TEntry {
    std::u16string Name;
    int64_t Offset, Size;
};

// data + table(Count, entries) + TableSize; TableSizeDelta skews the declared size.
TBytes BodyWith(const TBytes& data, int32_t count, const std::vector<TEntry>& entries, int64_t tableSizeDelta = 0) {
    TBytes table;
    Put(table, static_cast<uint32_t>(count), 4);
    for (const auto& e : entries) {
        Put(table, e.Name.size(), 2);
        for (char16_t c : e.Name) Put(table, c, 2);
        Put(table, static_cast<uint64_t>(e.Offset), 8);
        Put(table, static_cast<uint64_t>(e.Size), 8);
    }
    TBytes body = data;
    body.insert(body.end(), table.begin(), table.end());
    Put(body, static_cast<uint64_t>(static_cast<int64_t>(table.size()) + tableSizeDelta), 4);
    return body;
}

std::unique_ptr<TSetupPackageReader> Open(const TBytes& package, std::u16string_view key = kPackageKey) {
    TMemoryStream stream = TestSupport::MemoryStreamOf(package);
    return std::make_unique<TSetupPackageReader>(stream, key);
}

// What opening the package reports: "OK", or the exception's message.
std::string OpenResult(const TBytes& package) {
    try {
        Open(package);
        return "OK";
    } catch (const ESetupPackageReadError&) {
        return "corrupted";
    } catch (const EInvalidOperation& e) {
        return e.what();
    } catch (const EReadError&) {
        return "read error";
    }
}

TBytes Extract(TCustomSetupPackage& package, std::u16string_view name) {
    std::unique_ptr<TMemoryStream> stream;
    EXPECT_TRUE(package.ExtractFile(name, stream));
    EXPECT_EQ(stream->Position(), 0);
    return BytesOf(*stream);
}

const TBytes kIni = Bytes("\xFF\xFE[\0U\0n\0i\0n\0s\0t\0a\0l\0l\0]\0");

} // namespace

TEST(Package, UninstallDataPackageHasTheDocumentedLayout) {
    const TBytes package = Build({{u"Uninstall.ini", kIni}}, 4);
    ASSERT_GT(package.size(), 17u);
    EXPECT_EQ(TBytes(package.begin(), package.begin() + 4), Bytes("IPK5"));
    const uint32_t bodySize = package[8] | package[9] << 8 | package[10] << 16 | uint32_t(package[11]) << 24;
    EXPECT_EQ(bodySize, kIni.size() + 52);

    // The properties 5D 00 00 40 00, scrambled with the first five bytes of the key.
    const TBytes props = {0x5D, 0x00, 0x00, 0x40, 0x00};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(package[12 + k] ^ "7203958146"[k], props[k]) << k;

    auto reader = Open(package);
    ASSERT_EQ(reader->FileTable().Count(), 1);
    EXPECT_EQ(reader->FileTable().Items(0).Offset, 0);
    EXPECT_EQ(reader->FileTable().Items(0).Size, int64_t(kIni.size()));
    EXPECT_EQ(Extract(*reader, u"Uninstall.ini"), kIni);
}

TEST(Package, RoundTripsManyFilesInOrderAndFindsNamesIgnoringCase) {
    const std::vector<TFile> files = {{u"Install.xml", Bytes("<setup/>")},
                                      {u"Languages\\\u0420\u0443\u0441\u0441\u043A\u0438\u0439.lng", Bytes("[Common]")},
                                      {u"empty.txt", {}},
                                      {u"big.bin", TestSupport::RandomBytes(300000, 5)},
                                      {u"INSTALL.XML", Bytes("shadowed")}};
    auto reader = Open(Build(files, 5));
    ASSERT_EQ(reader->FileTable().Count(), 5);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(reader->FileTable().Items(i).Name, files[i].Name);
    EXPECT_EQ(Extract(*reader, u"install.XML"), Bytes("<setup/>"));  // the first of equal names
    EXPECT_EQ(Extract(*reader, u"LANGUAGES\\\u0440\u0443\u0441\u0441\u043A\u0438\u0439.LNG"), Bytes("[Common]"));
    EXPECT_TRUE(Extract(*reader, u"empty.txt").empty());
    EXPECT_EQ(Extract(*reader, u"big.bin"), files[3].Data);
    EXPECT_FALSE(reader->Contains(u"Install.xm"));
    std::unique_ptr<TMemoryStream> none;
    EXPECT_FALSE(reader->ExtractFile(u"missing", none));
    EXPECT_EQ(none, nullptr);
}

TEST(Package, EmptyTableOpensAndTrailingBytesAreIgnored) {
    auto package = Build({});
    auto reader = Open(package);
    EXPECT_EQ(reader->FileTable().Count(), 0);
    EXPECT_FALSE(reader->Contains(u"Install.xml"));

    package = Build({{u"a", Bytes("abc")}});
    package.insert(package.end(), 4096, 0x5A);
    EXPECT_EQ(Extract(*Open(package), u"a"), Bytes("abc"));
}

TEST(Package, OpensAtTheStreamPosition) {
    TBytes data = Bytes("MZ stub before the package");
    const size_t start = data.size();
    const TBytes package = Build({{u"a", Bytes("abc")}});
    data.insert(data.end(), package.begin(), package.end());
    TMemoryStream stream = TestSupport::MemoryStreamOf(data);
    stream.SetPosition(static_cast<int64_t>(start));
    TSetupPackageReader reader(stream);
    EXPECT_EQ(Extract(reader, u"a"), Bytes("abc"));
}

TEST(Package, WrongMagicKeyOrHeaderIsCorrupted) {
    const TBytes good = Build({{u"Uninstall.ini", kIni}});
    ASSERT_EQ(OpenResult(good), "OK");
    for (int k = 0; k < 4; ++k) {
        TBytes bad = good;
        bad[k] ^= 0x20;  // "iPK5", "IpK5", "IPk5" and a changed digit
        EXPECT_EQ(OpenResult(bad), "corrupted") << k;
    }
    for (int k = 4; k < 12; ++k) {
        TBytes bad = good;
        bad[k] ^= 0x01;  // checksum and size
        EXPECT_EQ(OpenResult(bad), "corrupted") << k;
    }
    EXPECT_THROW(Open(Build({{u"a", Bytes("abc")}}, 4, u"0000000000")), ESetupPackageReadError);
    EXPECT_NO_THROW(Open(Build({{u"a", Bytes("abc")}}, 4, u"other key"), u"other key"));
}

// The reader reserves room for the body before decoding; a header declaring far more than
// the stream can hold must still end as a corrupted package, not as an allocation failure.
TEST(Package, DeclaredBodySizeBeyondTheStreamIsCorrupted) {
    const TBytes good = Build({{u"Uninstall.ini", kIni}, {u"x", TestSupport::RandomBytes(3000, 2)}});
    for (const uint32_t declared : {0xFFFFFFFFu, 0x80000000u, uint32_t(good.size() * 64)}) {
        TBytes bad = good;
        for (int k = 0; k < 4; ++k) bad[8 + k] = static_cast<uint8_t>(declared >> (8 * k));
        EXPECT_EQ(OpenResult(bad), "corrupted") << declared;
    }
}

TEST(Package, EveryTruncationIsCorruptedOrAReadError) {
    const TBytes good = Build({{u"Uninstall.ini", kIni}, {u"x", TestSupport::RandomBytes(3000, 2)}});
    for (size_t length = 0; length < good.size(); ++length) {
        const TBytes cut(good.begin(), good.begin() + length);
        EXPECT_EQ(OpenResult(cut), length < 12 ? "read error" : "corrupted") << length;
    }
}

TEST(Package, DamagedStreamBytesNeverYieldWrongContent) {
    const TBytes original = TestSupport::RandomBytes(3000, 2);
    const TBytes good = Build({{u"Uninstall.ini", kIni}, {u"x", original}});
    int refused = 0;
    for (size_t k = 12; k < good.size(); ++k) {
        TBytes bad = good;
        bad[k] ^= 0x55;
        const std::string result = OpenResult(bad);
        if (result == "OK") {
            // Some bytes do not matter: the dictionary size (the output is smaller) and the
            // range coder's last flush bytes. What opens must still be the original.
            auto reader = Open(bad);
            EXPECT_EQ(Extract(*reader, u"x"), original) << k;
            EXPECT_EQ(Extract(*reader, u"Uninstall.ini"), kIni) << k;
        } else {
            EXPECT_TRUE(result == "corrupted" || result.rfind("LZMA Error (", 0) == 0) << k << ": " << result;
            ++refused;
        }
    }
    EXPECT_GT(refused, int(good.size()) - 12 - 10);
    TBytes impossible = good;
    impossible[12] = static_cast<uint8_t>(225 ^ '7');  // properties byte out of range
    EXPECT_EQ(OpenResult(impossible), "LZMA Error (4)");
}

TEST(Package, FileTablesThatDoNotFitTheBodyAreCorrupted) {
    const TBytes data = Bytes("0123456789");
    const struct {
        const char* What;
        TBytes Body;
        const char* Expected;
    } cases[] = {
        {"valid", BodyWith(data, 1, {{u"f", 2, 8}}), "OK"},
        {"negative count is an empty table", BodyWith(data, -5, {}), "OK"},
        {"entry reaching the table", BodyWith(data, 1, {{u"f", 2, 9}}), "corrupted"},
        {"offset beyond the data", BodyWith(data, 1, {{u"f", 11, 0}}), "corrupted"},
        {"negative offset", BodyWith(data, 1, {{u"f", -1, 1}}), "corrupted"},
        {"negative size", BodyWith(data, 1, {{u"f", 2, -1}}), "corrupted"},
        {"overflowing offset + size", BodyWith(data, 1, {{u"f", 5, INT64_MAX}}), "corrupted"},
        {"more entries than bytes", BodyWith(data, 0x7FFFFFFF, {{u"f", 0, 1}}), "corrupted"},
        {"count without its entries", BodyWith(data, 2, {{u"f", 0, 1}}), "corrupted"},
        {"table size beyond the body", BodyWith(data, 1, {{u"f", 0, 1}}, 1000), "corrupted"},
        {"table size cutting an entry", BodyWith(data, 1, {{u"f", 0, 1}}, -3), "corrupted"},
        {"table size below Count", BodyWith({}, 0, {}, -4), "corrupted"},
        {"body too short for a table size", TBytes{1, 2}, "corrupted"},
        {"empty entry name", BodyWith(data, 1, {{u"", 0, 3}}), "OK"},
        {"empty body", TBytes{}, "corrupted"},
    };
    for (const auto& c : cases) EXPECT_EQ(OpenResult(PackageAroundBody(c.Body)), c.Expected) << c.What;

    // A name that claims more code units than the table holds.
    TBytes body = data;
    Put(body, 1, 4);
    Put(body, 0xFFFF, 2);
    Put(body, 6, 4);
    EXPECT_EQ(OpenResult(PackageAroundBody(body)), "corrupted");
}

TEST(Package, ImplausibleBodySizeIsCorruptedWithoutAllocatingIt) {
    // 25 bytes that declare a 4 GiB body and a 4 GiB dictionary.
    TBytes package = Bytes("IPK5");
    for (int k = 0; k < 8; ++k) package.push_back(0xFF);
    const TBytes stream = {0x5D, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
    for (size_t k = 0; k < stream.size(); ++k) package.push_back(stream[k] ^ "7203958146"[k % 10]);
    EXPECT_EQ(OpenResult(package), "corrupted");
}

TEST(Package, ScramblerDependsOnlyOnTheStreamOffset) {
    const auto data = TestSupport::RandomBytes(101, 9);
    TBytes whole = data, pieces = data;
    TSetupPackageScrambler a(kPackageKey), b(kPackageKey);
    a.Apply(whole.data(), whole.size());
    for (size_t at = 0, step = 1; at < pieces.size(); at += step, step += 2)
        b.Apply(pieces.data() + at, std::min(step, pieces.size() - at));
    EXPECT_EQ(whole, pieces);
    EXPECT_EQ(a.Position(), 1);  // 101 mod 10
    for (size_t k = 0; k < data.size(); ++k) EXPECT_EQ(whole[k], data[k] ^ "7203958146"[k % 10]);
    b = TSetupPackageScrambler(kPackageKey);
    b.Apply(whole.data(), whole.size());
    EXPECT_EQ(whole, data);
}

TEST(Package, ScramblerRepeatsTheKeyOverLongRunsAndAnySplit) {
    const auto data = TestSupport::RandomBytes(5000, 11);
    for (const std::u16string& key : {std::u16string(kPackageKey), std::u16string(u"K"), std::u16string(u"seven77"),
                                     std::u16string(300, u'q') + u"end"}) {
        TBytes whole = data, pieces = data;
        TSetupPackageScrambler a(key), b(key);
        a.Apply(whole.data(), whole.size());
        for (size_t at = 0, step = 1; at < pieces.size(); at += step, step = step * 3 % 1031)
            b.Apply(pieces.data() + at, std::min(step, pieces.size() - at));
        const std::string ansi = ORV::Utf16ToUtf8(key);
        for (size_t k = 0; k < data.size(); ++k)
            ASSERT_EQ(whole[k], data[k] ^ uint8_t(ansi[k % ansi.size()])) << ansi.size() << " at " << k;
        EXPECT_EQ(pieces, whole) << ansi.size();
        EXPECT_EQ(a.Position(), int32_t(data.size() % ansi.size()));
        EXPECT_EQ(b.Position(), a.Position());
    }
    TBytes unchanged = data;
    TSetupPackageScrambler(u"").Apply(unchanged.data(), unchanged.size());
    EXPECT_EQ(unchanged, data);
}

TEST(Package, BuilderRejectsNamesTheTableCannotHold) {
    TSetupPackageBuilder builder;
    TMemoryStream source;
    EXPECT_THROW(builder.AddFile(source, std::u16string(0x10000, u'a')), EInvalidOperation);
    EXPECT_NO_THROW(builder.AddFile(source, std::u16string(0xFFFF, u'a')));
}

TEST(Package, SaveToFileReplacesTheFile) {
    TestSupport::TTempDir dir;
    TestSupport::WriteAll(dir / "Uninstall.dat", TBytes(100000, 1));
    TSetupPackageBuilder builder;
    TMemoryStream source = TestSupport::MemoryStreamOf(kIni);
    builder.AddFile(source, u"Uninstall.ini");
    builder.SaveToFile(dir.File("Uninstall.dat"), 4);
    TFileStream file(dir.File("Uninstall.dat"), fmOpenRead);
    TSetupPackageReader reader(file);
    EXPECT_EQ(Extract(reader, u"uninstall.INI"), kIni);
}
