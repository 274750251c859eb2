// The setup's side of the language files: which files the setup package offers, which one is
// preselected, and the message store built from English with the chosen file over it.
#pragma once

#include "ORV.Classes.StringList.h"
#include "ORV.FileFormats.INI.h"
#include "Setup.Core.Package.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Setup::Core {

// The file every setup package carries and every translation falls back to.
inline constexpr char16_t kEnglishLanguageFile[] = u"English.lng";

// Appends to Languages the names of the table's entries whose extension (from the last "."
// on) is ".lng" in any letter case, in natural order (Lang9 before Lang10).
void ListLanguageFiles(const TSetupPackageFileTable& table, ORV::TORVStringList& languages);

// The index of the entry to preselect: the one whose LangId is the user's interface language,
// else the one with LangId 1033, else the first; -1 when there is none.
int PreselectLanguage(const std::vector<int32_t>& langIds, int32_t userLanguage);

// The chosen file's name without folder and extension ("Languages\Dutch.lng" gives "Dutch").
std::u16string LanguageNameOf(const std::u16string& fileName);

// Loads English into Messages and merges Chosen over it: the translation's keys replace the
// English ones, keys it lacks keep their English text, and sections English lacks are copied
// whole.
void BuildMessageStore(ORV::TORVIniFile& messages, ORV::TStream& english, ORV::TStream& chosen);

// The [File] Family of the messages, "EN" when absent.
std::u16string LangFamilyOf(const ORV::TORVIniFile& messages);

} // namespace Setup::Core
