#include "Setup.Core.CommandLine.h"

#include "ORV.Strings.h"
#include "ORV.Utils.Strings.h"

namespace Setup::Core {

std::u16string ElevatedRestartParams(int64_t spawnWindow, const std::u16string& params) {
    return ORV::Format(u"/%s=%d %s", {SwitchSkipUAC, static_cast<long long>(spawnWindow), params});
}

std::u16string UninstallerCopyParams(const std::u16string& folder, const std::u16string& params) {
    return ORV::Format(u"/%s=\"%s\" %s", {SwitchPath, ORV::IncludeTrailingBackslash(folder), params});
}

} // namespace Setup::Core
