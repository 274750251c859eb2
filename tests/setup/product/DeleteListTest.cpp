#include "ORV.Strings.h"
#include "Setup.Core.DeleteList.h"

#include <gtest/gtest.h>

using namespace Setup::Core;

TEST(DeleteList, PrefixesAndRepeatsAreRemovedIgnoringCase) {
    TSetupDeleteList list = {u"C:\\Q\\Skins\\a.skin", u"C:\\Q\\QOVI.exe", u"c:\\q\\skins\\B.skin", u"C:\\Q\\Skins2\\c",
                             u"C:\\Q\\qovi.EXE", u"C:\\Q\\QOVI.exe"};
    RemovePrefix(list, u"C:\\Q\\SKINS\\");
    EXPECT_EQ(list, (TSetupDeleteList{u"C:\\Q\\QOVI.exe", u"C:\\Q\\Skins2\\c", u"C:\\Q\\qovi.EXE", u"C:\\Q\\QOVI.exe"}));
    RemoveRepeated(list);
    EXPECT_EQ(list, (TSetupDeleteList{u"C:\\Q\\QOVI.exe", u"C:\\Q\\Skins2\\c"}));
}

TEST(DeleteList, FoldersAreTriedChildrenFirst) {
    const TSetupDeleteList list = {u"C:\\Q\\Plugins\\x\\a.dll", u"C:\\Q\\b.txt", u"C:\\Q\\Plugins\\", u"C:\\Q\\plugins\\x\\c",
                                   u"C:\\Q\\Plugins\\x\\y\\d", u"nothing"};
    // Tried from the last to the first.
    EXPECT_EQ(FoldersToTry(list),
              (std::vector<std::u16string>{u"C:\\Q\\", u"C:\\Q\\Plugins\\", u"C:\\Q\\Plugins\\x\\", u"C:\\Q\\Plugins\\x\\y\\"}));
}

// Below a folder whose other content is not ours, every folder between a file and the folder
// is tried, the folder itself never.
TEST(DeleteList, FoldersBelowABaseIncludeTheOnesBetween) {
    const TSetupDeleteList list = {u"C:\\a\\b\\c\\f.txt", u"C:\\g.txt", u"C:\\A\\h.txt", u"D:\\x\\y.txt"};
    EXPECT_EQ(FoldersToTryBelow(list, u"C:\\"),
              (std::vector<std::u16string>{u"C:\\a\\", u"C:\\a\\b\\", u"C:\\a\\b\\c\\"}));
    EXPECT_EQ(FoldersToTryBelow(list, u"C:\\A\\B\\"), (std::vector<std::u16string>{u"C:\\a\\b\\c\\"}));
    EXPECT_TRUE(FoldersToTryBelow(list, u"E:\\").empty());
}

TEST(DeleteList, StepProgressRoundsHalvesAwayFromZero) {
    const struct {
        int64_t Done, Total;
        int32_t Expected;
    } cases[] = {{0, 3, 0}, {1, 3, 33}, {2, 3, 67}, {1, 8, 13}, {1, 200, 1}, {1, 201, 0}, {3, 3, 100}, {5, 0, 0},
                 {3000000000ll, 6000000000ll, 50}};
    for (const auto& c : cases) EXPECT_EQ(StepProgress(c.Done, c.Total), c.Expected) << c.Done << "/" << c.Total;
}

// A record names files below its installation, or elsewhere by their full path; nothing it
// says may reach above the installation by climbing.
TEST(DeleteList, UninstallEntriesResolveBelowTheDestinationOrStandAsFullPaths) {
    const std::u16string dest = u"C:\\Apps\\QOVI\\";
    const struct {
        const char16_t* Entry;
        bool Resolved;
        const char16_t* Path;
    } cases[] = {
        {u"QOVI.exe", true, u"C:\\Apps\\QOVI\\QOVI.exe"},
        {u"Plugins/x/a.dll", true, u"C:\\Apps\\QOVI\\Plugins\\x\\a.dll"},
        {u"Sub\\..\\.\\a.txt", true, u"C:\\Apps\\QOVI\\a.txt"},
        {u"D:\\Shared\\codec.dll", true, u"D:\\Shared\\codec.dll"},
        {u"\\\\server\\share\\x.dll", true, u"\\\\server\\share\\x.dll"},
        {u"..\\victim.txt", false, u""},
        {u"Sub\\..\\..\\QOVI2\\a.txt", false, u""},
        {u"\\Windows\\win.ini", false, u""},
        {u"C:Windows\\win.ini", false, u""},
        {u"", false, u""},
        {u".", false, u""},
    };
    for (const auto& c : cases) {
        std::u16string path = u"unchanged";
        EXPECT_EQ(ResolveUninstallEntry(c.Entry, dest, path), c.Resolved) << ORV::Utf16ToUtf8(c.Entry);
        EXPECT_EQ(path, c.Resolved ? std::u16string(c.Path) : u"unchanged") << ORV::Utf16ToUtf8(c.Entry);
    }
}
