#include "ORV.Classes.Streams.h"
#include "ORV.FileFormats.INI.h"
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "ORV.Win32.h"
#endif

#include <climits>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace ORV;
using TestSupport::ReadAll;
using TestSupport::WriteAll;

namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::vector<uint8_t> bytes = bigEndian ? std::vector<uint8_t>{0xFE, 0xFF} : std::vector<uint8_t>{0xFF, 0xFE};
    for (const char16_t c : text) {
        const auto high = static_cast<uint8_t>(c >> 8), low = static_cast<uint8_t>(c & 0xFF);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    }
    return bytes;
}

std::vector<uint8_t> Saved(const TORVIniFile& ini, TORVTextEncoding encoding) {
    TMemoryStream stream;
    ini.SaveToStream(stream, encoding);
    return {stream.Memory(), stream.Memory() + stream.Size()};
}

// The saved text without its byte-order mark.
std::u16string SavedText(const TORVIniFile& ini) {
    const auto bytes = Saved(ini, teUtf16LE);
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) text.push_back(char16_t(bytes[i] | bytes[i + 1] << 8));
    return text;
}

void Load(TORVIniFile& ini, const std::vector<uint8_t>& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), bytes.size());
    stream.SetPosition(0);
    ini.LoadFromStream(stream);
}

std::unique_ptr<TORVIniFile> FromText(std::u16string_view text) {
    auto ini = TORVIniFile::Create();
    ini->LoadFromText(text);
    return ini;
}

std::string Printable(std::u16string_view text) { return testing::PrintToString(Utf16ToUtf8(text)); }

} // namespace

