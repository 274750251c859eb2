#include "Setup.Core.CommandLine.h"

#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.Utils.CommandLine.h"
#include "ORV.Utils.Strings.h"

namespace Setup::Core {

std::u16string AutoFolderOf(std::u16string_view commandLine) {
    const auto commands = ORV::TORVCommandLineProcessor::Parse(commandLine);
    for (size_t i = 0; i < commands->Count(); ++i) {
        const auto& command = (*commands)[i];
        if (command.Values().empty() || !ORV::Platform::SameTextLocale(command.Name(), SwitchAuto)) continue;
        std::u16string folder;
        for (const std::u16string& value : command.Values()) {
            if (!folder.empty()) folder.push_back(u';');
            folder += value;
        }
        return folder;
    }
    return {};
}

std::u16string ElevatedRestartParams(int64_t spawnWindow, const std::u16string& params) {
    return ORV::Format(u"/%s=%d %s", {SwitchSkipUAC, static_cast<long long>(spawnWindow), params});
}

std::u16string UninstallerCopyParams(const std::u16string& folder, const std::u16string& params) {
    return ORV::Format(u"/%s=\"%s\" %s", {SwitchPath, ORV::IncludeTrailingBackslash(folder), params});
}

} // namespace Setup::Core
