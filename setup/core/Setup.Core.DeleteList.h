// The list of what a preparation deletes, and the rules that shape it. Pure list and string
// work: the preparation and the update tasks fill it from the disk and delete what is left.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Setup::Core {

// Full paths of files to delete; an entry may also name a folder (with a trailing backslash,
// never deleted as a file) or nothing that exists.
using TSetupDeleteList = std::vector<std::u16string>;

// Whether Text starts with Prefix, ignoring case under the user's locale.
bool StartsWithText(std::u16string_view text, std::u16string_view prefix);
// Removes every entry that starts with Prefix, ignoring case.
void RemovePrefix(TSetupDeleteList& list, std::u16string_view prefix);
// Removes the later ones of entries that are equal ignoring case; the first stays.
void RemoveRepeated(TSetupDeleteList& list);
// The folders (up to and including the last backslash) of the entries, each once, sorted by
// name ignoring case, so that a subfolder comes after its parent: the order in which to try
// removing the emptied folders is from the last to the first.
std::vector<std::u16string> FoldersToTry(const TSetupDeleteList& list);
// The folders below Base (which ends with a backslash) that hold entries of List starting with
// Base, and every folder between them and Base, in the order of FoldersToTry; Base itself is not
// one of them.
std::vector<std::u16string> FoldersToTryBelow(const TSetupDeleteList& list, std::u16string_view base);
// The full path of one entry of an uninstall record, for DestPath (which ends with a
// backslash): a full path ("C:\...", "\\server\share\...") is what the record meant and
// stands as it is; a relative one lies below DestPath, its "." pieces dropped and each ".."
// taking back the piece before it. False, and nothing to delete, for an empty entry, one that
// would climb above DestPath, and one that is rooted but not full ("\Windows", "C:Windows").
bool ResolveUninstallEntry(std::u16string_view entry, const std::u16string& destPath, std::u16string& path);
// Done * 100 / Total rounded to the nearest integer, halves away from zero; 0 when Total is 0.
int32_t StepProgress(int64_t done, int64_t total);

} // namespace Setup::Core
