#include "Setup.Core.DeleteList.h"

#include "ORV.Platform.h"
#include "ORV.Utils.Strings.h"
#include "Setup.Core.Paths.h"

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

std::vector<std::u16string> FoldersToTryBelow(const TSetupDeleteList& list, std::u16string_view base) {
    TSetupDeleteList folders;
    for (const std::u16string& entry : list) {
        if (!StartsWithText(entry, base)) continue;
        std::u16string folder = entry.substr(0, entry.find_last_of(u'\\') + 1);
        while (folder.size() > base.size()) {
            folders.push_back(folder);
            const size_t slash = folder.size() >= 2 ? folder.find_last_of(u'\\', folder.size() - 2) : std::u16string::npos;
            folder.resize(slash == std::u16string::npos ? 0 : slash + 1);
        }
    }
    return FoldersToTry(folders);
}

bool ResolveUninstallEntry(std::u16string_view entry, const std::u16string& destPath, std::u16string& path) {
    if (entry.empty()) return false;
    if (ORV::IsFullPath(entry)) {
        path = NormalizePath(entry);
        return true;
    }
    if (entry.front() == u'\\' || entry.front() == u'/' || entry.find(u':') != std::u16string_view::npos) return false;
    std::vector<std::u16string_view> pieces;
    size_t start = 0;
    while (start <= entry.size()) {
        size_t end = entry.find_first_of(u"\\/", start);
        if (end == std::u16string_view::npos) end = entry.size();
        const std::u16string_view piece = entry.substr(start, end - start);
        if (piece == u"..") {
            if (pieces.empty()) return false;
            pieces.pop_back();
        } else if (!piece.empty() && piece != u".") {
            pieces.push_back(piece);
        }
        start = end + 1;
    }
    if (pieces.empty()) return false;
    std::u16string relative;
    for (const std::u16string_view piece : pieces) {
        if (!relative.empty()) relative += u'\\';
        relative += piece;
    }
    path = NormalizePath(destPath + relative);
    return true;
}

int32_t StepProgress(int64_t done, int64_t total) {
    if (total <= 0) return 0;
    // floor(x + 1/2) of the magnitude x = |Done| * 100 / Total, in integers.
    const int64_t magnitude = ((done < 0 ? -done : done) * 200 + total) / (2 * total);
    return static_cast<int32_t>(done < 0 ? -magnitude : magnitude);
}

} // namespace Setup::Core
