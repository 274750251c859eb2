// Collecting folders for an archive, on real folders.

#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "Setup.Core.FileList.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

using namespace Setup::Core;
using TestSupport::TTempDir;

namespace {


void MakeFile(const std::u16string& path) {
    const HANDLE file = CreateFileW(ORV::W(ORV::LongPathForm(path)), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

void MakeFolder(const std::u16string& path) { ASSERT_TRUE(CreateDirectoryW(ORV::W(ORV::LongPathForm(path)), nullptr)); }

std::vector<std::u16string> Search(const std::u16string& root, const std::u16string& excluded = {}) {
    ORV::TORVStringList found;
    TFileSearchHelper().Search(root, excluded, found);
    std::vector<std::u16string> files;
    for (int32_t i = 0; i < found.Count(); ++i) files.push_back(found.Strings(i));
    return files;
}

// A folder with two files and the subfolders "B", "a" (with a file and a subfolder) and "C":
// sorted with case ignored they come a, B, C; an ordinal sort would put "a" last.
class FolderSearch : public ::testing::Test {
protected:
    void SetUp() override {
        Root = Dir.Folder();
        for (const char16_t* name : {u"one.txt", u"two.txt"}) MakeFile(Root + name);
        for (const char16_t* name : {u"B", u"a", u"C", u"a\\deeper"}) MakeFolder(Root + name);
        for (const char16_t* name : {u"B\\b.txt", u"a\\a.txt", u"C\\c.txt", u"a\\deeper\\d.txt"}) MakeFile(Root + name);
    }
    TTempDir Dir;
    std::u16string Root;
};

} // namespace

TEST_F(FolderSearch, ListsAFoldersFilesBeforeItsSubfoldersInSortedOrder) {
    const std::vector<std::u16string> files = Search(Root);
    ASSERT_EQ(files.size(), 6u);
    // The file system decides the order of the two files; the folders come in sorted order.
    EXPECT_EQ(std::set<std::u16string>(files.begin(), files.begin() + 2),
              (std::set<std::u16string>{Root + u"one.txt", Root + u"two.txt"}));
    EXPECT_EQ(std::vector<std::u16string>(files.begin() + 2, files.end()),
              (std::vector<std::u16string>{Root + u"a\\a.txt", Root + u"a\\deeper\\d.txt", Root + u"B\\b.txt",
                                           Root + u"C\\c.txt"}));
    // The root may come without its backslash.
    EXPECT_EQ(Search(Root.substr(0, Root.size() - 1)), files);
}

TEST_F(FolderSearch, AnExcludedPrefixSkipsTheFolderAndEverythingBelowIt) {
    EXPECT_TRUE(Search(Root, Root).empty());
    const std::vector<std::u16string> files = Search(Root, Root + u"A\\");  // case ignored
    EXPECT_EQ(files.size(), 4u);
    for (const std::u16string& file : files) EXPECT_EQ(file.find(u"\\a\\"), std::u16string::npos);
    EXPECT_TRUE(Search(Root + u"missing\\").empty());
    EXPECT_TRUE(Search(u"").empty());
}

TEST_F(FolderSearch, FileListTakesArchiveNamesRelativeToTheRootAndRemovesByName) {
    TSetupFileList list;
    list.Add(u"C:\\elsewhere\\QOVI.ini", u"Profile\\QOVI.ini");
    list.AddFolder(Root, Root + u"c\\", u"Program\\");
    ASSERT_EQ(list.Count(), 6);
    EXPECT_EQ(list.Items(0).ArchiveName, u"Profile\\QOVI.ini");
    EXPECT_EQ(list.Items(3).FileName, Root + u"a\\a.txt");
    EXPECT_EQ(list.Items(3).ArchiveName, u"Program\\a\\a.txt");
    EXPECT_EQ(list.Items(4).ArchiveName, u"Program\\a\\deeper\\d.txt");

    list.RemoveByName(u"qovi.INI");
    list.RemoveByName(u"A.TXT");
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Items(2).ArchiveName, u"Program\\a\\deeper\\d.txt");
}

TEST(FileSearch, FindsFilesBelowTheClassicPathLimit) {
    TTempDir dir;
    std::u16string folder = dir.Folder();
    while (folder.size() < 300) {
        folder += u"a-rather-long-folder-name-for-the-path-limit\\";
        MakeFolder(folder);
    }
    MakeFile(folder + u"deep.txt");
    EXPECT_EQ(Search(dir.Folder()), std::vector<std::u16string>{folder + u"deep.txt"});
    // TTempDir cannot remove what it cannot name; take the deep part away here.
    DeleteFileW(ORV::W(ORV::LongPathForm(folder + u"deep.txt")));
    while (folder.size() > dir.Folder().size()) {
        RemoveDirectoryW(ORV::W(ORV::LongPathForm(folder)));
        folder = ORV::ExtractFilePath(folder.substr(0, folder.size() - 1));
    }
}
