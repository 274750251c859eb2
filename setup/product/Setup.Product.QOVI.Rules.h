// What the player's preparation and update tasks know about the player's files: names,
// tables and path rules. Pure string work, so that they are tested on every build.
#pragma once

#include "Setup.Core.DeleteList.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Setup::Product::QOVI {

// A local time, to the second.
struct TLocalTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

// "z Before install " + Version + " [yyyy.MM.dd hh-mm-ss].zip" (24-hour clock).
std::u16string BackupArchiveName(std::u16string_view version, const TLocalTime& time);

// The cache and updater files that are deleted with an installation but not archived.
extern const std::vector<std::u16string> kUnarchivedFileNames;

// The folders (relative to the destination) that an update keeps, for an installation of
// InstalledVersion: "Icons\", "System\Data\", "System\Encoders\", "Skins\", "libwebp.dll", and
// from 3.60 on "Plugins\".
std::vector<std::u16string> KeptByUpdate(int32_t installedVersion);
// Removes from List what an update keeps below DestPath (which ends with a backslash).
void KeepUserFolders(Core::TSetupDeleteList& list, const std::u16string& destPath, int32_t installedVersion);

// The plug-in folders below "Plugins\" that newer players no longer ship, for an installation
// of InstalledVersion.
std::vector<std::u16string> ObsoletePluginFolders(int32_t installedVersion);
// The two skin files below "Skins\" that 4.50 retired.
extern const std::vector<std::u16string> kRetiredSkinFiles;

// The profile files that 4.00 renamed (old name, new name), and the ones it dropped.
extern const std::vector<std::pair<std::u16string, std::u16string>> kRenamedProfileFiles;
extern const std::vector<std::u16string> kDroppedProfileFiles;

// The profile folder of a player of Version for a user whose application-data folder is
// AppData (used as it stands, no separator added): AppData + ProductName (from 4.00 on, else
// "QOVI3") + "\"; for an empty AppData, the portable profile DestPath + "Profile\".
std::u16string ProfilePath(const std::u16string& appData, int32_t version, const std::u16string& productName,
                           const std::u16string& destPath);

} // namespace Setup::Product::QOVI
