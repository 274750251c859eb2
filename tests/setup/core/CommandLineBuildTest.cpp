#include "Setup.Core.CommandLine.h"

#include "ORV.Strings.h"
#include "ORV.Utils.CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace Setup::Core;

struct TBuildCase {
    const char* Name;
    std::u16string Built;
    std::u16string Expected;
    // Each switch of the built line with the value it must read back as.
    std::vector<std::pair<std::u16string, std::u16string>> Switches;
};

// The restarted process reads its switches back through the same parser; what it builds must
// survive that round trip, the switches of the first start included.
TEST(CommandLineBuild, ReadsBackThroughTheSwitchParser) {
    const std::vector<TBuildCase> cases = {
        {"elevated restart", ElevatedRestartParams(12345, u"/AUTO /SILENT"), u"/SKIPUAC=12345 /AUTO /SILENT",
         {{SwitchSkipUAC, u"12345"}, {SwitchAuto, u""}, {SwitchSilent, u""}}},
        {"elevated restart, negative handle, no switches", ElevatedRestartParams(-2, u""), u"/SKIPUAC=-2 ",
         {{SwitchSkipUAC, u"-2"}}},
        {"elevated restart, handle beyond 32 bits", ElevatedRestartParams(0x123456789LL, u"/AUTO=\"D:\\My Apps\\\""),
         u"/SKIPUAC=4886718345 /AUTO=\"D:\\My Apps\\\"", {{SwitchSkipUAC, u"4886718345"}, {SwitchAuto, u"D:\\My Apps\\"}}},
        {"uninstaller copy", UninstallerCopyParams(u"C:\\QOVI\\", u"/AUTO"), u"/PATH=\"C:\\QOVI\\\" /AUTO",
         {{SwitchPath, u"C:\\QOVI\\"}, {SwitchAuto, u""}}},
        {"uninstaller copy, folder with blanks and no backslash",
         UninstallerCopyParams(u"C:\\Program Files\\QOVI", u""), u"/PATH=\"C:\\Program Files\\QOVI\\\" ",
         {{SwitchPath, u"C:\\Program Files\\QOVI\\"}}},
        {"uninstaller copy, the added PATH wins over an old one",
         UninstallerCopyParams(u"C:\\QOVI\\", u"/PATH=\"D:\\Old\\\" /SILENT"),
         u"/PATH=\"C:\\QOVI\\\" /PATH=\"D:\\Old\\\" /SILENT", {{SwitchPath, u"C:\\QOVI\\"}, {SwitchSilent, u""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Built, c.Expected);
        for (const auto& [name, expected] : c.Switches) {
            std::u16string value;
            EXPECT_TRUE(ORV::GetSwitchValue(c.Built, name, value)) << ORV::Utf16ToUtf8(name);
            EXPECT_EQ(value, expected);
        }
    }
}

} // namespace

// The folder of an automatic run is the first AUTO value, wherever that switch stands: a
// package manager adds its location switch to a silent switch that holds a bare /AUTO.
TEST(CommandLineBuild, TheAutoFolderIsTheFirstAutoSwitchWithAValue) {
    const std::vector<std::pair<std::u16string, std::u16string>> cases = {
        {u"/AUTO /SILENT", u""},
        {u"/AUTO=C:\\QOVI\\ /SILENT", u"C:\\QOVI\\"},
        {u"/AUTO /SILENT /SUPPRESSMSGBOXES /AUTO=\"D:\\My Apps\\QOVI\\\"", u"D:\\My Apps\\QOVI\\"},
        {u"-auto=E:\\A /auto=F:\\B", u"E:\\A"},
        {u"/SILENT", u""},
        {u"/AUTOMATIC=C:\\x", u""},
    };
    for (const auto& [line, folder] : cases) EXPECT_EQ(AutoFolderOf(line), folder) << ORV::Utf16ToUtf8(line);
}
