// The demo installer over earlier installations of the player: the backup archive, the wipe,
// the update of the users' profiles, and what stays.

#include "InstallerDriver.h"

#include <unzip.h>

#include <iowin32.h>
#include <shlobj.h>

#include <map>
#include <regex>

using namespace InstallerDriver;
using TestSupport::Bytes;
using TestSupport::ReadAll;
using TestSupport::WriteAll;

namespace {

// Every entry of a ZIP archive with its bytes, read with minizip's reader; "(unreadable)" is
// appended to the name of an entry whose data or CRC is wrong.
std::map<std::string, std::vector<uint8_t>> ZipEntries(const std::filesystem::path& archive) {
    std::map<std::string, std::vector<uint8_t>> entries;
    zlib_filefunc64_def files{};
    fill_win32_filefunc64W(&files);
    unzFile zip = unzOpen2_64(archive.c_str(), &files);
    if (!zip) return {{"(no archive)", {}}};
    for (int result = unzGoToFirstFile(zip); result == UNZ_OK; result = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        char name[1024] = {};
        unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        std::vector<uint8_t> bytes(info.uncompressed_size);
        const bool read = unzOpenCurrentFile(zip) == UNZ_OK &&
                          unzReadCurrentFile(zip, bytes.data(), static_cast<unsigned>(bytes.size())) ==
                              static_cast<int>(bytes.size()) &&
                          unzCloseCurrentFile(zip) == UNZ_OK;
        entries[read ? name : std::string(name) + " (unreadable)"] = bytes;
    }
    unzClose(zip);
    return entries;
}

std::vector<std::string> ArchivesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    if (!std::filesystem::exists(folder)) return names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::regex kNewArchive(R"(z Before install 5\.10 \[\d{4}\.\d{2}\.\d{2} \d{2}-\d{2}-\d{2}\]\.zip)");

class UpdateInstaller : public DemoInstaller {
protected:
    void SetUp() override {
        DemoInstaller::SetUp();
        RemoveProfiles();
    }
    void TearDown() override {
        RemoveProfiles();
        Setup::Core::TSetupAppRepo::Unregister(u"QOVI3");
        DemoInstaller::TearDown();
    }
    static void RemoveProfiles() {
        std::error_code ignored;
        std::filesystem::remove_all(AppData / "QOVI", ignored);
        std::filesystem::remove_all(AppData / "QOVI3", ignored);
    }

    // An installation of 5.04 with its profile, an obsolete plug-in, the user's skin, a cache
    // and four older backups.
    void Lay504() {
        Write(Dest / "QOVI.ini", "[System]\r\nVersion=5040\r\n");
        Write(Dest / "QOVI.exe", "old player");
        Write(Dest / "AlbumArts.cache", "cache");
        Write(Dest / "Skins" / "Mine.skin", "my skin");
        Write(Dest / "Plugins" / "in_tracker" / "tracker.dll", "obsolete");
        for (const char* day : {"01", "02", "03", "04"})
            Write(Dest / "!Backup" / (std::string("z Before install 5.00 [2020.01.") + day + " 10-00-00].zip"), "old");
        Write(AppData / "QOVI" / "QOVI.ini", "[Player]\r\nVolume=7\r\n");
        Write(AppData / "QOVI" / "AlbumArts.db", "art");
    }
    static void Write(const std::filesystem::path& file, const std::string& text) {
        std::filesystem::create_directories(file.parent_path());
        WriteAll(file, Bytes(text));
    }
    std::filesystem::path NewArchive() const {
        for (const std::string& name : ArchivesIn(Dest / "!Backup"))
            if (std::regex_match(name, kNewArchive)) return Dest / "!Backup" / name;
        return {};
    }

    static inline const std::filesystem::path AppData = ShellFolder(CSIDL_APPDATA);
    static inline const std::string UserName = ShellFolder(CSIDL_PROFILE).filename().string();
};

} // namespace

