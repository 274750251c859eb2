#include "Setup.Core.Languages.h"

#include "ORV.Platform.h"
#include "ORV.Utils.NaturalCompare.h"
#include "ORV.Utils.Strings.h"

#include <algorithm>

namespace Setup::Core {

void ListLanguageFiles(const TSetupPackageFileTable& table, ORV::TORVStringList& languages) {
    std::vector<std::u16string> found;
    for (int i = 0; i < table.Count(); ++i) {
        const std::u16string& name = table.Items(i).Name;
        const size_t dot = name.rfind(u'.');
        if (dot != std::u16string::npos && ORV::Platform::SameTextLocale(std::u16string_view(name).substr(dot), u".lng"))
            found.push_back(name);
    }
    std::stable_sort(found.begin(), found.end(), [](const std::u16string& a, const std::u16string& b) {
        return ORV::NaturalCompareText(a, b) < 0;
    });
    languages.SetCapacity(languages.Count() + static_cast<int32_t>(found.size()));
    for (auto& name : found) languages.Add(std::move(name));
}

int PreselectLanguage(const std::vector<int32_t>& langIds, int32_t userLanguage) {
    if (langIds.empty()) return -1;
    for (int32_t wanted : {userLanguage, int32_t(1033)}) {
        const auto found = std::find(langIds.begin(), langIds.end(), wanted);
        if (found != langIds.end()) return static_cast<int>(found - langIds.begin());
    }
    return 0;
}

std::u16string LanguageNameOf(const std::u16string& fileName) {
    std::u16string name = ORV::ExtractFileName(fileName);
    const size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos) name.resize(dot);
    return name;
}

void BuildMessageStore(ORV::TORVIniFile& messages, ORV::TStream& english, ORV::TStream& chosen) {
    messages.LoadFromStream(english);
    ORV::TORVIniFile translation;
    translation.LoadFromStream(chosen);
    messages.Merge(translation, true);
}

std::u16string LangFamilyOf(const ORV::TORVIniFile& messages) {
    return messages.ReadString(u"File", u"Family", u"EN");
}

} // namespace Setup::Core
