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

TEST(DeleteList, StepProgressRoundsHalvesAwayFromZero) {
    const struct {
        int64_t Done, Total;
        int32_t Expected;
    } cases[] = {{0, 3, 0}, {1, 3, 33}, {2, 3, 67}, {1, 8, 13}, {1, 200, 1}, {1, 201, 0}, {3, 3, 100}, {5, 0, 0},
                 {3000000000ll, 6000000000ll, 50}};
    for (const auto& c : cases) EXPECT_EQ(StepProgress(c.Done, c.Total), c.Expected) << c.Done << "/" << c.Total;
}