TEST_F(UpdateInstaller, AnInstallOverAnInstallationBacksItUpAndReplacesIt) {
    Lay504();
    const TOutcome outcome = Install();
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    ASSERT_EQ(outcome.ExitCode, 0u);

    // The archive: the profile, then the program, the cache left out; its bytes are the old ones.
    const std::filesystem::path archive = NewArchive();
    ASSERT_FALSE(archive.empty());
    const std::map<std::string, std::vector<uint8_t>> expected = {
        {"Profiles/" + UserName + "/QOVI.ini", Bytes("[Player]\r\nVolume=7\r\n")},
        {"Program/QOVI.ini", Bytes("[System]\r\nVersion=5040\r\n")},
        {"Program/QOVI.exe", Bytes("old player")},
        {"Program/Skins/Mine.skin", Bytes("my skin")},
        {"Program/Plugins/in_tracker/tracker.dll", Bytes("obsolete")}};
    EXPECT_EQ(ZipEntries(archive), expected);
    // Real ZIP tools read it without a warning.
    // Appended piece by piece: GCC 12 warns falsely about "literal" + string here.
    std::string quoted(1, '\'');
    quoted.append(UnixPath(archive)).push_back('\'');
    const std::string unzip = RunLinuxCommand("unzip -t " + quoted);
    EXPECT_NE(unzip.find("No errors detected in compressed data"), std::string::npos) << unzip;
    EXPECT_EQ(unzip.find("warning"), std::string::npos) << unzip;
    const std::string sevenZip = RunLinuxCommand("7z t -bd " + quoted);
    EXPECT_NE(sevenZip.find("Everything is Ok"), std::string::npos) << sevenZip;
    EXPECT_EQ(sevenZip.find("Warning"), std::string::npos) << sevenZip;

    // The three newest archives stay.
    const std::vector<std::string> archives = ArchivesIn(Dest / "!Backup");
    ASSERT_EQ(archives.size(), 3u);
    EXPECT_EQ(archives[0], "z Before install 5.00 [2020.01.03 10-00-00].zip");
    EXPECT_EQ(archives[1], "z Before install 5.00 [2020.01.04 10-00-00].zip");

    // The old files went, the new ones came; an update keeps the user's skins and profile.
    EXPECT_NE(ReadAll(Dest / "QOVI.exe"), Bytes("old player"));
    EXPECT_FALSE(std::filesystem::exists(Dest / "AlbumArts.cache"));
    EXPECT_FALSE(std::filesystem::exists(Dest / "Plugins" / "in_tracker"));
    EXPECT_EQ(ReadAll(Dest / "Skins" / "Mine.skin"), Bytes("my skin"));
    EXPECT_EQ(ReadAll(AppData / "QOVI" / "QOVI.ini"), Bytes("[Player]\r\nVolume=7\r\n"));
    EXPECT_EQ(ReadAll(AppData / "QOVI" / "AlbumArts.db"), Bytes("art"));
}

