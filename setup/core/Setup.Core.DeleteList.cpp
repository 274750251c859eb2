#include "Setup.Core.DeleteList.h"

#include "ORV.Platform.h"

#include <algorithm>
#include <unordered_set>

namespace Setup::Core {

bool StartsWithText(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && ORV::Platform::SameTextLocale(text.substr(0, prefix.size()), prefix);
}

void RemovePrefix(TSetupDeleteList& list, std::u16string_view prefix) {
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const std::u16string& entry) { return StartsWithText(entry, prefix); }),
               list.end());
}

void RemoveRepeated(TSetupDeleteList& list) {
    std::unordered_set<std::u16string> seen;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const std::u16string& entry) {
                                  return !seen.insert(ORV::Platform::UpperCaseLocale(entry)).second;
                              }),
               list.end());
}

std::vector<std::u16string> FoldersToTry(const TSetupDeleteList& list) {
    TSetupDeleteList folders;
    for (const std::u16string& entry : list) {
        const size_t slash = entry.find_last_of(u'\\');
        if (slash != std::u16string::npos) folders.push_back(entry.substr(0, slash + 1));
    }
    RemoveRepeated(folders);
    std::sort(folders.begin(), folders.end(), [](const std::u16string& a, const std::u16string& b) {
        return ORV::Platform::CompareTextLocale(a, b) < 0;
    });
    return folders;
}

int32_t StepProgress(int64_t done, int64_t total) {
    if (total <= 0) return 0;
    // floor(x + 1/2) of the magnitude x = |Done| * 100 / Total, in integers.
    const int64_t magnitude = ((done < 0 ? -done : done) * 200 + total) / (2 * total);
    return static_cast<int32_t>(done < 0 ? -magnitude : magnitude);
}

} // namespace Setup::Core
