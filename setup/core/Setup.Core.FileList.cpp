#include "Setup.Core.FileList.h"

#include "ORV.Platform.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.Handles.h"

#include <algorithm>

namespace Setup::Core {

using ORV::W;

// ---- TFileSearchHelper ----

void TFileSearchHelper::Search(const std::u16string& root, const std::u16string& excludedPrefix,
                               ORV::TORVStringList& files) {
    // An empty root would list the current folder.
    if (root.empty()) return;
    FExcludedPrefix = excludedPrefix;
    SearchFolder(ORV::IncludeTrailingBackslash(root), files);
    FExcludedPrefix.clear();
}

bool TFileSearchHelper::IsExcluded(const std::u16string& folder) const {
    return !FExcludedPrefix.empty() && folder.size() >= FExcludedPrefix.size() &&
           ORV::Platform::SameTextLocale(std::u16string_view(folder).substr(0, FExcludedPrefix.size()), FExcludedPrefix);
}

void TFileSearchHelper::SearchFolder(const std::u16string& folder, ORV::TORVStringList& files) {
    if (IsExcluded(folder)) return;
    WIN32_FIND_DATAW found{};
    ORV::TScopedFindHandle find(FindFirstFileExW(W(ORV::LongPathForm(folder + u"*")), FindExInfoBasic, &found,
                                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find.IsValid()) {
        // A folder that is not there (any more) holds nothing; one that cannot be read must not
        // drop out of a backup unnoticed.
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
        ORV::RaiseOSError(error, u"\r\n" + folder);
    }
    std::vector<std::u16string> subfolders;
    do {
        const std::u16string name = ORV::FromW(found.cFileName);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name == u"." || name == u"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            subfolders.push_back(name);
        } else {
            files.Add(folder + name);
        }
    } while (FindNextFileW(find.Get(), &found));
    if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES) ORV::RaiseOSError(error, u"\r\n" + folder);
    find.Reset();
    std::sort(subfolders.begin(), subfolders.end(), [](const std::u16string& a, const std::u16string& b) {
        return ORV::Platform::CompareTextLocale(a, b) < 0;
    });
    for (const std::u16string& name : subfolders) SearchFolder(folder + name + u"\\", files);
}

// ---- TSetupFileList ----

void TSetupFileList::Add(const std::u16string& fileName, const std::u16string& archiveName) {
    FItems.push_back({archiveName, fileName});
}

void TSetupFileList::AddFolder(const std::u16string& root, const std::u16string& excludedPrefix,
                               const std::u16string& prefix) {
    const std::u16string base = ORV::IncludeTrailingBackslash(root);
    ORV::TORVStringList found;
    TFileSearchHelper().Search(base, excludedPrefix, found);
    for (int32_t i = 0; i < found.Count(); ++i) {
        const std::u16string& fileName = found.Strings(i);
        Add(fileName, prefix + fileName.substr(base.size()));
    }
}

void TSetupFileList::RemoveByName(const std::u16string& name) {
    std::erase_if(FItems, [&](const TSetupFileListItem& item) {
        return ORV::Platform::SameTextLocale(ORV::ExtractFileName(item.FileName), name);
    });
}

} // namespace Setup::Core
