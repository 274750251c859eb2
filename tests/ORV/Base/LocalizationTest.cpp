#include "ORV.MUI.h"
#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace ORV;

namespace {

// Writes a file into the shared store's "Langs" folder beside the test program and removes it
// again, so the English fallback can be exercised against a real folder.
class TLangsFile {
public:
    TLangsFile(const std::string& name, const std::string& text)
        : FPath(std::filesystem::path(LangFilePath()) / name) {
        std::filesystem::create_directories(FPath.parent_path());
        TestSupport::WriteAll(FPath, TestSupport::Bytes(text));
    }
    ~TLangsFile() {
        std::error_code ignored;
        std::filesystem::remove(FPath, ignored);
        std::filesystem::remove(FPath.parent_path(), ignored);  // only when empty
    }

private:
    std::filesystem::path FPath;
};

struct TRecorder : IORVLocalizationListener, IORVLocalizationListener2, IORVLocalizationListener3 {
    explicit TRecorder(std::string& log, char name) : Log(log), Name(name) {}
    void LangChanged() override { Log += std::string(1, Name) + "1 "; }
    void LangChanged2() override { Log += std::string(1, Name) + "2 "; }
    void LangChanged3() override { Log += std::string(1, Name) + "3 "; }
    std::string& Log;
    char Name;
};

} // namespace

TEST(Localization, LineBreakEscapesBecomeCrLfOnlyInTheLocalizationStore) {
    auto store = TORVIniFile::Create<TORVLocalization>();
    TMemoryStream text = TestSupport::MemoryStreamOf("[Common]\r\nA=Line one\\nLine two\r\nB=Keep\\N and \\\\n\r\nC=\r\n");
    store->LoadFromStream(text);
    EXPECT_EQ(store->ReadString(u"Common", u"A", u""), u"Line one\r\nLine two");
    EXPECT_EQ(store->ReadString(u"common", u"b", u""), u"Keep\\N and \\\r\n");
    std::u16string value = u"x";
    EXPECT_TRUE(store->TryReadString(u"Common", u"C", value));
    EXPECT_EQ(value, u"");
    EXPECT_FALSE(store->TryReadString(u"Common", u"D", value));

    TORVIniFile plain;
    text.SetPosition(0);
    plain.LoadFromStream(text);
    EXPECT_EQ(plain.ReadString(u"Common", u"A", u""), u"Line one\\nLine two");
}

TEST(Localization, NeverSavesItselfAndBindsFilesInTheLangsFolder) {
    auto store = TORVIniFile::Create<TORVLocalization>(u"", true);
    EXPECT_FALSE(store->AutoSave());
    TLangsFile german("Deutsch.lng", "[File]\r\nName=Deutsch\r\nANSICP=1252\r\n");
    store->LoadFromFile(u"Deutsch.lng");
    EXPECT_EQ(store->FileName(), LangFilePath() + u"Deutsch.lng");
    EXPECT_EQ(store->ReadString(u"File", u"Name", u""), u"Deutsch");
    EXPECT_EQ(store->AnsiCodePage(), 1252);
}

TEST(Localization, MissingKeysFallBackToTheEnglishFileOfTheLangsFolder) {
    TLangsFile english("English.lng", "[Common]\r\nE4=Stopped\r\nOK=OK\r\n[Extra]\r\nX=1\r\n");
    TLangsFile dutch("Dutch.lng", "[Common]\r\nOK=Goed\r\n");
    TLangsFile russian("Russian.lng", "[Common]\r\nOK=\xD0\x94\xD0\xB0\r\n");

    auto store = TORVIniFile::Create<TORVLocalization>(u"Dutch.lng");
    EXPECT_EQ(store->ReadString(u"Common", u"OK", u""), u"Goed");
    EXPECT_EQ(store->ReadString(u"Common", u"E4", u""), u"Stopped");
    EXPECT_EQ(store->ReadString(u"Extra", u"X", u""), u"1");

    // Russian is complete by definition: nothing is merged into it.
    store->LoadFromFile(u"Russian.lng");
    EXPECT_FALSE(store->ExistsKey(u"Common", u"E4"));
}

TEST(Localization, ListenersAreToldInThreePassesAndMayRemoveThemselves) {
    std::string log;
    auto store = TORVIniFile::Create<TORVLocalization>();
    auto a = std::make_shared<TRecorder>(log, 'a');
    auto b = std::make_shared<TRecorder>(log, 'b');
    struct TOnlyFirst : IORVLocalizationListener {
        TOnlyFirst(std::string& log, TORVLocalization& store) : Log(log), Store(store) {}
        void LangChanged() override {
            Log += "s1 ";
            Store.RemoveListener(this);  // must not make the pass skip b
        }
        std::string& Log;
        TORVLocalization& Store;
    };
    store->AddListener(a);
    store->AddListener(std::make_shared<TOnlyFirst>(log, *store));
    store->AddListener(b);

    TMemoryStream text = TestSupport::MemoryStreamOf("[Common]\r\nA=1\r\n");
    store->LoadFromStream(text);
    EXPECT_EQ(log, "a2 b2 a3 b3 a1 s1 b1 ");

    log.clear();
    store->RemoveListener(a.get());
    text.SetPosition(0);
    store->LoadFromStream(text);
    EXPECT_EQ(log, "b2 b3 b1 ");
}

TEST(Localization, LangGetReadsTheSharedStore) {
    TMemoryStream text = TestSupport::MemoryStreamOf("[Dialog]\r\nTitle=One\\nTwo\r\n");
    LangFile().LoadFromStream(text);
    EXPECT_EQ(&LangFile(), &LangFile());
    EXPECT_EQ(LangGet(u"Dialog", u"Title", u"x"), u"One\r\nTwo");
    EXPECT_EQ(LangGet(u"Dialog", u"Missing", u"default"), u"default");
}

TEST(Localization, LangGetInfoReadsTheHeaderAndTheIcon) {
    // A 1x1 icon: ICONDIR, one entry pointing at 8 bytes of image data.
    const std::string icon = "000001000100010100000100200008000000160000000102030405060708";
    TORVIniFile file;
    TMemoryStream text = TestSupport::MemoryStreamOf("[File]\r\nName=English\r\nLangId=1033\r\nAuthor=QOVI\r\nVersionId=7\r\nIcon=" +
                                    icon + "\r\n");
    file.LoadFromStream(text);
    TORVLocalizationInfo info;
    TORVIcon loaded;
    EXPECT_TRUE(LangGetInfo(file, info, &loaded));
    EXPECT_EQ(info.Name, u"English");
    EXPECT_EQ(info.LangId, 1033);
    EXPECT_EQ(info.Author, u"QOVI");
    EXPECT_EQ(info.VersionId, 7);
    EXPECT_EQ(loaded.Data().size(), icon.size() / 2);

    const struct {
        const char* What;
        std::string Icon;
    } bad[] = {{"absent", ""},
               {"not hex", "Icon=zz\r\n"},
               {"not an icon file", "Icon=0102030405060708\r\n"},
               {"entry beyond the data", "Icon=00000100010001010000010020000800000016010000\r\n"}};
    for (const auto& c : bad) {
        TORVIniFile other;
        TMemoryStream data = TestSupport::MemoryStreamOf("[File]\r\nName=X\r\n" + c.Icon);
        other.LoadFromStream(data);
        TORVIcon result = loaded;
        EXPECT_TRUE(LangGetInfo(other, info, &result));
        EXPECT_TRUE(result.Empty()) << c.What;
        EXPECT_EQ(info.LangId, 0) << c.What;
    }
}
