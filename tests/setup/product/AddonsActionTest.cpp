// The add-on installer of the demo's setup package, written out and started by the add-on
// action as an interactive run with the user's choices does it.

#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "Setup.Core.Controller.h"
#include "Setup.Core.Resources.h"
#include "Setup.Product.QOVI.Addons.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using namespace Setup::Core;
using Setup::Product::QOVI::TSetupActionAddonsInstall;
using TestSupport::TTempDir;
namespace fs = std::filesystem;

namespace {

// The folders that runs of the setup made under TEMP.
std::vector<fs::path> SetupFolders() {
    std::vector<fs::path> folders;
    for (const auto& entry : fs::directory_iterator(fs::path(TempFolder())))
        if (entry.is_directory() && entry.path().filename().wstring().starts_with(L"Setup-")) folders.push_back(entry.path());
    std::sort(folders.begin(), folders.end());
    return folders;
}

std::vector<fs::path> NewFolders(const std::vector<fs::path>& before) {
    std::vector<fs::path> added;
    for (const fs::path& folder : SetupFolders())
        if (std::find(before.begin(), before.end(), folder) == before.end()) added.push_back(folder);
    return added;
}

std::string WaitForLog(const fs::path& log) {
    for (int slice = 0; slice < 200 && !fs::exists(log); ++slice) Sleep(50);
    Sleep(100);
    const std::vector<uint8_t> bytes = TestSupport::ReadAll(log);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(AddonsAction, TheInstallerRunsFromAFolderOfItsOwnWithTheChosenParameters) {
    const TTempDir dest;
    TSetup setup(u"/AUTO=\"" + dest.Folder() + u"\"");
    TSetupActionAddonsInstall action;

    // Nothing chosen: nothing written, nothing started.
    std::vector<fs::path> before = SetupFolders();
    action.Execute();
    EXPECT_TRUE(NewFolders(before).empty());

    setup.Settings().WriteBool(u"Common", u"AddonsViewer", true);
    setup.Settings().WriteBool(u"Common", u"AddonsShortcuts", true);
    std::vector<fs::path> folders;
    for (int run = 0; run < 2; ++run) {
        before = SetupFolders();
        action.Execute();
        const std::vector<fs::path> added = NewFolders(before);
        ASSERT_EQ(added.size(), 1u);
        folders.push_back(added[0]);
        EXPECT_EQ(WaitForLog(added[0] / "QOVIAddons.log"), "/SILENT /NOEXTENSIONS /VIEWER /SHORTCUTS \r\n");
        const auto renames = TestSupport::PendingRenames();
        EXPECT_GE(TestSupport::PendingDelete(renames, (added[0] / "QOVIAddons.exe").u16string()), 0);
    }
    EXPECT_NE(folders[0], folders[1]) << "every run writes the installer into a new folder";
    for (const fs::path& folder : folders) {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
}