TEST(IniFile, TextIsNormalisedToTheWrittenLayout) {
    const struct {
        const char16_t* Text;
        const char16_t* Saved;
    } cases[] = {
        // Header names lose their last character, whatever it is.
        {u"[Main\r\nA=1", u"[Mai]\r\nA=1\r\n\r\n"},
        {u"[Main] ; note\r\nA=1", u"[Main] ; not]\r\nA=1\r\n\r\n"},
        {u"[S]]\r\nA=1", u"[S]]\r\nA=1\r\n\r\n"},
        {u"[S\U0001D11E\r\nA=1\r\n[\U0001D11E\r\nB=2", u"[S]\r\nA=1\r\n\r\n[]\r\nB=2\r\n\r\n"},
        {u"[]\r\nA=1\r\n[\r\nB=2", u"[]\r\nA=1\r\nB=2\r\n\r\n"},
        // Lines before the first header go, a blank before "[" makes an ordinary line.
        {u"x=1\r\n [S]\r\n[S]\r\ny=2\r\n [T]", u"[S]\r\ny=2\r\n [T]\r\n\r\n"},
        // Empty lines go, a repeated header continues its section, empty sections are not written.
        {u"[A]\r\na=1\r\n\r\n\r\n[E]\r\n[B]\r\nb=1\r\n[a]\r\nc=1",
         u"[A]\r\na=1\r\nc=1\r\n\r\n[B]\r\nb=1\r\n\r\n"},
        // Every kind of line break; LF CR is two breaks around an empty line.
        {u"[S]\ra\nb\r\nc\u2028d\u2028\r\ne\u2028\nf\n\rg", u"[S]\r\na\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\n\r\n"},
        // Lines are kept as they are: blanks, tabs, duplicates and nameless lines.
        {u"[S]\r\n\tKey = 1 \r\nk=1\r\nK=2\r\n; note\r\n=x", u"[S]\r\n\tKey = 1 \r\nk=1\r\nK=2\r\n; note\r\n=x\r\n\r\n"},
        {u"", u""},
        {u"no header at all", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(SavedText(*FromText(c.Text)), c.Saved) << Printable(c.Text);
}

TEST(IniFile, FirstMatchingLineWinsIgnoringCase) {
    auto ini = FromText(u"[Main]\r\nKey=Value\r\nkey=Other");
    EXPECT_EQ(ini->ReadString(u"main", u"KEY", u"-"), u"Value");
    ini->WriteString(u"Main", u"KEY", u"x");
    EXPECT_EQ(SavedText(*ini), u"[Main]\r\nKEY=x\r\nkey=Other\r\n\r\n");
    EXPECT_TRUE(ini->DeleteKey(u"MAIN", u"key"));
    EXPECT_EQ(ini->ReadString(u"main", u"Key", u"-"), u"Other");
    EXPECT_FALSE(ini->DeleteKey(u"Main", u"absent"));
    EXPECT_FALSE(ini->DeleteKey(u"Absent", u"key"));
}

TEST(IniFile, BlanksAroundTheEqualsSignBelongToNameAndValue) {
    auto ini = FromText(u"[S]\r\nKey = 1");
    EXPECT_EQ(ini->ReadInteger(u"S", u"Key", 7), 7);
    EXPECT_FALSE(ini->ExistsKey(u"S", u"Key"));
    EXPECT_EQ(ini->ReadString(u"S", u"Key ", u"-"), u" 1");
    EXPECT_EQ(ini->ReadInteger(u"S", u"Key ", 7), 1);  // leading blanks of a number are allowed
}

TEST(IniFile, AbsentAndEmptyValuesAreDistinguished) {
    auto ini = FromText(u"[S]\r\nEmpty=\r\n; note");
    std::u16string value = u"junk";
    EXPECT_TRUE(ini->TryReadString(u"S", u"Empty", value));
    EXPECT_EQ(value, u"");
    value = u"junk";
    EXPECT_FALSE(ini->TryReadString(u"S", u"Missing", value));
    EXPECT_EQ(value, u"");
    EXPECT_FALSE(ini->TryReadString(u"Missing", u"Empty", value));
    EXPECT_EQ(ini->ReadString(u"S", u"Missing", u"default"), u"default");
    EXPECT_TRUE(ini->ExistsSection(u"s"));
    EXPECT_FALSE(ini->ExistsSection(u"S "));
}

TEST(IniFile, IntegersAndBooleansFallBackToTheDefault) {
    const struct {
        const char16_t* Value;
        int32_t Integer;  // read with the default -99
    } integers[] = {
        {u"42", 42},          {u"-42", -42},          {u"+5", 5},           {u"   12", 12},
        {u"007", 7},          {u"$1F", 31},           {u"0x1f", 31},        {u"0X10", 16},
        {u"-$10", -16},       {u"$FFFFFFFF", -1},     {u"2147483647", INT_MAX},
        {u"-2147483648", INT_MIN},                    {u"2147483648", -99}, {u"$100000000", -99},
        {u"", -99},           {u"12 ", -99},          {u"1.5", -99},        {u"0x", -99},
        {u"$", -99},          {u"- 1", -99},          {u"\t1", -99},        {u"abc", -99},
        {u"0x1g", -99},       {u"１２", -99},
    };
    for (const auto& c : integers) {
        auto ini = TORVIniFile::Create();
        ini->WriteString(u"S", u"K", c.Value);
        EXPECT_EQ(ini->ReadInteger(u"S", u"K", -99), c.Integer) << Printable(c.Value);
        EXPECT_EQ(ini->GetSection(u"S", false)->ReadInteger(u"k", -99), c.Integer) << Printable(c.Value);
    }

    auto ini = FromText(u"[S]\r\nWord=true\r\nTwo=2\r\nZero=0\r\nEmpty=");
    const struct {
        const char16_t* Key;
        bool Default;
        bool Expected;
    } booleans[] = {{u"Word", false, false}, {u"Word", true, true},   {u"Two", false, true},
                    {u"Zero", true, false},  {u"Empty", true, true},  {u"Missing", true, true}};
    for (const auto& c : booleans)
        EXPECT_EQ(ini->ReadBool(u"S", c.Key, c.Default), c.Expected) << Printable(c.Key) << " " << c.Default;
}

TEST(IniFile, TypedWritesUseTheirTextForms) {
    auto ini = TORVIniFile::Create();
    ini->WriteInteger(u"S", u"Int", -5);
    ini->WriteBool(u"S", u"Yes", true);
    ini->WriteBool(u"S", u"No", false);
    ini->WriteRect(u"S", u"Rect", TRect{1, -2, 3, 4});
    ini->WriteInteger(u"S", u"Gone", 3);
    ini->WriteInteger(u"S", u"Gone", 0, 0);  // the default deletes
    ini->WriteBool(u"S", u"Kept", true, false);
    ini->WriteBool(u"S", u"Yes", true, true);
    EXPECT_EQ(SavedText(*ini), u"[S]\r\nInt=-5\r\nNo=0\r\nRect=1,-2,3,4\r\nKept=1\r\n\r\n");

    EXPECT_EQ(ini->ReadRect(u"S", u"Rect"), (TRect{1, -2, 3, 4}));
    EXPECT_EQ(ini->ReadRect(u"S", u"Missing"), TRect{});
    const TRect fallback{9, 9, 9, 9};
    EXPECT_EQ(ini->ReadRect(u"S", u"Missing", fallback), fallback);
    ini->WriteString(u"S", u"Short", u"1,x,3");
    EXPECT_EQ(ini->ReadRect(u"S", u"Short", fallback), (TRect{1, 9, 3, 9}));
}

TEST(IniFile, BinaryValuesRoundTripAsLowerCaseHex) {
    const std::vector<uint8_t> data = {0x00, 0x7F, 0xAB, 0xFF};
    TMemoryStream source;
    source.WriteBuffer(data.data(), data.size());
    auto ini = TORVIniFile::Create();
    ini->WriteStream(u"S", u"Blob", source);
    EXPECT_EQ(ini->ReadString(u"S", u"Blob", u""), u"007fabff");
    EXPECT_EQ(source.Position(), 4) << "the source keeps its position";

    ini->WriteString(u"S", u"Upper", u"007FABFF");
    for (const char16_t* key : {u"Blob", u"Upper"}) {
        TMemoryStream read;
        ASSERT_TRUE(ini->ReadStream(u"S", key, read));
        EXPECT_EQ(read.Position(), 0);
        EXPECT_EQ(std::vector<uint8_t>(read.Memory(), read.Memory() + read.Size()), data);
    }

    TMemoryStream empty;
    ini->WriteStream(u"S", u"Blob", empty);
    EXPECT_FALSE(ini->ExistsKey(u"S", u"Blob"));
    ini->WriteStream(u"New", u"Blob", empty);
    EXPECT_TRUE(ini->ExistsSection(u"New")) << "an empty stream still makes the section";
}

TEST(IniFile, MalformedBinaryValuesLeaveTheStreamAlone) {
    auto ini = FromText(u"[S]\r\nBadDigit=0g\r\nOdd=abc\r\nEmpty=\r\nBadLater=00zz");
    for (const char16_t* key : {u"BadDigit", u"Odd", u"Empty", u"BadLater", u"Missing"}) {
        TMemoryStream stream;
        stream.WriteBuffer("xyz", 3);
        stream.SetPosition(1);
        EXPECT_FALSE(ini->ReadStream(u"S", key, stream)) << Printable(key);
        EXPECT_EQ(stream.Size(), 3);
        EXPECT_EQ(stream.Position(), 1);
        bool called = false;
        EXPECT_FALSE(ini->ReadStream(u"S", key, [&](TStream&) { called = true; }));
        EXPECT_FALSE(called);
    }
}

TEST(IniFile, ReadStreamHandlerSeesTheRewoundDataAndItsExceptionsAreSwallowed) {
    auto ini = FromText(u"[S]\r\nBlob=414243");
    std::string seen;
    EXPECT_TRUE(ini->ReadStream(u"S", u"Blob", [&](TStream& stream) {
        char buffer[8] = {};
        seen.assign(buffer, stream.Read(buffer, sizeof buffer));
    }));
    EXPECT_EQ(seen, "ABC");
    EXPECT_FALSE(ini->ReadStream(u"S", u"Blob", [](TStream&) { throw std::runtime_error("bad icon"); }));
}

TEST(IniFile, SectionTextKeepsEveryLine) {
    auto ini = FromText(u"[S]\r\na=1\r\n; note\r\n=x\r\nb=2\r\na=3");
    TORVStringList keys;
    keys.Add(u"kept");
    ini->ReadKeys(u"s", keys);
    EXPECT_EQ(keys.Text(), u"kept\r\na\r\nb\r\na\r\n");
    EXPECT_EQ(ini->ReadSectionText(u"S"), u"a=1\r\n; note\r\n=x\r\nb=2\r\na=3\r\n");
    EXPECT_EQ(ini->ReadSectionText(u"Missing"), u"");

    ini->WriteSectionText(u"S", u"x=1\r\n\r\ny=2\r\n");
    ini->WriteSectionText(u"New", u"z=3");
    EXPECT_EQ(SavedText(*ini), u"[S]\r\nx=1\r\n\r\ny=2\r\n\r\n[New]\r\nz=3\r\n\r\n");
}

TEST(IniFile, LineBreaksInsideAValueBecomeLinesAfterAReload) {
    auto ini = TORVIniFile::Create();
    ini->WriteString(u"S", u"k", u"before\r\nafter=1");
    EXPECT_EQ(ini->ReadString(u"S", u"k", u""), u"before\r\nafter=1");
    auto reloaded = TORVIniFile::Create();
    reloaded->Assign(ini.get());
    EXPECT_EQ(reloaded->ReadString(u"S", u"k", u""), u"before");
    EXPECT_EQ(reloaded->ReadString(u"S", u"after", u""), u"1");
    EXPECT_EQ(reloaded->GetSection(u"S", false)->Count(), 2);
}

TEST(IniFile, KeysAreFoundByTheNameTheLineHas) {
    // The cached hash of a written or edited line must be that of the name it is read by.
    auto ini = TORVIniFile::Create();
    ini->WriteString(u"S", u"a=b", u"c");
    EXPECT_EQ(ini->ReadString(u"S", u"a", u"-"), u"b=c");
    EXPECT_FALSE(ini->ExistsKey(u"S", u"a=b"));
    ini->GetSection(u"S", false)->SetString(0, u"z=9");
    EXPECT_EQ(ini->ReadString(u"S", u"z", u"-"), u"9");
    EXPECT_FALSE(ini->ExistsKey(u"S", u"a"));
    ini->GetSection(u"S", false)->Insert(0, u"y=8", 12345);
    EXPECT_EQ(ini->ReadString(u"S", u"Y", u"-"), u"8");
    EXPECT_EQ(TORVIniFileSection::HashOf(u"abc"), 17763u);
    EXPECT_EQ(TORVIniFileSection::HashOf(u"ABC"), 17763u);
}

TEST(IniFile, SectionsThatLoseAllLinesAreNotWritten) {
    auto ini = FromText(u"[A]\r\nk=1\r\n[B]\r\nx=1");
    ini->DeleteKey(u"A", u"k");
    EXPECT_TRUE(ini->ExistsSection(u"A"));
    EXPECT_EQ(SavedText(*ini), u"[B]\r\nx=1\r\n\r\n");
    auto reloaded = TORVIniFile::Create();
    reloaded->Assign(ini.get());
    EXPECT_FALSE(reloaded->ExistsSection(u"A"));
}

TEST(IniFile, DeletedSectionsAreNoLongerFound) {
    auto ini = FromText(u"[A]\r\nk=1\r\n[B]\r\nx=1");
    EXPECT_EQ(ini->ReadString(u"a", u"k", u""), u"1");  // A is now the cached last section
    EXPECT_TRUE(ini->DeleteSection(u"A"));
    EXPECT_FALSE(ini->DeleteSection(u"A"));
    EXPECT_EQ(ini->ReadString(u"A", u"k", u"gone"), u"gone");
    ini->WriteString(u"a", u"k", u"2");
    EXPECT_EQ(SavedText(*ini), u"[B]\r\nx=1\r\n\r\n[a]\r\nk=2\r\n\r\n");
    EXPECT_EQ(ini->SectionCount(), 2);
    EXPECT_EQ(ini->SectionName(1), u"a");
    EXPECT_THROW(ini->Sections(2), EListError);
    ini->Clear();
    EXPECT_TRUE(ini->IsEmpty());
    EXPECT_FALSE(ini->ExistsSection(u"B"));
}

TEST(IniFile, EncodingIsDetectedFromTheMark) {
    const std::u16string body = u"[S]\r\nk=v\u00E9\r\n";
    const struct {
        const char* Name;
        std::vector<uint8_t> Bytes;
        TORVTextEncoding Encoding;
        std::u16string Value;
    } cases[] = {
        {"UTF-8", Bytes("\xEF\xBB\xBF[S]\r\nk=v\xC3\xA9\r\n"), teUtf8, u"v\u00E9"},
        {"UTF-16 LE", Utf16Bytes(body, false), teUtf16LE, u"v\u00E9"},
        {"UTF-16 BE", Utf16Bytes(body, true), teUtf16BE, u"v\u00E9"},
        {"no mark", Bytes("[S]\r\nk=v\xC3\xA9\r\n"), teAnsi, u"v" + Platform::AnsiToString("\xC3\xA9")},
        {"malformed UTF-8", Bytes("\xEF\xBB\xBF[S]\r\nk=v\xE9\r\n"), teUtf8, u"v" + Platform::AnsiToString("\xE9")},
        {"odd UTF-16 byte", [&] {
             auto bytes = Utf16Bytes(u"[S]\r\nk=v", false);
             bytes.push_back('A');
             return bytes;
         }(), teUtf16LE, u"v"},
        {"short mark", Bytes("\xEF\xBB"), teAnsi, u""},
        {"mark only", Bytes("\xFE\xFF"), teUtf16BE, u""},
    };
    for (const auto& c : cases) {
        auto ini = TORVIniFile::Create();
        Load(*ini, c.Bytes);
        EXPECT_EQ(ini->Encoding(), c.Encoding) << c.Name;
        EXPECT_EQ(ini->ReadString(u"S", u"k", u""), c.Value) << c.Name;
    }
}

TEST(IniFile, LoadFromStreamStartsAtTheStreamPosition) {
    TMemoryStream stream;
    stream.WriteBuffer("junk", 4);
    const auto bytes = Utf16Bytes(u"[S]\r\nk=v\r\n", true);
    stream.WriteBuffer(bytes.data(), bytes.size());
    stream.SetPosition(4);
    auto ini = TORVIniFile::Create();
    ini->LoadFromStream(stream);
    EXPECT_EQ(ini->Encoding(), teUtf16BE);
    EXPECT_EQ(ini->ReadString(u"S", u"k", u""), u"v");
}

TEST(IniFile, FilesInCanonicalLayoutAreWrittenBackByteForByte) {
    const std::u16string text =
        u"[Main]\r\nName=Caf\u00E9 \u20AC \U0001D11E\r\nKey = 1\r\n; note\r\n=x\r\n\r\n[Other]\r\nk=v\r\nk=dup\r\n\r\n";
    const std::u16string ansiText = u"[Main]\r\nName=Caf\u00E9\r\nKey = 1\r\n; note\r\n\r\n[Other]\r\nk=v\r\n\r\n";
    const std::string ansi = Platform::StringToAnsi(ansiText);
    const struct {
        const char* Name;
        std::vector<uint8_t> Bytes;
        TORVTextEncoding Encoding;
    } cases[] = {
        {"UTF-8 with mark", Bytes("\xEF\xBB\xBF" + Utf16ToUtf8(text)), teUtf8},
        {"UTF-8 without mark", Bytes(Utf16ToUtf8(text)), teAnsi},
        {"ANSI", Bytes(ansi), teAnsi},
        {"UTF-16 LE", Utf16Bytes(text, false), teUtf16LE},
        {"UTF-16 BE", Utf16Bytes(text, true), teUtf16BE},
    };
    TestSupport::TTempDir dir;
    for (const auto& c : cases) {
        const auto path = dir / "round.ini";
        WriteAll(path, c.Bytes);
        auto ini = TORVIniFile::Create(path.u16string());
        EXPECT_EQ(ini->Encoding(), c.Encoding) << c.Name;
        EXPECT_EQ(ini->ReadString(u"Other", u"k", u""), u"v") << c.Name;
        EXPECT_FALSE(ini->Modified());
        ini->WriteString(u"Other", u"k", u"v");  // a change that leaves the text as it was
        std::filesystem::remove(path);
        ASSERT_TRUE(ini->UpdateFile()) << c.Name;
        EXPECT_EQ(ReadAll(path), c.Bytes) << c.Name;
    }
}

TEST(IniFile, AnsiFilesKeepEveryByteOfTheCodePage) {
    if (Platform::AnsiCodePage() != 1252) GTEST_SKIP() << "the fixture is a Windows-1252 text";
    std::string bytes = "[S]\r\nk=";
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n') bytes.push_back(char(b));
    bytes += "\r\n\r\n";
    auto ini = TORVIniFile::Create();
    Load(*ini, Bytes(bytes));
    EXPECT_EQ(ini->ReadString(u"S", u"k", u"").size(), 253u);
    EXPECT_EQ(Saved(*ini, teAnsi), Bytes(bytes));
}

TEST(IniFile, AStoreWithoutAFileSavesAsUtf16LittleEndian) {
    TestSupport::TTempDir dir;
    auto ini = TORVIniFile::Create();
    ini->WriteString(u"S", u"k", u"v");
    ASSERT_TRUE(ini->SaveToFile(dir.File("new.ini"), ini->Encoding()));
    EXPECT_EQ(ReadAll(dir / "new.ini"), Utf16Bytes(u"[S]\r\nk=v\r\n\r\n", false));

    const struct {
        TORVTextEncoding Encoding;
        std::vector<uint8_t> Bytes;
    } cases[] = {{teUtf8, Bytes("\xEF\xBB\xBF[S]\r\nk=v\r\n\r\n")},
                 {teAnsi, Bytes("[S]\r\nk=v\r\n\r\n")},
                 {teUtf16BE, Utf16Bytes(u"[S]\r\nk=v\r\n\r\n", true)}};
    for (const auto& c : cases) EXPECT_EQ(Saved(*ini, c.Encoding), c.Bytes) << c.Encoding;
}

TEST(IniFile, LargeFilesPassThroughTheWriteBuffer) {
    // More than one buffer of output: nothing may be lost or repeated at the boundaries.
    auto ini = TORVIniFile::Create();
    TORVIniFileSection* section = ini->GetSection(u"Big", true);
    const std::u16string filler(48, u'\u00E9');
    for (int i = 0; i < 5000; ++i) section->Add(u"Key" + IntToStr(i) + u"=" + filler + IntToStr(i * 7));
    // One line larger than the buffer on its own.
    section->Add(u"Huge=" + std::u16string(TORVTextWriter::kBufferSize, u'x'));
    for (const TORVTextEncoding encoding : {teUtf8, teUtf16LE, teUtf16BE, teAnsi}) {
        const auto bytes = Saved(*ini, encoding);
        ASSERT_GT(bytes.size(), 2 * TORVTextWriter::kBufferSize);
        auto reloaded = TORVIniFile::Create();
        Load(*reloaded, bytes);
        EXPECT_EQ(reloaded->Encoding(), encoding);
        EXPECT_TRUE(reloaded->Equals(ini.get())) << encoding;
    }
}

TEST(IniFile, UpdateFileWritesOnlyWhatIsBoundAndModified) {
    TestSupport::TTempDir dir;
    auto unbound = TORVIniFile::Create();
    unbound->WriteString(u"S", u"k", u"v");
    EXPECT_FALSE(unbound->UpdateFile());

    const std::u16string path = dir.File("settings.ini");
    auto ini = TORVIniFile::Create(path);
    EXPECT_TRUE(ini->IsEmpty());
    EXPECT_FALSE(ini->Modified());
    EXPECT_TRUE(ini->UpdateFile());
    EXPECT_FALSE(std::filesystem::exists(dir / "settings.ini")) << "nothing changed, nothing written";

    ini->WriteString(u"S", u"k", u"v");
    EXPECT_TRUE(ini->UpdateFile());
    EXPECT_FALSE(ini->Modified());
    EXPECT_EQ(ReadAll(dir / "settings.ini"), Utf16Bytes(u"[S]\r\nk=v\r\n\r\n", false));

    ini->SetFileName(dir.File("no/such/folder/settings.ini"));
    ini->WriteString(u"S", u"k", u"w");
    EXPECT_FALSE(ini->UpdateFile());
    EXPECT_TRUE(ini->Modified());
    EXPECT_FALSE(ini->SaveToFile(u"", teUtf8));
}

TEST(IniFile, SaveToFileReplacesAReadOnlyFile) {
    TestSupport::TTempDir dir;
    const auto path = dir / "locked.ini";
    WriteAll(path, Bytes("[Old]\r\nk=1\r\n\r\n"));
    std::filesystem::permissions(path, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                           std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    auto ini = FromText(u"[New]\r\nk=2");
    ASSERT_TRUE(ini->SaveToFile(path.u16string(), teAnsi));
    EXPECT_EQ(ReadAll(path), Bytes("[New]\r\nk=2\r\n\r\n"));
    // Checked on the file itself: an administrator (or root) could replace it either way.
    EXPECT_NE(std::filesystem::status(path).permissions() & std::filesystem::perms::owner_write,
              std::filesystem::perms::none);
}

#ifdef _WIN32
TEST(IniFile, SaveToFileReplacesAReadOnlyFileBeyondMaxPath) {
    TestSupport::TTempDir dir;
    std::u16string folder = dir.Path().u16string();
    std::vector<std::u16string> folders;
    while (folder.size() < MAX_PATH) {
        folder += u"\\" + std::u16string(60, u'd');
        ASSERT_TRUE(CreateDirectoryW(W(LongPathForm(folder)), nullptr));
        folders.push_back(folder);
    }
    const std::u16string path = folder + u"\\locked.ini";
    ASSERT_TRUE(FromText(u"[Old]\r\nk=1")->SaveToFile(path, teAnsi));
    ASSERT_TRUE(SetFileAttributesW(W(LongPathForm(path)), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

    EXPECT_TRUE(FromText(u"[New]\r\nk=2")->SaveToFile(path, teAnsi));
    EXPECT_EQ(TORVIniFile::Create(path)->ReadString(u"New", u"k", u""), u"2");
    EXPECT_EQ(GetFileAttributesW(W(LongPathForm(path))) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);

    SetFileAttributesW(W(LongPathForm(path)), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(W(LongPathForm(path)));
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) RemoveDirectoryW(W(LongPathForm(*it)));
}
#endif

TEST(IniFile, FilesAreSharedWithOtherReadersAndWriters) {
    TestSupport::TTempDir dir;
    const std::u16string path = dir.File("shared.ini");
    WriteAll(dir / "shared.ini", Bytes("[S]\r\nk=1\r\n"));
    TFileStream holder(path, fmOpenReadWrite, Platform::TFile::fsRead | Platform::TFile::fsWrite);
    auto ini = TORVIniFile::Create(path);
    EXPECT_EQ(ini->ReadString(u"S", u"k", u""), u"1");
    ini->WriteString(u"S", u"k", u"2");
    EXPECT_TRUE(ini->UpdateFile());
    EXPECT_EQ(ReadAll(dir / "shared.ini"), Bytes("[S]\r\nk=2\r\n\r\n"));
}

TEST(IniFile, LoadFromFileOfAMissingFileGivesAnEmptyUnmodifiedStore) {
    TestSupport::TTempDir dir;
    const std::u16string bound = dir.File("bound.ini");
    auto ini = TORVIniFile::Create(bound);
    ini->WriteString(u"S", u"k", u"v");
    ini->LoadFromFile(dir.File("missing.ini"));
    EXPECT_TRUE(ini->IsEmpty());
    EXPECT_FALSE(ini->Modified());
    EXPECT_EQ(ini->FileName(), bound);
}

TEST(IniFile, AutoSaveWritesOnDestruction) {
    TestSupport::TTempDir dir;
    for (const bool autoSave : {false, true}) {
        const auto path = dir / (autoSave ? "auto.ini" : "manual.ini");
        TORVIniFile::Create(path.u16string(), autoSave)->WriteString(u"S", u"k", u"v");
        EXPECT_EQ(std::filesystem::exists(path), autoSave);
    }
}

namespace {

// A derived store whose loading is its own, as the localisation store's is.
class TRecordingIniFile : public TORVIniFile {
public:
    TRecordingIniFile(TCreateKey key, std::u16string fileName, bool autoSave, std::vector<std::u16string>* loads)
        : TORVIniFile(key, std::move(fileName), autoSave), FLoads(loads) {}

    void LoadFromFile(const std::u16string& fileName) override {
        FLoads->push_back(fileName);
        TORVIniFile::LoadFromFile(fileName);
    }

private:
    std::vector<std::u16string>* FLoads;
};

} // namespace

TEST(IniFile, TheVirtualConstructorLoadsThroughTheDerivedClass) {
    TestSupport::TTempDir dir;
    const std::u16string path = dir.File("derived.ini");
    WriteAll(dir / "derived.ini", Bytes("[S]\r\nk=1\r\n"));
    std::vector<std::u16string> loads;
    auto ini = TORVIniFile::Create<TRecordingIniFile>(path, false, &loads);
    EXPECT_EQ(loads, std::vector<std::u16string>{path});
    EXPECT_EQ(ini->ReadString(u"S", u"k", u""), u"1");
    EXPECT_FALSE(ini->Modified());

    auto unbound = TORVIniFile::Create<TRecordingIniFile>(u"", false, &loads);
    EXPECT_EQ(loads.size(), 1u) << "no file, no loading";
}

TEST(IniFile, ChangesSetModifiedAndNotifyOncePerBracket) {
    TestSupport::TTempDir dir;
    WriteAll(dir / "events.ini", Bytes("[S]\r\nk=1\r\n"));
    const struct {
        const char* Name;
        std::function<void(TORVIniFile&)> Action;
        int Events;
        bool Modified;
    } cases[] = {
        {"WriteString", [](TORVIniFile& ini) { ini.WriteString(u"S", u"k", u"2"); }, 1, true},
        {"bracketed writes",
         [](TORVIniFile& ini) {
             ini.BeginUpdate();
             ini.WriteString(u"S", u"a", u"1");
             ini.WriteString(u"T", u"b", u"2");
             ini.EndUpdate();
         },
         1, true},
        {"empty bracket", [](TORVIniFile& ini) { ini.BeginUpdate(), ini.EndUpdate(); }, 1, true},
        {"new empty section", [](TORVIniFile& ini) { ini.GetSection(u"New", true); }, 0, false},
        {"delete absent key", [](TORVIniFile& ini) { ini.DeleteKey(u"S", u"absent"); }, 0, false},
        {"delete key", [](TORVIniFile& ini) { ini.DeleteKey(u"S", u"k"); }, 1, true},
        {"edit a section", [](TORVIniFile& ini) { ini.GetSection(u"S", false)->Add(u"x=1"); }, 1, true},
        {"section text", [](TORVIniFile& ini) { ini.WriteSectionText(u"S", u"a\nb\nc"); }, 1, true},
        {"Clear", [](TORVIniFile& ini) { ini.Clear(); }, 1, true},
        {"LoadFromText", [](TORVIniFile& ini) { ini.LoadFromText(u"[S]\r\nk=1"); }, 1, true},
        {"same file name", [](TORVIniFile& ini) { ini.SetFileName(AsciiUpperCase(ini.FileName())); }, 0, false},
        {"other file name", [](TORVIniFile& ini) { ini.SetFileName(ini.FileName() + u".bak"); }, 1, true},
        {"LoadFromFile", [](TORVIniFile& ini) { ini.LoadFromFile(ini.FileName()); }, 1, false},
    };
    for (const auto& c : cases) {
        auto ini = TORVIniFile::Create(dir.File("events.ini"));
        int events = 0;
        ini->SetOnChanged([&](TORVIniFile& sender) {
            EXPECT_EQ(&sender, ini.get());
            ++events;
        });
        c.Action(*ini);
        EXPECT_EQ(events, c.Events) << c.Name;
        EXPECT_EQ(ini->Modified(), c.Modified) << c.Name;
    }
}

TEST(IniFile, AssignCopiesTheSavedText) {
    auto source = FromText(u"[Empty]\r\n[S]\r\nk=v");
    source->SetEncoding(teUtf8);
    auto copy = TORVIniFile::Create();
    copy->SetEncoding(teAnsi);
    copy->WriteString(u"Old", u"k", u"v");
    copy->Assign(source.get());
    EXPECT_EQ(copy->Encoding(), teUtf16LE);
    EXPECT_FALSE(copy->ExistsSection(u"Empty"));
    EXPECT_FALSE(copy->ExistsSection(u"Old"));
    EXPECT_EQ(copy->ReadString(u"S", u"k", u""), u"v");

    copy->Assign(copy.get());
    EXPECT_EQ(copy->ReadString(u"S", u"k", u""), u"v") << "assigning a store to itself keeps it";
    copy->Assign(nullptr);
    EXPECT_TRUE(copy->IsEmpty());
}

TEST(IniFile, MergeAddsMissingKeysAndCopiesMissingSectionsWhole) {
    const char16_t* const target = u"[A]\r\na=1\r\nb=2";
    auto source = FromText(u"[a]\r\na=9\r\nc=3\r\n; only in the source\r\n[B]\r\n; hello\r\nx=1");
    const struct {
        bool Overwrite;
        const char16_t* Saved;
    } cases[] = {
        {false, u"[A]\r\na=1\r\nb=2\r\nc=3\r\n\r\n[B]\r\n; hello\r\nx=1\r\n\r\n"},
        {true, u"[A]\r\na=9\r\nb=2\r\nc=3\r\n\r\n[B]\r\n; hello\r\nx=1\r\n\r\n"},
    };
    for (const auto& c : cases) {
        auto ini = FromText(target);
        ini->Merge(*source, c.Overwrite);
        EXPECT_EQ(SavedText(*ini), c.Saved) << c.Overwrite;
    }

    TestSupport::TTempDir dir;
    ASSERT_TRUE(source->SaveToFile(dir.File("source.ini"), teUtf8));
    auto ini = FromText(target);
    ini->Merge(dir.File("source.ini"), false);
    EXPECT_EQ(SavedText(*ini), cases[0].Saved);
    ini->Merge(dir.File("missing.ini"), true);
    EXPECT_EQ(SavedText(*ini), cases[0].Saved);
}

TEST(IniFile, EqualsComparesTheSavedText) {
    auto a = FromText(u"[S]\r\nk=v\r\n[Empty]");
    auto b = FromText(u"[S]\r\n\r\nk=v");
    b->SetEncoding(teUtf8);
    EXPECT_TRUE(a->Equals(b.get()));
    EXPECT_FALSE(a->Equals(nullptr));
    b->WriteString(u"S", u"k", u"V");
    EXPECT_FALSE(a->Equals(b.get()));
    EXPECT_TRUE(TORVIniFile::Create()->Equals(TORVIniFile::Create().get()));
}

// The message store is read by the interface thread and the worker at once; the look-up caches
// must never hand one reader the section another reader just found.
TEST(IniFile, ConcurrentReadersGetTheirOwnSections) {
    TORVIniFile ini;
    ini.LoadFromText(u"[Common]\r\nE4=common\r\n[Finish]\r\nE4=finish\r\n[Other]\r\nX=1\r\n");
    const auto reader = [&ini](const char16_t* section, const char16_t* expected, int& wrong) {
        for (int i = 0; i < 20000; ++i)
            if (ini.ReadString(section, u"E4", u"") != expected) ++wrong;
    };
    int wrongCommon = 0, wrongFinish = 0;
    std::thread first(reader, u"Common", u"common", std::ref(wrongCommon));
    std::thread second(reader, u"finish", u"finish", std::ref(wrongFinish));
    first.join();
    second.join();
    EXPECT_EQ(wrongCommon, 0);
    EXPECT_EQ(wrongFinish, 0);
}
