// A product for an end-to-end test build of the setup program: its one action fails, so that
// the test sees what a user sees when a silent run ends with an error.

#include "Setup.Core.Actions.h"
#include "Setup.Core.Errors.h"
#include "Setup.Core.ProductInfo.h"

namespace {

using namespace Setup::Core;

class TFailingAction : public TSetupAction {
public:
    void Execute() override { throw EInstallerInstallError(u"Cannot write \"demo.txt\""); }
};

class TFailingProductInfo : public TSetupProductInfo {
public:
    using TSetupProductInfo::TSetupProductInfo;
    bool CanUpdate() override { return false; }
    bool IsPortable() override { return false; }
    int32_t InstalledVersion() override { return 0; }
    void Refresh() override {}
    void EnumActions(const TSetupActionClassProc& proc) override {
        static const TSetupActionClass failing = ActionClassOf<TFailingAction>(u"TFailingAction");
        proc(failing);
    }
    void EnumPages(const TSetupPageClassProc&) override {}
};

const bool kRegistered = (ProductInfoClass = [](ISetupHost& host) -> std::unique_ptr<TSetupProductInfo> {
    return std::make_unique<TFailingProductInfo>(host);
}, true);

} // namespace
