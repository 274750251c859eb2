// The demo installer's setup data holds together: this program carries the same two packages
// as the demo installer, and every name the data refers to must be found in them.

#include "ORV.Strings.h"
#include "Setup.Core.Resources.h"
#include "TestSetupHost.h"

#include <gtest/gtest.h>

using namespace Setup::Core;
using TestSupport::TTestSetupHost;

namespace {

bool Carries(const TSetupResources& resources, const std::u16string& name) {
    return resources.ProductPackage().Contains(name) || resources.SetupPackage().Contains(name);
}

void ExpectEveryEntryCarried(const TSetupResources& resources, const TSetupScriptGroup& group, bool byName) {
    for (int i = 0; i < group.Count(); ++i) {
        const std::u16string name = byName ? group.Files(i).Name : group.Files(i).ResolvedValue();
        EXPECT_TRUE(Carries(resources, name)) << ORV::Utf16ToUtf8(name);
    }
}

} // namespace

TEST(DemoSetupData, EveryFileTheScriptNamesIsCarried) {
    TTestSetupHost host;
    const TSetupResources& resources = host.Resources();
    EXPECT_EQ(host.ProductInfo().GetProductName(), u"QOVI");
    EXPECT_EQ(host.ProductInfo().GetProductVersionId(), 5100);
    EXPECT_GT(resources.Script().Components().Count(), 0);
    ExpectEveryEntryCarried(resources, resources.Script().Components(), false);
    ExpectEveryEntryCarried(resources, resources.Script().License(), true);

    auto addons = resources.GetStrings(u"addons.ini");
    for (const char16_t* key : {u"P4", u"I0"}) {
        int index = addons->Count() - 1;
        while (index >= 0 && addons->Names(index) != key) --index;
        ASSERT_GE(index, 0) << ORV::Utf16ToUtf8(key);
        EXPECT_TRUE(Carries(resources, std::u16string(addons->ValueFromIndex(index))));
    }
    for (const char16_t* picture : {u"header.png", u"header_dark.png", u"wizard_light.png", u"wizard_dark.png", u"addons.png"})
        EXPECT_GT(resources.GetImage(picture)->Width(), 0) << ORV::Utf16ToUtf8(picture);
}

TEST(DemoSetupData, TranslationsHaveTheEnglishKeysAndAHeader) {
    TTestSetupHost host;
    const TSetupResources& resources = host.Resources();
    ASSERT_EQ(resources.Languages().Count(), 3);
    ORV::TORVIniFile englishFile;
    ORV::TORVIniFile* english = &englishFile;
    english->LoadFromStream(*resources.GetFile(u"English.lng"));
    for (const TSetupLanguageEntry& entry : resources.LanguageEntries()) {
        SCOPED_TRACE(ORV::Utf16ToUtf8(entry.FileName));
        EXPECT_FALSE(entry.Info.Name.empty());
        EXPECT_NE(entry.Info.LangId, 0);
        EXPECT_FALSE(entry.Icon.Empty());
        if (entry.FileName != u"Russian.lng") continue;  // the complete translation
        ORV::TORVIniFile russian;
        russian.LoadFromStream(*resources.GetFile(entry.FileName));
        for (int32_t s = 0; s < english->SectionCount(); ++s) {
            ORV::TORVStringList keys;
            english->ReadKeys(english->SectionName(s), keys);
            for (int32_t k = 0; k < keys.Count(); ++k)
                EXPECT_TRUE(russian.ExistsKey(english->SectionName(s), keys.Strings(k)))
                    << ORV::Utf16ToUtf8(english->SectionName(s)) << " " << ORV::Utf16ToUtf8(keys.Strings(k));
        }
    }
}
