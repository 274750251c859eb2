#include "Ipk5.Tool.h"
#include "ORV.Classes.Streams.h"
#include "Setup.Core.Package.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace fs = std::filesystem;
using TestSupport::Bytes;
using TestSupport::ReadAll;
using TestSupport::WriteAll;

namespace {

struct TResult {
    int Code;
    std::string Out, Err;
};

TResult RunTool(std::vector<std::u16string> args) {
    std::ostringstream out, err;
    const int code = Ipk5::Run(args, out, err);
    return {code, out.str(), err.str()};
}

class Ipk5Tool : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(FDir / "product" / "Plugins" / "Audio");
        WriteAll(FDir / "product" / "QOVI.exe", TestSupport::RandomBytes(70000, 1));
        WriteAll(FDir / "product" / "b.txt", Bytes("b"));
        WriteAll(FDir / "product" / "Plugins" / "Audio" / "mp3.dll", Bytes("mp3"));
        WriteAll(FDir / "product" / "Plugins" / "a.ini", Bytes("[a]"));
        WriteAll(FDir / "Install.xml", Bytes("<setup/>"));
    }

    std::u16string P(const std::string& relative) const { return (FDir / relative).u16string(); }

    TestSupport::TTempDir FDir;
};

} // namespace

TEST_F(Ipk5Tool, PacksFilesNamedEntriesAndFoldersAndListsThemInOrder) {
    const auto packed = RunTool({u"pack", u"--level", u"3", P("out.ipk"), P("Install.xml"),
                             u"license\\English.rtf=" + P("product/b.txt"), P("product")});
    ASSERT_EQ(packed.Code, 0) << packed.Err;

    const auto listed = RunTool({u"list", P("out.ipk")});
    ASSERT_EQ(listed.Code, 0) << listed.Err;
    EXPECT_EQ(listed.Out,
              "0\t8\tInstall.xml\n"
              "8\t1\tlicense\\English.rtf\n"
              "9\t3\tPlugins\\Audio\\mp3.dll\n"
              "12\t3\tPlugins\\a.ini\n"
              "15\t70000\tQOVI.exe\n"
              "70015\t1\tb.txt\n");
    EXPECT_EQ(RunTool({u"verify", P("out.ipk")}).Out, "OK\n");

    ASSERT_EQ(RunTool({u"extract", P("out.ipk"), u"plugins\\AUDIO\\MP3.DLL", P("mp3.dll")}).Code, 0);
    EXPECT_EQ(ReadAll(FDir / "mp3.dll"), Bytes("mp3"));

    ASSERT_EQ(RunTool({u"extract", P("out.ipk"), u"--all", P("unpacked")}).Code, 0);
    EXPECT_EQ(ReadAll(FDir / "unpacked" / "Plugins" / "Audio" / "mp3.dll"), Bytes("mp3"));
    EXPECT_EQ(ReadAll(FDir / "unpacked" / "license" / "English.rtf"), Bytes("b"));
    EXPECT_EQ(ReadAll(FDir / "unpacked" / "QOVI.exe"), ReadAll(FDir / "product" / "QOVI.exe"));
}

TEST_F(Ipk5Tool, OutputIsByteIdenticalFromRunToRun) {
    ASSERT_EQ(RunTool({u"pack", P("one.ipk"), P("product")}).Code, 0);
    ASSERT_EQ(RunTool({u"pack", P("two.ipk"), P("product")}).Code, 0);
    EXPECT_EQ(ReadAll(FDir / "one.ipk"), ReadAll(FDir / "two.ipk"));
}

TEST_F(Ipk5Tool, KeyMustMatchToReadAPackage) {
    ASSERT_EQ(RunTool({u"pack", u"--key", u"secret", P("k.ipk"), P("Install.xml")}).Code, 0);
    const auto wrong = RunTool({u"verify", P("k.ipk")});
    EXPECT_EQ(wrong.Code, 1);
    EXPECT_EQ(wrong.Err, "Package was corrupted\n");
    EXPECT_EQ(RunTool({u"verify", u"--key", u"secret", P("k.ipk")}).Code, 0);
    EXPECT_EQ(RunTool({u"list", P("k.ipk"), u"--key", u"secret"}).Out, "0\t8\tInstall.xml\n");
}

