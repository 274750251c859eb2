#include "Setup.Core.ProductInfo.h"

#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.Resources.h"

#include <shlobj.h>

namespace Setup::Core {

TSetupProductInfoClass ProductInfoClass = nullptr;

std::u16string VersionIdText(int32_t versionId) {
    const int32_t minor = (versionId % 1000) / 10;
    const std::u16string minorText = ORV::IntToStr(minor < 0 ? -minor : minor);
    return ORV::IntToStr(versionId / 1000) + u"." + (minorText.size() < 2 ? u"0" + minorText : minorText);
}

std::u16string TSetupProductInfo::Setting(std::u16string_view name) const {
    std::u16string value;
    FHost.Resources().Script().GetSetting(name, value);
    return value;
}

std::u16string TSetupProductInfo::GetDefaultPath() {
    return FHost.Resources().ProgramFilesFolder() + GetProductName() + u"\\";
}

std::u16string TSetupProductInfo::GetPortablePath() {
    wchar_t path[MAX_PATH] = {};
    std::u16string desktop;
    if (SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_DONT_VERIFY, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK && path[0])
        desktop = ORV::IncludeTrailingBackslash(ORV::FromW(path));
    else
        desktop = TempFolder();
    return desktop + GetProductName() + u"\\";
}

std::u16string TSetupProductInfo::GetHomePage() { return Setting(u"HomePage"); }

std::u16string TSetupProductInfo::GetProductName() {
    std::u16string name = Setting(u"ProductName");
    if (name.empty()) throw EInstallerGeneralError(kMsgSetupWrongConfig);
    return name;
}

std::u16string TSetupProductInfo::GetPublisher() { return Setting(u"Publisher"); }

std::u16string TSetupProductInfo::GetProductVersion() { return Setting(u"ProductVersion"); }

int32_t TSetupProductInfo::GetProductVersionId() {
    int32_t id = 0;
    return ORV::TryStrToInt32(Setting(u"ProductVersionId"), id) ? id : 0;
}

std::u16string TSetupProductInfo::GetFullVersion() { return GetProductVersion() + u", " + Setting(u"BuildDate"); }

std::u16string TSetupProductInfo::InstalledVersionText() { return VersionIdText(InstalledVersion()); }

std::u16string TSetupProductInfo::GetProductVersionNo() { return Setting(u"ProductVersionNo"); }

} // namespace Setup::Core
