// The setup resources of this test program: it carries the packages made from
// tests/setup/fixtures as its resources "SETUP" and "PRODUCT", exactly as an installer does.

#include "ORV.SysUtils.h"
#include "ORV.Strings.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.Package.h"
#include "Setup.Core.Paths.h"
#include "TestSetupHost.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace Setup::Core;
using TestSupport::MessageOf;
using TestSupport::TTempDir;
using TestSupport::TTestSetupHost;

namespace {

std::string TextOf(ORV::TMemoryStream& stream) {
    return std::string(reinterpret_cast<const char*>(stream.Memory()), stream.Length());
}

void WritePackage(const std::u16string& fileName, std::initializer_list<std::pair<std::u16string, std::string>> files) {
    TSetupPackageBuilder builder;
    for (const auto& [name, text] : files) {
        ORV::TMemoryStream data = TestSupport::MemoryStreamOf(TestSupport::Bytes(text));
        builder.AddFile(data, name);
    }
    builder.SaveToFile(fileName, 1);
}

} // namespace

TEST(SetupResources, TakesFilesFromTheProductPackageFirst) {
    TTestSetupHost host;
    const TSetupResources& resources = host.Resources();
    EXPECT_EQ(TextOf(*resources.GetFile(u"shared.txt")), "from the product package");
    EXPECT_EQ(TextOf(*resources.GetFile(u"SETUP-ONLY.TXT")), "only in the setup package");
    EXPECT_EQ(MessageOf<EInstallerInstallError>([&] { resources.GetFile(u"missing.txt"); }),
              u"Cannot locate \"missing.txt\" file in setup archive");
}

TEST(SetupResources, ListsOnlyTheSetupPackagesLanguagesInNaturalOrder) {
    TTestSetupHost host;
    const ORV::TORVStringList& languages = host.Resources().Languages();
    ASSERT_EQ(languages.Count(), 4);  // Product.lng of the product package is no choice
    EXPECT_EQ(languages.Strings(0), u"English.lng");
    EXPECT_EQ(languages.Strings(1), u"Lang9.LNG");
    EXPECT_EQ(languages.Strings(2), u"Lang10.lng");
    EXPECT_EQ(languages.Strings(3), u"Russian.lng");
}

// Russian.lng carries LangId 1033, English.lng 2057: on a system whose interface language is
// US English (Wine's), Russian is preselected and merged over English.
TEST(SetupResources, MergesThePreselectedLanguageOverEnglish) {
    const int32_t ui = ORV::Platform::UserDefaultUILanguage();
    if (ui == 2057 || ui == 1043 || ui == 1044) GTEST_SKIP() << "the interface language selects another file";
    TTestSetupHost host;
    TSetupResources& resources = host.Resources();
    // Before a language is chosen the family is "EN", although the script lists RU first.
    EXPECT_EQ(TextOf(*resources.GetLicense()), "{\\rtf1\\ansi English licence\\par}");
    resources.InitializeLanguages();

    EXPECT_EQ(resources.LanguageName(), u"Russian");
    EXPECT_EQ(resources.GetLangFamily(), u"RU");
    EXPECT_EQ(resources.GetMessage(u"Common", u"Hello"), u"Привет");
    EXPECT_EQ(resources.GetMessage(u"Common", u"E4"), u"The installation was stopped.");  // English fallback
    EXPECT_EQ(resources.Messages().ReadSectionText(u"RussianOnly"), u"First=1\r\nSecond=2\r\n");
    EXPECT_EQ(resources.GetMessage(u"Common", u"Lines"), u"Line one\r\nLine two");
    EXPECT_EQ(resources.GetMessage(u"Common", u"Capital"), u"Line one\\Nline two");
    EXPECT_EQ(resources.GetMessage(u"Common", u"Absent"), u"");
    EXPECT_EQ(TextOf(*resources.GetLicense()), "{\\rtf1\\ansi Russian licence\\par}");

    const std::vector<TSetupLanguageEntry> entries = resources.LanguageEntries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[3].Info.Name, u"Русский");
    EXPECT_EQ(entries[3].Info.LangId, 1033);
}

TEST(SetupResources, ExpandsTheMacrosInOrderAndNormalisesPaths) {
    TTestSetupHost host;
    const TSetupResources& resources = host.Resources();
    host.DestPathValue = u"C:\\Apps\\Player\\";

    EXPECT_EQ(resources.ExpandPath(u"$DEST\\Plugins\\\\x.dll"), u"C:\\Apps\\Player\\Plugins\\x.dll");
    EXPECT_EQ(resources.ExpandPath(u"C:\\A\\..\\B\\"), u"C:\\A\\B\\");
    EXPECT_EQ(resources.ExpandPath(u"C:\\A:B\\file?.txt"), u"C:\\AB\\file.txt");
    // A line break has no place in a path: "\n" there starts a name.
    EXPECT_EQ(resources.ExpandPath(u"$DEST\\Plugins\\net.dll"), u"C:\\Apps\\Player\\Plugins\\net.dll");
    EXPECT_EQ(resources.Expand(u"$dest $Name"), u"$dest $Name");
    EXPECT_EQ(resources.Expand(u"one\\ntwo"), u"one\r\ntwo");
    EXPECT_EQ(resources.Expand(u"$NAME $VERSION $LINK"), u"QOVI 5.10, 2026-12-01 https://qovi.example.org/");
    EXPECT_EQ(resources.Expand(u"$TEMP"), TempFolder());
    EXPECT_EQ(resources.Expand(u"$DESKTOP|$STARTMENU|$PROGRAMS"),
              resources.DesktopFolder() + u"|" + resources.StartMenuFolder() + u"|" + resources.ProgramFilesFolder());

    // Each macro is searched for in what the ones before it produced, and line breaks come
    // first, so a destination's "\n" is no line break.
    host.DestPathValue = u"C:\\$NAME\\";
    EXPECT_EQ(resources.Expand(u"$DEST"), u"C:\\QOVI\\");
    host.DestPathValue = u"C:\\new\\";
    EXPECT_EQ(resources.Expand(u"$DEST"), u"C:\\new\\");
}

