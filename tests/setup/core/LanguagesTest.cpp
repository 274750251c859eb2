#include "ORV.Strings.h"
#include "Setup.Core.Languages.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace Setup::Core;
using ORV::TMemoryStream;

TEST(Languages, ListsLanguageFilesOfTheTableInNaturalOrder) {
    TSetupPackageFileTable table;
    for (const char16_t* name : {u"English.lng", u"Lang10.lng", u"readme.txt", u"Lang9.LNG", u"Install.xml",
                                 u"Languages\\Deutsch.Lng", u"lng", u"notes.lng.txt"})
        table.Add().Name = name;
    ORV::TORVStringList languages;
    ListLanguageFiles(table, languages);
    ASSERT_EQ(languages.Count(), 4);
    EXPECT_EQ(languages.Strings(0), u"English.lng");
    EXPECT_EQ(languages.Strings(1), u"Lang9.LNG");
    EXPECT_EQ(languages.Strings(2), u"Lang10.lng");
    EXPECT_EQ(languages.Strings(3), u"Languages\\Deutsch.Lng");
}

TEST(Languages, PreselectsTheUserLanguageThenEnglishThenTheFirst) {
    const struct {
        std::vector<int32_t> LangIds;
        int32_t User;
        int Expected;
    } cases[] = {
        {{1049, 1033, 1031}, 1031, 2},
        {{1049, 1033, 1031}, 1036, 1},  // an automatic run on a French system takes English
        {{1049, 1031}, 1036, 0},
        {{1049, 1049}, 1049, 0},
        {{}, 1033, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(PreselectLanguage(c.LangIds, c.User), c.Expected) << c.User;
}

TEST(Languages, LanguageNameDropsFolderAndExtension) {
    EXPECT_EQ(LanguageNameOf(u"Dutch.lng"), u"Dutch");
    EXPECT_EQ(LanguageNameOf(u"Languages\\Portugu\u00EAs (Brasil).lng"), u"Portugu\u00EAs (Brasil)");
    EXPECT_EQ(LanguageNameOf(u"English"), u"English");
}

TEST(Languages, MessagesAreEnglishWithTheTranslationOverIt) {
    TMemoryStream english = TestSupport::MemoryStreamOf(
        "[File]\r\nName=English\r\nLangId=1033\r\n[Common]\r\nE4=Stopped by the user\r\nOK=OK\r\n");
    TMemoryStream dutch = TestSupport::MemoryStreamOf(
        "[File]\r\nName=Nederlands\r\nLangId=1043\r\nFamily=NL\r\n[Common]\r\nOK=Goed\r\n"
        "[TSetupPageWelcome]\r\nTitle=Welkom\r\nnameless line\r\n");
    ORV::TORVIniFile messages;
    BuildMessageStore(messages, english, dutch);
    EXPECT_EQ(messages.ReadString(u"Common", u"E4", u""), u"Stopped by the user");  // not translated
    EXPECT_EQ(messages.ReadString(u"Common", u"OK", u""), u"Goed");
    EXPECT_EQ(messages.ReadString(u"File", u"Name", u""), u"Nederlands");
    EXPECT_EQ(messages.ReadSectionText(u"TSetupPageWelcome"), u"Title=Welkom\r\nnameless line\r\n");
    EXPECT_EQ(LangFamilyOf(messages), u"NL");

    ORV::TORVIniFile englishOnly;
    english.SetPosition(0);
    TMemoryStream empty;
    BuildMessageStore(englishOnly, english, empty);
    EXPECT_EQ(LangFamilyOf(englishOnly), u"EN");
    EXPECT_EQ(englishOnly.ReadString(u"Common", u"OK", u""), u"OK");
}
