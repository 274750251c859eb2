// Lists of files on disk with the names under which an archive stores them: the backup of an
// installation collects whole folders this way.
#pragma once

#ifndef _WIN32
#error "Setup.Core.FileList.h is for the Windows build only"
#endif

#include "ORV.Classes.StringList.h"

#include <string>
#include <vector>

namespace Setup::Core {

// Finds the files below a folder.
class TFileSearchHelper {
public:
    // Appends to Files the full path of every file below Root (Root itself first, then its
    // subfolders, recursively). In each folder the files come first, in the order the file
    // system lists them, then the subfolders in the user's locale order, case ignored. A folder
    // whose path with a trailing backslash starts with ExcludedPrefix (case ignored; an empty
    // prefix excludes nothing) is skipped with everything below it, Root included. A Root that
    // does not exist adds nothing. Links to folders (junctions, symbolic links) are not
    // followed: they can point above themselves. Paths of 260 characters or more are handed to
    // the system in their extended-length form; Files gets the plain form. Raises EOSError,
    // its text ending with the folder, for a folder that exists but cannot be listed.
    void Search(const std::u16string& root, const std::u16string& excludedPrefix, ORV::TORVStringList& files);

private:
    bool IsExcluded(const std::u16string& folder) const;
    void SearchFolder(const std::u16string& folder, ORV::TORVStringList& files);

    std::u16string FExcludedPrefix;
};

struct TSetupFileListItem {
    // The relative path under which an archive stores the file, with backslashes.
    std::u16string ArchiveName;
    // The file's full path on disk.
    std::u16string FileName;
};

class TSetupFileList {
public:
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // Raises std::out_of_range for an index outside 0..Count-1.
    const TSetupFileListItem& Items(int32_t index) const { return FItems.at(static_cast<size_t>(index)); }

    void Add(const std::u16string& fileName, const std::u16string& archiveName);
    // Adds every file below Root (see TFileSearchHelper::Search) under its path relative to
    // Root, behind Prefix.
    void AddFolder(const std::u16string& root, const std::u16string& excludedPrefix, const std::u16string& prefix);
    // Removes every item whose file name (without folder) is Name, case ignored.
    void RemoveByName(const std::u16string& name);

private:
    std::vector<TSetupFileListItem> FItems;
};

} // namespace Setup::Core
