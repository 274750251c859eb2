#include "Setup.Product.QOVI.Rules.h"

#include <gtest/gtest.h>

using namespace Setup::Product::QOVI;
using Setup::Core::TSetupDeleteList;

TEST(ProductRules, TheBackupArchiveIsNamedAfterTheVersionAndTheTime) {
    EXPECT_EQ(BackupArchiveName(u"5.10", {2026, 12, 10, 9, 5, 7}), u"z Before install 5.10 [2026.12.10 09-05-07].zip");
    EXPECT_EQ(BackupArchiveName(u"5.10", {2027, 1, 2, 23, 59, 59}), u"z Before install 5.10 [2027.01.02 23-59-59].zip");
}

TEST(ProductRules, AnUpdateKeepsTheUsersFoldersAndPluginsFrom360On) {
    const TSetupDeleteList all = {u"C:\\Q\\Plugins\\p.dll", u"C:\\Q\\icons\\i.ico", u"C:\\Q\\System\\Data\\d",
                                  u"C:\\Q\\System\\Encoders\\e", u"C:\\Q\\System\\other", u"C:\\Q\\Skins\\s",
                                  u"C:\\Q\\libwebp.dll", u"C:\\Q\\QOVI.exe"};
    TSetupDeleteList list = all;
    KeepUserFolders(list, u"C:\\Q\\", 3600);
    EXPECT_EQ(list, (TSetupDeleteList{u"C:\\Q\\System\\other", u"C:\\Q\\QOVI.exe"}));
    list = all;
    KeepUserFolders(list, u"C:\\Q\\", 3590);
    EXPECT_EQ(list, (TSetupDeleteList{u"C:\\Q\\Plugins\\p.dll", u"C:\\Q\\System\\other", u"C:\\Q\\QOVI.exe"}));
}

TEST(ProductRules, ObsoletePluginsByTheVersionThatDroppedThem) {
    EXPECT_EQ(ObsoletePluginFolders(3600).size(), 11u);
    EXPECT_EQ(ObsoletePluginFolders(4002).size(), 6u);
    EXPECT_EQ(ObsoletePluginFolders(4699).size(), 5u);
    EXPECT_EQ(ObsoletePluginFolders(5030).size(), 4u);
    EXPECT_EQ(ObsoletePluginFolders(5040), ObsoletePluginFolders(5030));
    EXPECT_EQ(kRetiredSkinFiles.size(), 2u);
}

TEST(ProductRules, ProfileFolders) {
    EXPECT_EQ(ProfilePath(u"C:\\Users\\a\\AppData\\Roaming\\", 5040, u"QOVI", u"D:\\Q\\"), u"C:\\Users\\a\\AppData\\Roaming\\QOVI\\");
    EXPECT_EQ(ProfilePath(u"C:\\Users\\a\\AppData\\Roaming\\", 3600, u"QOVI", u"D:\\Q\\"), u"C:\\Users\\a\\AppData\\Roaming\\QOVI3\\");
    // Other users' folders come without a separator, and are used as they stand.
    EXPECT_EQ(ProfilePath(u"C:\\Users\\b\\AppData\\Roaming", 5040, u"QOVI", u"D:\\Q\\"), u"C:\\Users\\b\\AppData\\RoamingQOVI\\");
    EXPECT_EQ(ProfilePath(u"", 5040, u"QOVI", u"D:\\Q\\"), u"D:\\Q\\Profile\\");
}