TEST_F(Ipk5Tool, FailuresReportTheSystemTextAndLeaveNoPartialOutput) {
    WriteAll(FDir / "keep.ipk", Bytes("previous contents"));
    const auto missing = RunTool({u"pack", P("keep.ipk"), P("Install.xml"), P("no-such-file")});
    EXPECT_EQ(missing.Code, 1);
    EXPECT_EQ(ReadAll(FDir / "keep.ipk"), Bytes("previous contents"));
    const auto duplicate = RunTool({u"pack", P("dup.ipk"), P("Install.xml"), u"INSTALL.XML=" + P("product/b.txt")});
    EXPECT_EQ(duplicate.Code, 1);
    EXPECT_NE(duplicate.Err.find("duplicate entry name"), std::string::npos);
    EXPECT_FALSE(fs::exists(FDir / "dup.ipk"));
    for (const auto& entry : fs::directory_iterator(FDir.Path()))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();

    ASSERT_EQ(RunTool({u"pack", P("ok.ipk"), P("Install.xml")}).Code, 0);
    const auto absent = RunTool({u"extract", P("ok.ipk"), u"Setup.png", P("x.png")});
    EXPECT_EQ(absent.Code, 1);
    EXPECT_EQ(absent.Err, "Cannot locate \"Setup.png\" file in setup archive\n");
    EXPECT_FALSE(fs::exists(FDir / "x.png"));

    auto damaged = ReadAll(FDir / "ok.ipk");
    damaged.resize(20);
    WriteAll(FDir / "damaged.ipk", damaged);
    EXPECT_EQ(RunTool({u"verify", P("damaged.ipk")}).Err, "Package was corrupted\n");
    WriteAll(FDir / "short.ipk", Bytes("IPK5"));
    EXPECT_EQ(RunTool({u"list", P("short.ipk")}).Err, "Stream read error\n");
    EXPECT_EQ(RunTool({u"verify", P("absent.ipk")}).Code, 1);
}

TEST_F(Ipk5Tool, ExtractAllRefusesNamesThatLeaveTheFolder) {
    for (const std::u16string name : {u"..\\evil.dll", u"a\\..\\..\\evil.dll", u"\\evil.dll", u"C:\\evil.dll",
                                      u"a//b", u"../evil.dll", u"file.txt:stream"}) {
        Setup::Core::TSetupPackageBuilder builder;
        ORV::TMemoryStream good, bad;
        good.WriteBuffer("ok", 2);
        good.SetPosition(0);
        builder.AddFile(good, u"good.txt");
        bad.WriteBuffer("evil", 4);
        bad.SetPosition(0);
        builder.AddFile(bad, name);
        builder.SaveToFile(P("evil.ipk"), 1);

        const auto result = RunTool({u"extract", P("evil.ipk"), u"--all", P("target/inner")});
        EXPECT_EQ(result.Code, 1) << ORV::Utf16ToUtf8(name);
        EXPECT_NE(result.Err.find("refusing"), std::string::npos);
        // Nothing at all is written when one name is unsafe.
        EXPECT_FALSE(fs::exists(FDir / "target" / "inner" / "good.txt"));
        EXPECT_FALSE(fs::exists(FDir / "target" / "evil.dll"));
        EXPECT_FALSE(fs::exists(FDir / "evil.dll"));
    }
}

TEST_F(Ipk5Tool, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::u16string>> cases = {
        {},
        {u"unpack", P("a")},
        {u"pack", P("out.ipk")},
        {u"pack", u"--level", u"10", P("out.ipk"), P("Install.xml")},
        {u"pack", u"--level", u"x", P("out.ipk"), P("Install.xml")},
        {u"pack", u"--key", u"", P("out.ipk"), P("Install.xml")},
        {u"pack", u"--all", P("out.ipk"), P("Install.xml")},
        {u"list"},
        {u"list", P("a"), P("b")},
        {u"extract", P("a"), u"name"},
        {u"extract", P("a"), u"--all"},
        {u"verify", u"--bogus", P("a")},
    };
    for (const auto& args : cases) {
        const auto result = RunTool(args);
        EXPECT_EQ(result.Code, 2) << (args.empty() ? "" : ORV::Utf16ToUtf8(args[0]));
        EXPECT_NE(result.Err.find("usage:"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(FDir / "out.ipk"));
}
