#include "Setup.Core.CommandLine.h"

#include "ORV.Strings.h"

namespace Setup::Core {

std::u16string ElevatedRestartParams(int64_t spawnWindow, const std::u16string& params) {
    return ORV::Format(u"/%s=%d %s", {SwitchSkipUAC, static_cast<long long>(spawnWindow), params});
}

std::u16string UninstallerCopyParams(const std::u16string& folder, const std::u16string& params) {
    std::u16string path = folder;
    // An empty folder stays empty rather than turning into the root of the current drive.
    if (!path.empty() && path.back() != u'\\' && path.back() != u'/') path.push_back(u'\\');
    return ORV::Format(u"/%s=\"%s\" %s", {SwitchPath, path, params});
}

} // namespace Setup::Core
