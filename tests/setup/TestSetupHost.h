// A run for the tests of the setup data: the part of the controller that the setup resources
// and the product information see, with the fields open for the test to set.
#pragma once

#include "ORV.FileFormats.INI.h"
#include "ORV.Platform.h"
#include "Setup.Core.Host.h"
#include "Setup.Core.ProductInfo.h"
#include "Setup.Core.Resources.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace TestSupport {

class TTestSetupHost : public Setup::Core::ISetupHost {
public:
    // Creates the registered product information, then the resources of ExecutablePath, the
    // order in which the controller creates them.
    explicit TTestSetupHost(const std::u16string& executablePath = ORV::Platform::ExecutableFileName()) {
        if (!Setup::Core::ProductInfoClass) throw std::logic_error("no product information class is registered");
        FProductInfo = Setup::Core::ProductInfoClass(*this);
        FResources = std::make_unique<Setup::Core::TSetupResources>(*this, executablePath);
    }

    Setup::Core::TSetupMode Mode() const override { return ModeValue; }
    Setup::Core::TSetupOptions Options() const override { return OptionsValue; }
    const std::u16string& DestPath() const override { return DestPathValue; }
    ORV::TORVIniFile& Settings() override { return SettingsStore; }
    Setup::Core::TSetupProductInfo& ProductInfo() override { return *FProductInfo; }
    Setup::Core::TSetupResources& Resources() override { return *FResources; }

    Setup::Core::TSetupMode ModeValue = Setup::Core::smInstall;
    Setup::Core::TSetupOptions OptionsValue;
    std::u16string DestPathValue;
    ORV::TORVIniFile SettingsStore;

private:
    std::unique_ptr<Setup::Core::TSetupProductInfo> FProductInfo;
    std::unique_ptr<Setup::Core::TSetupResources> FResources;
};

} // namespace TestSupport
