// The app theme as the registry tells it, the colours that count as dark, and the scaling of
// 96-DPI geometry.

#include "ORV.UI.Scaling.h"
#include "ORV.UI.Themes.h"
#include "ORV.Win32.Handles.h"

#include <gtest/gtest.h>

#include <optional>

using namespace ORV::UI;

namespace {

constexpr wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// Sets AppsUseLightTheme (nothing: absent) for the test and puts back what was there.
class TAppsTheme {
public:
    TAppsTheme() { FSaved = Read(); }
    ~TAppsTheme() { Write(FSaved); }
    static std::optional<DWORD> Read() {
        DWORD value = 0, size = sizeof value;
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        return value;
    }
    static void Write(std::optional<DWORD> value) {
        ORV::TScopedRegKey key;
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
        if (value)
            RegSetValueExW(key.Get(), L"AppsUseLightTheme", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*value), sizeof *value);
        else
            RegDeleteValueW(key.Get(), L"AppsUseLightTheme");
    }

private:
    std::optional<DWORD> FSaved;
};

} // namespace

TEST(Themes, TheAppThemeComesFromTheUsersSetting) {
    const TAppsTheme saved;
    TAppsTheme::Write(0);
    EXPECT_TRUE(IsAppsDarkMode());
    TAppsTheme::Write(1);
    EXPECT_FALSE(IsAppsDarkMode());
    TAppsTheme::Write(std::nullopt);
    EXPECT_FALSE(IsAppsDarkMode()) << "an absent value is light";
}

TEST(Themes, DarkColoursAndThemeMessages) {
    EXPECT_TRUE(IsDarkColor(RGB(0x26, 0x26, 0x26)));
    EXPECT_TRUE(IsDarkColor(RGB(0, 0, 0xFF)));  // pure blue is dark to the eye
    EXPECT_FALSE(IsDarkColor(RGB(0xFF, 0xFF, 0xFF)));
    EXPECT_FALSE(IsDarkColor(RGB(0xDE, 0x8C, 0x33)));

    EXPECT_TRUE(IsThemeChange(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet")));
    EXPECT_TRUE(IsThemeChange(WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0));
    EXPECT_FALSE(IsThemeChange(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl")));
    EXPECT_FALSE(IsThemeChange(WM_SETTINGCHANGE, 0, 0));
    EXPECT_TRUE(IsThemeChange(WM_THEMECHANGED, 0, 0));
    EXPECT_FALSE(IsThemeChange(WM_PAINT, 0, 0));
}

TEST(Scaling, GeometryScalesAsMulDivRounds) {
    const struct {
        int Value, Dpi, Scaled;
    } cases[] = {{640, 96, 640}, {640, 144, 960}, {53, 144, 80}, {25, 120, 31}, {3, 144, 5}, {-3, 144, -5}, {0, 192, 0}};
    for (const auto& c : cases) EXPECT_EQ(Scale(c.Value, c.Dpi), c.Scaled) << c.Value << " at " << c.Dpi;
    const RECT rect = Scale(RECT{12, 447, 269, 472}, 144);
    EXPECT_EQ(rect.left, 18);
    EXPECT_EQ(rect.top, 671);
    EXPECT_EQ(rect.right, 404);
    EXPECT_EQ(rect.bottom, 708);
    EXPECT_GT(WindowDpi(nullptr), 0);
}
