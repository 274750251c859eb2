// The folder operations of the update and uninstall steps, and their guard, on real folders.

#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.Helper.h"
#include "Setup.Core.Resources.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <filesystem>

using namespace Setup::Core;
using TestSupport::Bytes;
using TestSupport::ReadAll;
using TestSupport::TTempDir;
using TestSupport::WriteAll;

namespace {

void Write(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    WriteAll(file, Bytes(text));
}

} // namespace

TEST(ProtectedFolders, RootsKnownFoldersAndTheirParentsAreNeverWiped) {
    const TTempDir temp;
    const std::u16string profile = ShellFolderPath(CSIDL_PROFILE);
    const std::u16string protectedFolders[] = {
        u"C:\\", u"C:", u"D:\\", u"\\\\server\\share\\", ShellFolderPath(CSIDL_WINDOWS), ShellFolderPath(CSIDL_SYSTEM),
        ShellFolderPath(CSIDL_PROGRAM_FILES), profile, ORV::ExtractFilePath(profile.substr(0, profile.size() - 1)),
        ShellFolderPath(CSIDL_PERSONAL), ShellFolderPath(CSIDL_DESKTOPDIRECTORY), ShellFolderPath(CSIDL_APPDATA),
        TempFolder(), u"c:\\WINDOWS",  // any case, with or without the backslash
    };
    for (const std::u16string& folder : protectedFolders) EXPECT_TRUE(IsProtectedFolder(folder)) << ORV::Utf16ToUtf8(folder);
    const std::u16string ordinary[] = {ShellFolderPath(CSIDL_PROGRAM_FILES) + u"QOVI\\", u"C:\\qovi-demo\\",
                                       temp.Folder(), ShellFolderPath(CSIDL_APPDATA) + u"QOVI\\", u"\\\\server\\share\\QOVI\\"};
    for (const std::u16string& folder : ordinary) EXPECT_FALSE(IsProtectedFolder(folder)) << ORV::Utf16ToUtf8(folder);
}

TEST(SetupHelper, CopyFolderCopiesEverythingBelowAndReplaces) {
    const TTempDir temp;
    Write(temp / "old" / "QOVI.ini", "settings");
    Write(temp / "old" / "Skins" / "Deep" / "a.skin", "skin");
    Write(temp / "new" / "QOVI.ini", "stale");
    TSetupHelper::CopyFolder(temp.File("old"), temp.File("new") + u"\\", false);
    EXPECT_EQ(ReadAll(temp / "new" / "QOVI.ini"), Bytes("settings"));
    EXPECT_EQ(ReadAll(temp / "new" / "Skins" / "Deep" / "a.skin"), Bytes("skin"));
    EXPECT_TRUE(std::filesystem::exists(temp / "old" / "QOVI.ini"));  // a copy, not a move

    TSetupHelper::CopyFolder(temp.File("old"), temp.File("new2"), true);
    EXPECT_EQ(ReadAll(temp / "new2" / "Skins" / "Deep" / "a.skin"), Bytes("skin"));
    EXPECT_FALSE(std::filesystem::exists(temp / "old"));

    // A target that cannot be made: the source stays as it was.
    Write(temp / "src" / "x.txt", "x");
    Write(temp / "file", "a file where the folder should be");
    EXPECT_EQ(TestSupport::MessageOf([&] { TSetupHelper::CopyFolder(temp.File("src"), temp.File("file") + u"\\sub", false); }),
              u"Cannot copy \"" + temp.File("src") + u"\" to \"" + temp.File("file") + u"\\sub\"");
    EXPECT_EQ(ReadAll(temp / "src" / "x.txt"), Bytes("x"));
}

TEST(SetupHelper, RemoveFolderTakesTheFolderButNeverWhatALinkPointsTo) {
    const TTempDir temp;
    Write(temp / "outside" / "keep.txt", "not ours");
    Write(temp / "dest" / "Plugins" / "p.dll", "plug-in");
    Write(temp / "dest" / "QOVI.exe", "player");
    const std::filesystem::path link = temp / "dest" / "Linked";
    ASSERT_TRUE(TestSupport::MakeFolderLink(link, temp / "outside"));

    TSetupHelper::RemoveFolder(temp.File("dest"), true);  // not empty: stays
    EXPECT_TRUE(std::filesystem::exists(temp / "dest" / "QOVI.exe"));
    TSetupHelper::RemoveFolder(temp.File("dest"), false);
    // Windows removes the link itself; Wine cannot remove a link of the Linux side on its own,
    // so there the link alone keeps its folder.
    EXPECT_FALSE(std::filesystem::exists(temp / "dest" / "QOVI.exe"));
    EXPECT_FALSE(std::filesystem::exists(temp / "dest" / "Plugins"));
    EXPECT_EQ(ReadAll(temp / "outside" / "keep.txt"), Bytes("not ours"));

    // A protected folder is never taken, whatever it holds.
    const std::filesystem::path desktop(ShellFolderPath(CSIDL_DESKTOPDIRECTORY));
    Write(desktop / "qovi-helper-test.txt", "the user's");
    TSetupHelper::RemoveFolder(desktop.u16string(), false);
    EXPECT_EQ(ReadAll(desktop / "qovi-helper-test.txt"), Bytes("the user's"));
    std::filesystem::remove(desktop / "qovi-helper-test.txt");
}