TEST(SetupResources, NamesTheShellFolders) {
    TTestSetupHost host;
    const TSetupResources& resources = host.Resources();
    for (const std::u16string* folder : {&resources.DesktopFolder(), &resources.ProgramFilesFolder(),
                                         &resources.NativeProgramFilesFolder(), &resources.StartMenuFolder()}) {
        ASSERT_GE(folder->size(), 4u);
        EXPECT_EQ(folder->back(), u'\\') << ORV::Utf16ToUtf8(*folder);
    }
    wchar_t programFiles[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"ProgramFiles", programFiles, MAX_PATH), 0u);
    EXPECT_TRUE(ORV::Platform::SameTextLocale(resources.ProgramFilesFolder(),
                                              reinterpret_cast<const char16_t*>(programFiles) + std::u16string(u"\\")));
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const bool x86Folder = resources.ProgramFilesFolder().find(u" (x86)") != std::u16string::npos;
    EXPECT_EQ(x86Folder, wow64 != FALSE);  // a 32-bit program on a 64-bit system sees " (x86)"
    EXPECT_EQ(resources.NativeProgramFilesFolder(), NativeProgramFilesFolderOf(resources.ProgramFilesFolder()));
    EXPECT_EQ(resources.NativeProgramFilesFolder().find(u" (x86)"), std::u16string::npos);
}

TEST(SetupResources, ReadsTextFilesAndPictures) {
    TTestSetupHost host;
    const TSetupResources& resources = host.Resources();

    auto addons = resources.GetStrings(u"addons.ini");  // UTF-16 with its mark
    ASSERT_EQ(addons->Count(), 3);
    EXPECT_EQ(addons->Strings(0), u"P1=/NOEXT");
    EXPECT_EQ(addons->Strings(2), u"L0=Дополнения");

    auto image = resources.GetImage(u"picture.png");
    EXPECT_EQ(image->Width(), 4);
    EXPECT_EQ(image->Height(), 2);
    EXPECT_EQ(image->PixelOffsetMode(), ORV::pomHalf);
    EXPECT_EQ(image->Pixel(3, 1), 0xFFFF0000u);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT rect{0, 0, 8, 4};
    EXPECT_TRUE(image->Draw(dc, rect));
    EXPECT_EQ(GetPixel(dc, 4, 2), RGB(255, 0, 0));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);

    EXPECT_THROW(resources.GetImage(u"License_EN.rtf"), ORV::EInvalidOperation);
}

TEST(SetupResources, AnUninstallerReadsItsProductPackageFromTheDatFileBesideIt) {
    TTempDir temp;
    const std::u16string dataFile = temp.File("UNINSTALL.dat");
    WritePackage(dataFile, {{u"Uninstall.ini", "[Files]\r\n"},
                            {u"shared.txt", "from the data file"},
                            {u"Install.xml", "<Setup><product><Settings><V name=\"Publisher\" value=\"X\"/>"
                                             "</Settings></product></Setup>"}});
    // The uninstaller's data package may be open elsewhere, for reading and for writing.
    HANDLE other = CreateFileW(reinterpret_cast<const wchar_t*>(dataFile.c_str()), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);

    TTestSetupHost host(temp.File("UNINSTALL.EXE"));
    CloseHandle(other);
    const TSetupResources& resources = host.Resources();
    EXPECT_TRUE(resources.ProductPackage().Contains(u"Uninstall.ini"));
    EXPECT_EQ(TextOf(*resources.GetFile(u"shared.txt")), "from the data file");
    EXPECT_EQ(TextOf(*resources.GetFile(u"setup-only.txt")), "only in the setup package");
    // The data package's script has no product name, and every expansion needs it.
    EXPECT_EQ(MessageOf<EInstallerGeneralError>([&] { resources.Expand(u"plain"); }), u"Setup has wrong config");
}

TEST(SetupResources, OtherProgramNamesUseThePackageTheyCarry) {
    TTempDir temp;
    WritePackage(temp.File("Setup.dat"), {{u"Uninstall.ini", ""}});
    TTestSetupHost host(temp.File("Setup.exe"));
    EXPECT_FALSE(host.Resources().ProductPackage().Contains(u"Uninstall.ini"));
    EXPECT_TRUE(IsUninstallerExe(u"C:\\x\\uninstall.EXE"));
    EXPECT_FALSE(IsUninstallerExe(u"C:\\Uninstall.exe\\Setup.exe"));
}

TEST(SetupResources, ReportsAMissingOrCorruptedDataPackage) {
    TTempDir temp;
    EXPECT_THROW(TTestSetupHost host(temp.File("Uninstall.exe")), ORV::EFOpenError);
    TestSupport::WriteAll(temp / "Uninstall.dat", TestSupport::Bytes("IPK5 but nothing else"));
    EXPECT_EQ(MessageOf<ESetupPackageReadError>([&] { TTestSetupHost host(temp.File("Uninstall.exe")); }),
              u"Package was corrupted");
}