TEST_F(UpdateInstaller, AnUpdateOf360MovesTheProfileAndTheConfigurationToTheirNewNames) {
    Write(Dest / "QOVI3.ini", "[System]\r\nVersion=3600\r\n");
    Write(Dest / "QOVI.exe", "old player");
    Write(Dest / "Uninstall.exe", "old uninstaller");
    Write(AppData / "QOVI3" / "QOVI3.ini", "old settings");
    Write(AppData / "QOVI3" / "QOVI3-cat.db", "catalogue");
    Write(AppData / "QOVI3" / "QOVI3.bak", "dropped");
    Write(Dest / "System" / "qovi_menu32.dll", "an old shell menu");
    const std::filesystem::path desktopLink = ShellFolder(CSIDL_DESKTOPDIRECTORY) / "QOVI3.lnk";
    const std::filesystem::path startMenu = ShellFolder(CSIDL_STARTMENU) / "QOVI3";
    MakeShellLink(desktopLink, Dest / "QOVI.exe");
    MakeShellLink(startMenu / "QOVI3.lnk", Dest / "QOVI.exe");
    Setup::Core::TSetupAppRepo::Register(u"QOVI3", DestFolder() + u"Uninstall.exe", u"", u"", u"3.60");

    const TOutcome outcome = Install();
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    ASSERT_EQ(outcome.ExitCode, 0u);

    EXPECT_EQ(ReadAll(AppData / "QOVI" / "QOVI.ini"), Bytes("old settings"));
    EXPECT_EQ(ReadAll(AppData / "QOVI" / "QOVI-cat.db"), Bytes("catalogue"));
    EXPECT_FALSE(std::filesystem::exists(AppData / "QOVI" / "QOVI3.bak"));
    EXPECT_FALSE(std::filesystem::exists(AppData / "QOVI3"));  // backed up, then removed
    // "QOVI3.ini" took the new name, and the configuration writer gave it the new version.
    EXPECT_FALSE(std::filesystem::exists(Dest / "QOVI3.ini"));
    ORV::TORVIniFile config;
    config.LoadFromFile((Dest / "QOVI.ini").u16string());
    EXPECT_EQ(config.ReadInteger(u"System", u"Version", 0), 5100);
    std::u16string path;
    EXPECT_FALSE(Setup::Core::TSetupAppRepo::FindInstallPath(u"QOVI3", path));  // it pointed into the folder
    // The integration of the old major version went with it.
    EXPECT_NE(ReadAll(Dest / "System" / "qovi_menu32.dll"), Bytes("an old shell menu"));  // the new one now
    EXPECT_FALSE(std::filesystem::exists(desktopLink));
    EXPECT_FALSE(std::filesystem::exists(startMenu));

    const std::map<std::string, std::vector<uint8_t>> entries = ZipEntries(NewArchive());
    EXPECT_EQ(entries.count("Profiles/" + UserName + "/QOVI3.ini"), 1u);
    EXPECT_EQ(entries.count("Program/QOVI3.ini"), 1u);
}

TEST_F(UpdateInstaller, WithoutABackupThePreviousFilesStayAndOnlyTheCleanUpRuns) {
    Lay504();
    Write(Dest / "QOVI.ini", "[System]\r\nVersion=5040\r\nID=old\r\n[Player]\r\nVolume=3\r\n");
    const TOutcome outcome = Install(u"/NOBACKUP");
    ASSERT_EQ(outcome.ExitCode, 0u);
    EXPECT_TRUE(NewArchive().empty());
    EXPECT_EQ(ArchivesIn(Dest / "!Backup").size(), 3u);  // the oldest of four goes all the same
    EXPECT_EQ(ReadAll(Dest / "AlbumArts.cache"), Bytes("cache"));
    // The configuration keeps its other sections; [System] is new.
    ORV::TORVIniFile config;
    config.LoadFromFile((Dest / "QOVI.ini").u16string());
    EXPECT_EQ(config.ReadString(u"Player", u"Volume", u""), u"3");
    EXPECT_EQ(config.ReadInteger(u"System", u"Version", 0), 5100);
    EXPECT_NE(config.ReadString(u"System", u"ID", u""), u"old");
    EXPECT_FALSE(std::filesystem::exists(Dest / "Plugins" / "in_tracker"));
    EXPECT_NE(ReadAll(Dest / "QOVI.exe"), Bytes("old player"));
}

// A folder that holds no installation of the player is not the player's to wipe.
TEST_F(UpdateInstaller, AFreshInstallLeavesTheFoldersOtherFilesAlone) {
    Write(Dest / "My notes.txt", "mine");
    Write(Dest / "Photos" / "a.jpg", "photo");
    ASSERT_EQ(Install().ExitCode, 0u);
    EXPECT_EQ(ReadAll(Dest / "My notes.txt"), Bytes("mine"));
    EXPECT_EQ(ReadAll(Dest / "Photos" / "a.jpg"), Bytes("photo"));
    EXPECT_FALSE(std::filesystem::exists(Dest / "!Backup"));
}

