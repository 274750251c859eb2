// Calling a COM server's registration exports: the demo's shell-menu library records each call
// in a log beside itself.

#include "Setup.Core.ActiveX.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

using namespace Setup::Core;

namespace {

std::vector<std::string> LogLines(const std::filesystem::path& log) {
    std::vector<std::string> lines;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

} // namespace

TEST(ActiveX, CallsTheExportOfALibraryByItsFullPathOnly) {
    TestSupport::TTempDir dir;
    const std::filesystem::path library = dir / "qovi_menu32.dll";
    std::filesystem::copy_file(TestSupport::BuiltFile(QOVI_DEMO_MENU), library);
    const std::filesystem::path log = dir / "qovi_menu32.log";

    TSetupActiveX::Unregister(library.u16string());
    TSetupActiveX::CallExport(library.u16string(), "NoSuchExport");
    TSetupActiveX::CallExport(library.u16string(), "DllRegisterServer");
    EXPECT_EQ(LogLines(log), (std::vector<std::string>{"DllUnregisterServer", "DllRegisterServer"}));
    EXPECT_EQ(GetModuleHandleW(library.c_str()), nullptr);  // unloaded again

    // Nothing to load, or a bare name that only a search could find: skipped without a word.
    TSetupActiveX::Unregister((dir / "missing.dll").u16string());
    const std::filesystem::path current = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    TSetupActiveX::Unregister(u"qovi_menu32.dll");
    std::filesystem::current_path(current);
    EXPECT_EQ(LogLines(log).size(), 2u);
}
