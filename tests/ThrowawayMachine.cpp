// The Windows tests change the machine they run on: they install and remove the player in
// Program Files, write its uninstall entry and its shortcuts for all users, delete the users'
// "QOVI" profiles and write at the root of drive C:. They are meant for the throwaway Wine
// prefix that scripts/wine-up.sh makes. On a real Windows they refuse to run unless
// QOVI_TESTS_MAY_CHANGE_THIS_MACHINE=1 says that this machine is a throwaway one too.

#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>

namespace {

bool RunsUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool MachineMayChange() {
    wchar_t value[4] = {};
    return GetEnvironmentVariableW(L"QOVI_TESTS_MAY_CHANGE_THIS_MACHINE", value, 4) == 1 && value[0] == L'1';
}

class TThrowawayMachine : public ::testing::Environment {
public:
    void SetUp() override {
        if (RunsUnderWine() || MachineMayChange()) return;
        FAIL() << "These tests install and remove the player and change this machine's shortcuts, uninstall "
                  "entries and profiles. Run them under Wine (make test), or set "
                  "QOVI_TESTS_MAY_CHANGE_THIS_MACHINE=1 on a machine that may be changed.";
    }
};

[[maybe_unused]] ::testing::Environment* const kCheck = ::testing::AddGlobalTestEnvironment(new TThrowawayMachine);

} // namespace