TEST_F(UpdateInstaller, AFileThatCannotBeBackedUpStopsTheRunBeforeAnythingIsDeleted) {
    Lay504();
    const std::u16string held = DestFolder() + u"QOVI.exe";
    const ORV::TScopedKernelHandle holder(
        CreateFileW(ORV::W(held), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));  // nobody else may open it
    ASSERT_TRUE(holder.IsValid());
    const TOutcome outcome = Install();
    EXPECT_EQ(outcome.ExitCode, kExitFailure);
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    const std::u16string start = u"An error occurs while backuping the \"" + held + u"\" file (10)\r\nCannot open file \"" + held + u"\".";
    EXPECT_EQ(outcome.Boxes[0].Text.substr(0, start.size()), start) << ORV::Utf16ToUtf8(outcome.Boxes[0].Text);
    EXPECT_EQ(ReadAll(Dest / "AlbumArts.cache"), Bytes("cache"));
    EXPECT_TRUE(std::filesystem::exists(Dest / "Plugins" / "in_tracker" / "tracker.dll"));
    EXPECT_EQ(ArchivesIn(Dest / "!Backup").size(), 5u);  // the incomplete archive stays, nothing was removed
}

TEST_F(UpdateInstaller, APortableUpdateArchivesWithoutPrefixesAndKeepsItsProfile) {
    Write(Dest / "QOVI.ini", "[System]\r\nVersion=5040\r\nUserMode=0\r\n");
    Write(Dest / "QOVI.exe", "old player");
    Write(Dest / "Profile" / "QOVI.ini", "portable settings");
    const TOutcome outcome = Install();
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    ASSERT_EQ(outcome.ExitCode, 0u);

    const std::map<std::string, std::vector<uint8_t>> expected = {
        {"QOVI.ini", Bytes("[System]\r\nVersion=5040\r\nUserMode=0\r\n")},
        {"QOVI.exe", Bytes("old player")},
        {"Profile/QOVI.ini", Bytes("portable settings")}};
    EXPECT_EQ(ZipEntries(NewArchive()), expected);
    EXPECT_EQ(ReadAll(Dest / "Profile" / "QOVI.ini"), Bytes("portable settings"));
    EXPECT_NE(ReadAll(Dest / "QOVI.exe"), Bytes("old player"));
    std::u16string path;
    EXPECT_FALSE(Setup::Core::TSetupAppRepo::FindInstallPath(u"QOVI", path));
}

// A library of the old installation that is loaded somewhere cannot be deleted: it moves to the
// temporary folder, to be deleted at the next restart, and the install goes on.
TEST_F(UpdateInstaller, AFileInUseDuringTheWipeMovesAsideUntilTheNextRestart) {
    Lay504();
    const std::filesystem::path library = Dest / "Plugins" / "in_tracker" / "tracker.dll";
    std::filesystem::copy_file(Built(QOVI_DEMO_INSTALLER), library, std::filesystem::copy_options::overwrite_existing);
    const HMODULE loaded = LoadLibraryExW(library.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(loaded, nullptr);
    const size_t pendingBefore = TestSupport::PendingRenames().size();

    const TOutcome outcome = Install();
    FreeLibrary(loaded);
    EXPECT_TRUE(outcome.Boxes.empty()) << ORV::Utf16ToUtf8(outcome.Boxes.front().Text);
    EXPECT_EQ(outcome.ExitCode, 0u);
    EXPECT_FALSE(std::filesystem::exists(library));
    const auto renames = TestSupport::PendingRenames();
    bool movedToTemp = false;
    for (size_t i = pendingBefore; i < renames.size(); ++i)
        movedToTemp |= renames[i].second.empty() && Setup::Core::IsInsideTempFolder(renames[i].first.substr(4));
    EXPECT_TRUE(movedToTemp) << renames.size() - pendingBefore << " new delayed operations";
}
