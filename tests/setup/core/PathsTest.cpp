#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "Setup.Core.Paths.h"

#include <gtest/gtest.h>

using namespace Setup::Core;

namespace {

TPathMacros Macros() {
    TPathMacros m;
    m.DestPath = u"C:\\Apps\\Player\\";
    m.TempPath = u"C:\\Temp\\";
    m.HomePage = u"https://qovi.example/";
    m.ProductName = u"QOVI";
    m.FullVersion = u"5.04 (2026-12-01)";
    m.DesktopFolder = u"C:\\Users\\Public\\Desktop\\";
    m.StartMenuFolder = u"C:\\ProgramData\\Start Menu\\Programs\\";
    m.ProgramFilesFolder = u"C:\\Program Files (x86)\\";
    return m;
}

} // namespace

TEST(Paths, MacrosExpandInOrderAndCaseSensitively) {
    const struct {
        const char16_t* Text;
        const char16_t* Expected;
    } cases[] = {
        {u"$DEST\\QOVI.exe", u"C:\\Apps\\Player\\\\QOVI.exe"},
        {u"$dest\\QOVI.exe", u"$dest\\QOVI.exe"},
        {u"Line one\\nLine two", u"Line one\r\nLine two"},
        {u"$NAME $VERSION, $LINK", u"QOVI 5.04 (2026-12-01), https://qovi.example/"},
        {u"$DESKTOP$NAME.lnk|$STARTMENU|$PROGRAMS|$TEMP", u"C:\\Users\\Public\\Desktop\\QOVI.lnk|"
                                                         u"C:\\ProgramData\\Start Menu\\Programs\\|"
                                                         u"C:\\Program Files (x86)\\|C:\\Temp\\"},
        {u"", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(ExpandMacros(c.Text, Macros()), c.Expected) << ORV::Utf16ToUtf8(c.Text);

    // Text a macro brings in is searched by the later macros.
    TPathMacros chained = Macros();
    chained.DestPath = u"$NAME\\";
    EXPECT_EQ(ExpandMacros(u"$DEST", chained), u"QOVI\\");
    chained.ProductName = u"$DEST";
    EXPECT_EQ(ExpandMacros(u"$NAME", chained), u"$DEST");  // $DEST was replaced before $NAME
}

TEST(Paths, NormalizationKeepsTheRootAndCleansEveryPiece) {
    const struct {
        const char16_t* Path;
        const char16_t* Expected;
    } cases[] = {
        {u"C:\\Apps\\Player\\\\Plugins\\\\x.dll", u"C:\\Apps\\Player\\Plugins\\x.dll"},
        {u"C:\\A\\..\\B\\", u"C:\\A\\B\\"},
        {u"C:\\A:B\\file?.txt", u"C:\\AB\\file.txt"},
        {u"C:\\..\\..\\Windows\\System32", u"C:\\Windows\\System32"},
        {u"C:\\a/b\\<c>|*\\ d \\x\x01y", u"C:\\ab\\c\\d\\xy"},
        {u"C:\\say \"hi\"\\", u"C:\\say 'hi'\\"},
        {u"\\\\server\\share\\.\\x\\", u"\\\\server\\share\\x\\"},
        {u"\\\\server", u"\\\\server\\"},
        {u"C:\\", u"C:\\"},
        {u"C:", u"C:\\"},
        {u"Plugins\\x.dll", u"Plugins\\x.dll"},
        {u"..\\x", u"x"},
        {u"", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(NormalizePath(c.Path), c.Expected) << ORV::Utf16ToUtf8(c.Path);

    const std::u16string longPiece(300, u'a');
    EXPECT_EQ(NormalizePath(u"C:\\" + longPiece + u"\\b"), u"C:\\" + longPiece.substr(0, 260) + u"\\b");
}

TEST(Paths, AFolderInAnyWrittenFormGetsBackslashesAndNoExtendedPrefix) {
    const struct {
        const char16_t* Path;
        const char16_t* Expected;
        bool Full;
    } cases[] = {
        {u"C:/Q/dest", u"C:\\Q\\dest", true},
        {u"C:\\Q\\\\dest", u"C:\\Q\\\\dest", true},  // NormalizePath collapses the doubled one later
        {u"\\\\?\\C:\\Q", u"C:\\Q", true},
        {u"\\\\?\\UNC\\server\\share\\Q", u"\\\\server\\share\\Q", true},
        {u"//server/share", u"\\\\server\\share", true},
        {u"\\\\server", u"\\\\server", false},
        {u"\\\\server\\", u"\\\\server\\", false},
        {u"C:Apps", u"C:Apps", false},
        {u"\\Apps", u"\\Apps", false},
        {u"Apps/QOVI", u"Apps\\QOVI", false},
        {u"1:\\x", u"1:\\x", false},
        {u"", u"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BackslashPathForm(c.Path), c.Expected) << ORV::Utf16ToUtf8(c.Path);
        EXPECT_EQ(ORV::IsFullPath(BackslashPathForm(c.Path)), c.Full) << ORV::Utf16ToUtf8(c.Path);
    }
}

TEST(Paths, NativeProgramFilesDropsTheX86Suffix) {
    EXPECT_EQ(NativeProgramFilesFolderOf(u"C:\\Program Files (x86)\\"), u"C:\\Program Files\\");
    EXPECT_EQ(NativeProgramFilesFolderOf(u"C:\\Program Files\\"), u"C:\\Program Files\\");
    EXPECT_EQ(NativeProgramFilesFolderOf(u"C:\\Program Files (X86)\\"), u"C:\\Program Files (X86)\\");
}
