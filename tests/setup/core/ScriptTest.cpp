#include "Setup.Core.Script.h"

#include "ORV.Strings.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Setup::Core;

namespace {

const char kScript[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Install>
  <setup>
    <license>
      <File name="License.ru.rtf" lang-family="RU"/>
      <File name="License.en.rtf"/>
    </license>
  </setup>
  <product>
    <Components>
      <File name="$DEST\Bin\Player.exe">player_x86.exe</File>
      <File name="$DEST\Lang\Russian.lng" lang-family="RU"/>
    </Components>
    <Actions>
      <File name="$DEST\Bin\Player.exe">RunPlayer</File>
    </Actions>
    <Shortcuts>
      <File name="$DESKTOP\QOVI.lnk">$DEST\Bin\Player.exe</File>
    </Shortcuts>
    <Settings>
      <Setting name="ProductName" value="QOVI"/>
      <Setting name="HomePage" value="https://old.example"/>
      <Setting name="HomePage" value="https://qovi.example"/>
    </Settings>
  </product>
</Install>
)";

std::unique_ptr<TSetupScript> Load(const std::string& xml) {
    ORV::TMemoryStream stream;
    stream.WriteBuffer(xml.data(), xml.size());
    stream.SetPosition(0);
    auto script = std::make_unique<TSetupScript>();
    script->LoadFromStream(stream);
    return script;
}

// Each entry as "Name|Value|LangFamily".
std::vector<std::string> Entries(const TSetupScriptGroup& group) {
    std::vector<std::string> entries;
    for (int i = 0; i < group.Count(); ++i) {
        const TSetupScriptFile& f = group.Files(i);
        entries.push_back(ORV::Utf16ToUtf8(f.Name) + "|" + ORV::Utf16ToUtf8(f.Value) + "|" + ORV::Utf16ToUtf8(f.LangFamily));
    }
    return entries;
}

std::vector<std::string> Lines(const ORV::TORVStringList& list) {
    std::vector<std::string> lines;
    for (int32_t i = 0; i < list.Count(); ++i) lines.push_back(ORV::Utf16ToUtf8(list.Strings(i)));
    return lines;
}

using Strings = std::vector<std::string>;

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

TEST(SetupScript, LoadsEveryMemberInDocumentOrder) {
    const auto script = Load(kScript);
    EXPECT_EQ(Entries(script->License()), (Strings{"License.ru.rtf||RU", "License.en.rtf||"}));
    EXPECT_EQ(Entries(script->Components()),
              (Strings{"$DEST\\Bin\\Player.exe|player_x86.exe|", "$DEST\\Lang\\Russian.lng||RU"}));
    EXPECT_EQ(Entries(script->Actions()), (Strings{"$DEST\\Bin\\Player.exe|RunPlayer|"}));
    EXPECT_EQ(Entries(script->Shortcuts()), (Strings{"$DESKTOP\\QOVI.lnk|$DEST\\Bin\\Player.exe|"}));
    EXPECT_EQ(Lines(script->ScriptSettings()),
              (Strings{"ProductName=QOVI", "HomePage=https://old.example", "HomePage=https://qovi.example"}));

    std::u16string value;
    EXPECT_TRUE(script->GetSetting(u"homepage", value));
    EXPECT_EQ(value, u"https://qovi.example");  // a repeated setting takes its last value
    EXPECT_TRUE(script->GetSetting(u"ProductName", value));
    EXPECT_EQ(value, u"QOVI");
    EXPECT_FALSE(script->GetSetting(u"Publisher", value));
    EXPECT_EQ(value, u"");
    EXPECT_FALSE(script->GetSetting(u"Product", value));  // a prefix of a name is not the name
}

TEST(SetupScript, NamesMatchIgnoringCaseAndTheRootNameIsFree) {
    const struct {
        const char* label;
        std::string from, to;
    } cases[] = {
        {"any root name", "Install>", "anything-at-all>"},
        {"upper-case root", "Install>", "INSTALL>"},
        {"lower-case groups", "Components>", "components>"},
        {"upper-case containers", "product>", "PRODUCT>"},
        {"mixed-case setup path", "setup>", "SeTuP>"},
        {"mixed-case licence", "license>", "LICENSE>"},
        {"upper-case file", "File", "FILE"},
        {"upper-case attributes", "name=", "NAME="},
    };
    const auto reference = Load(kScript);
    for (const auto& c : cases) {
        const auto script = Load(Replace(kScript, c.from, c.to));
        EXPECT_EQ(Entries(script->License()), Entries(reference->License())) << c.label;
        EXPECT_EQ(Entries(script->Components()), Entries(reference->Components())) << c.label;
        EXPECT_EQ(Entries(script->Actions()), Entries(reference->Actions())) << c.label;
        EXPECT_EQ(Entries(script->Shortcuts()), Entries(reference->Shortcuts())) << c.label;
        EXPECT_EQ(Lines(script->ScriptSettings()), Lines(reference->ScriptSettings())) << c.label;
    }
}

TEST(SetupScript, GroupLoadingRules) {
    const struct {
        const char* label;
        const char* xml;
        Strings license;
    } cases[] = {
        {"text-only group", "<r><setup><license>License.rtf</license></setup></r>", {"License.rtf||"}},
        {"blank group", "<r><setup><license>\n   </license></setup></r>", {}},
        {"text beside children is ignored",
         "<r><setup><license>License.rtf<File name=\"a.rtf\"/></license></setup></r>", {"a.rtf||"}},
        {"children that are not File",
         "<r><setup><license>License.rtf<Group><File name=\"nested.rtf\"/></Group></license></setup></r>", {}},
        {"File without attributes or text", "<r><setup><license><File/></license></setup></r>", {"||"}},
        {"unknown attributes", "<r><setup><license><File id=\"1\" name=\"n\" lang-family=\"DE\" x=\"y\">v</File></license></setup></r>",
         {"n|v|DE"}},
        {"licence outside setup", "<r><license>License.rtf</license></r>", {}},
        {"only the first setup is looked at",
         "<r><setup/><setup><license>License.rtf</license></setup></r>", {}},
        {"only the first top-level element counts",
         "<first/><second><setup><license>License.rtf</license></setup></second>", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Entries(Load(c.xml)->License()), c.license) << c.label;
}

TEST(SetupScript, RepeatedAndUnknownProductChildren) {
    const auto script = Load(
        "<r><product>"
        "<Components><File name=\"a\"/></Components>"
        "<Extras><File name=\"ignored\"/></Extras>"
        "<Settings><x name=\"A\" value=\"1\"/></Settings>"
        "<components><File name=\"b\"/></components>"
        "<Settings><y name=\"B\"/><z value=\"only value\"/><w name=\"C\" value=\"x=y\"/></Settings>"
        "</product></r>");
    EXPECT_EQ(Entries(script->Components()), (Strings{"a||", "b||"}));
    EXPECT_EQ(Lines(script->ScriptSettings()), (Strings{"A=1", "B=", "=only value", "C=x=y"}));
    std::u16string value;
    EXPECT_TRUE(script->GetSetting(u"C", value));
    EXPECT_EQ(value, u"x=y");
    EXPECT_TRUE(script->GetSetting(u"B", value));
    EXPECT_EQ(value, u"");
}

TEST(SetupScript, SettingNameHoldingAnEqualsSign) {
    const auto script = Load("<r><product><Settings><s name=\"a=b\" value=\"c\"/></Settings></product></r>");
    std::u16string value;
    ASSERT_TRUE(script->GetSetting(u"a=b", value));
    EXPECT_EQ(value, u"c");
}

TEST(SetupScript, LangFamilyChoosesTheFirstMatchingEntry) {
    const auto script = Load(kScript);
    const struct {
        const char16_t* family;
        const char* name;
    } cases[] = {
        {u"RU", "License.ru.rtf"},
        {u"ru", "License.ru.rtf"},
        {u"EN", "License.en.rtf"},
        {u"R", "License.en.rtf"},  // equal length is required
        {u"RUS", "License.en.rtf"},
        {u"", "License.en.rtf"},
    };
    for (const auto& c : cases) {
        const TSetupScriptFile* file = nullptr;
        ASSERT_TRUE(script->License().FindByLangFamily(c.family, file)) << c.name;
        EXPECT_EQ(ORV::Utf16ToUtf8(file->Name), c.name);
    }

    // An entry without a family matches every family.
    const auto textOnly = Load("<r><setup><license>License.rtf</license></setup></r>");
    const TSetupScriptFile* file = nullptr;
    ASSERT_TRUE(textOnly->License().FindByLangFamily(u"DE", file));
    EXPECT_EQ(file->Name, u"License.rtf");

    TSetupScriptGroup group;
    group.AddFile().LangFamily = u"RU";
    EXPECT_FALSE(group.FindByLangFamily(u"DE", file));
    EXPECT_EQ(file, nullptr);
}

TEST(SetupScriptFile, ResolvedValue) {
    const struct {
        const char16_t* name;
        const char16_t* value;
        const char16_t* resolved;
    } cases[] = {
        {u"$DEST\\Bin\\Player.exe", u"player_x86.exe", u"player_x86.exe"},
        {u"$DEST\\Bin\\Player.exe", u"", u"Player.exe"},
        {u"$DEST/Bin/Player.exe", u"", u"Player.exe"},
        {u"C:Player.exe", u"", u"Player.exe"},
        {u"a/b\\c:d.txt", u"", u"d.txt"},
        {u"Player.exe", u"", u"Player.exe"},
        {u"$DEST\\Bin\\", u"", u""},
        {u"", u"", u""},
    };
    for (const auto& c : cases) {
        TSetupScriptFile file;
        file.Name = c.name;
        file.Value = c.value;
        EXPECT_EQ(file.ResolvedValue(), c.resolved) << ORV::Utf16ToUtf8(c.name);
    }
}

TEST(SetupScript, DocumentsWithoutProductOrElements) {
    const auto noProduct = Load("<r><setup><license>License.rtf</license></setup><Components><File/></Components></r>");
    EXPECT_EQ(Entries(noProduct->License()), (Strings{"License.rtf||"}));
    EXPECT_EQ(noProduct->Components().Count(), 0);
    std::u16string value;
    EXPECT_FALSE(noProduct->GetSetting(u"ProductName", value));

    for (const char* xml : {"", "<!-- nothing -->", "not xml at all", "\xFF\xFE"}) {
        const auto empty = Load(xml);
        EXPECT_EQ(empty->License().Count() + empty->Components().Count() + empty->Actions().Count() +
                      empty->Shortcuts().Count() + empty->ScriptSettings().Count(), 0) << xml;
    }
}

TEST(SetupScript, TruncatedDocumentLoadsWhatCameBeforeTheCut) {
    const std::string full = kScript;
    const struct {
        const char* cutBefore;  // the document ends just before this text
        size_t components, actions, settings;
    } cases[] = {
        {"Lang\\Russian.lng", 1, 0, 0},  // inside an attribute value: that entry is dropped
        {" lang-family=\"RU\"/>\n    </Components>", 1, 0, 0},
        {"/>\n    </Components>", 1, 0, 0},
        {"\n    </Components>", 2, 0, 0},
        {"Player.exe\">RunPlayer", 2, 0, 0},
        {"unPlayer</File>", 2, 1, 0},
        {"qovi.example", 2, 1, 2},
        {"</Settings>", 2, 1, 3},
    };
    for (const auto& c : cases) {
        const size_t at = full.find(c.cutBefore);
        ASSERT_NE(at, std::string::npos) << c.cutBefore;
        const auto script = Load(full.substr(0, at));
        EXPECT_EQ(script->License().Count(), 2) << c.cutBefore;
        EXPECT_EQ(script->Components().Count(), static_cast<int>(c.components)) << c.cutBefore;
        EXPECT_EQ(script->Actions().Count(), static_cast<int>(c.actions)) << c.cutBefore;
        EXPECT_EQ(script->ScriptSettings().Count(), static_cast<int>(c.settings)) << c.cutBefore;
    }
    // The text of an entry cut inside its text is what was read of it.
    const auto cutText = Load(full.substr(0, full.find("unPlayer</File>")));
    EXPECT_EQ(cutText->Actions().Files(0).Value, u"R");

    // Every other cut loads without raising, and a cut never invents an entry.
    for (size_t length = 0; length <= full.size(); ++length) {
        const auto script = Load(full.substr(0, length));
        EXPECT_LE(script->Components().Count(), 2);
        EXPECT_LE(script->ScriptSettings().Count(), 3);
    }
}

namespace {

// A group that also reads "Item" elements, as a product might for its own lists.
class TItemGroup : public TSetupScriptGroup {
public:
    void LoadItem(const ORV::TORVXMLNode& node) override {
        if (node.Name() == u"Item")
            AddFile().Name = node.Value();
        else
            TSetupScriptGroup::LoadItem(node);
    }
    std::unique_ptr<TSetupScriptGroup> Create() const override { return std::make_unique<TItemGroup>(); }
};

} // namespace

TEST(SetupScriptGroup, DerivedGroupsReadTheirOwnItems) {
    ORV::TMemoryStream stream;
    const std::string xml = "<g><File name=\"f\"/><Item>i</Item><Other/></g>";
    stream.WriteBuffer(xml.data(), xml.size());
    stream.SetPosition(0);
    const ORV::TORVXMLDocument document(stream);

    TItemGroup group;
    const std::unique_ptr<TSetupScriptGroup> other = group.Create();
    ASSERT_NE(dynamic_cast<TItemGroup*>(other.get()), nullptr);
    EXPECT_EQ(other->Count(), 0);
    other->LoadFromNode(document.Nodes(0));
    EXPECT_EQ(Entries(*other), (Strings{"f||", "i||"}));
}
