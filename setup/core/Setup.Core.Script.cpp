#include "Setup.Core.Script.h"

#include "ORV.Strings.h"

#include "ORV.Platform.h"

namespace Setup::Core {

using ORV::Platform::SameTextLocale;

bool TSetupScriptFile::MatchesLangFamily(std::u16string_view family) const {
    return LangFamily.empty() || SameTextLocale(LangFamily, family);
}

std::u16string TSetupScriptFile::ResolvedValue() const {
    if (!Value.empty()) return Value;
    const size_t separator = Name.find_last_of(u":\\/");
    return separator == std::u16string::npos ? Name : Name.substr(separator + 1);
}

void TSetupScriptGroup::LoadFromNode(const ORV::TORVXMLNode& node) {
    for (int i = 0; i < node.Count(); ++i) LoadItem(node.Nodes(i));
    if (node.Count() == 0 && !node.Value().empty()) AddFile().Name = node.Value();
}

void TSetupScriptGroup::LoadItem(const ORV::TORVXMLNode& node) {
    if (!ORV::SameTextAscii(node.Name(), u"File")) return;
    TSetupScriptFile& file = AddFile();
    file.Value = node.Value();
    file.Name = node.ReadAttribute(u"name");
    file.LangFamily = node.ReadAttribute(u"lang-family");
}

std::unique_ptr<TSetupScriptGroup> TSetupScriptGroup::Create() const {
    return std::make_unique<TSetupScriptGroup>();
}

TSetupScriptFile& TSetupScriptGroup::AddFile() {
    return *FFiles.emplace_back(std::make_unique<TSetupScriptFile>());
}

bool TSetupScriptGroup::FindByLangFamily(std::u16string_view family, const TSetupScriptFile*& file) const {
    for (const auto& candidate : FFiles) {
        if (candidate->MatchesLangFamily(family)) {
            file = candidate.get();
            return true;
        }
    }
    file = nullptr;
    return false;
}

void TSetupScript::LoadFromStream(ORV::TStream& stream) {
    const ORV::TORVXMLDocument document(stream);
    if (document.Count() == 0) return;
    // The root's name is the author's choice; only its children are read.
    const ORV::TORVXMLNode& root = document.Nodes(0);

    if (const ORV::TORVXMLNode* license = root.FindNodeByPath({u"setup", u"license"}))
        FLicense.LoadFromNode(*license);

    const ORV::TORVXMLNode* product = root.FindNode(u"product");
    if (!product) return;
    for (int i = 0; i < product->Count(); ++i) {
        const ORV::TORVXMLNode& child = product->Nodes(i);
        const std::u16string& name = child.Name();
        if (ORV::SameTextAscii(name, u"Components"))
            FComponents.LoadFromNode(child);
        else if (ORV::SameTextAscii(name, u"Actions"))
            FActions.LoadFromNode(child);
        else if (ORV::SameTextAscii(name, u"Settings"))
            LoadSettings(child);
        else if (ORV::SameTextAscii(name, u"Shortcuts"))
            FShortcuts.LoadFromNode(child);
    }
}

void TSetupScript::LoadSettings(const ORV::TORVXMLNode& node) {
    FScriptSettings.SetCapacity(FScriptSettings.Count() + node.Count());
    for (int i = 0; i < node.Count(); ++i) {
        const ORV::TORVXMLNode& setting = node.Nodes(i);
        FScriptSettings.Add(setting.ReadAttribute(u"name") + u"=" + setting.ReadAttribute(u"value"));
    }
}

bool TSetupScript::GetSetting(std::u16string_view name, std::u16string& value) const {
    for (int32_t i = FScriptSettings.Count() - 1; i >= 0; --i) {
        const std::u16string& line = FScriptSettings.Strings(i);
        // The value starts after the "=" that follows Name, not after the line's first "=":
        // a name that itself holds "=" still gives its own value.
        if (line.size() > name.size() && line[name.size()] == u'=' &&
            SameTextLocale(std::u16string_view(line).substr(0, name.size()), name)) {
            value = line.substr(name.size() + 1);
            return true;
        }
    }
    value.clear();
    return false;
}

} // namespace Setup::Core
