// What is being installed and what is already there. TSetupProductInfo answers the first from
// the install script's settings and leaves the second to the product, whose unit registers
// its class in ProductInfoClass before the program's entry point runs.
#pragma once

#include "Setup.Core.Host.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Setup::Core {

// Descriptors of the actions and wizard pages a product supplies: the engine and the wizard
// create the objects from them without knowing their classes. Each is defined beside the base
// class it creates.
struct TSetupActionClass;
struct TSetupPageClass;

using TSetupActionClassProc = std::function<void(const TSetupActionClass&)>;
using TSetupPageClassProc = std::function<void(const TSetupPageClass&)>;

class TSetupProductInfo {
public:
    // Host must outlive the object; its resources need not exist yet.
    explicit TSetupProductInfo(ISetupHost& host) : FHost(host) {}
    virtual ~TSetupProductInfo() = default;
    TSetupProductInfo(const TSetupProductInfo&) = delete;
    TSetupProductInfo& operator=(const TSetupProductInfo&) = delete;

    // The program files folder + the product name + "\".
    virtual std::u16string GetDefaultPath();
    // The current user's desktop (the temporary folder when it cannot be named) + the product
    // name + "\".
    virtual std::u16string GetPortablePath();
    virtual std::u16string GetHomePage();
    // Whether this setup can update the installation in DestPath.
    virtual bool CanUpdate() = 0;
    virtual bool IsPortable() = 0;
    // The version identifier of the installation in DestPath (major * 1000 + minor * 10 +
    // release); 0 when there is none.
    virtual int32_t InstalledVersion() = 0;
    // The setting "ProductName"; raises EInstallerGeneralError "Setup has wrong config" when it
    // is empty or absent.
    virtual std::u16string GetProductName();
    virtual std::u16string GetPublisher();
    virtual std::u16string GetProductVersion();
    // The setting "ProductVersionId" as a number; 0 when absent or not a number.
    virtual int32_t GetProductVersionId();
    // GetProductVersion + ", " + the setting "BuildDate".
    virtual std::u16string GetFullVersion();
    // Looks at the installation in DestPath again; the controller calls it on every change.
    virtual void Refresh() = 0;
    // Calls Proc with each action class of the run, in run order.
    virtual void EnumActions(const TSetupActionClassProc& proc) = 0;
    // Calls Proc with each product page of the wizard, in order.
    virtual void EnumPages(const TSetupPageClassProc& proc) = 0;

    // InstalledVersion as "major.minor" with two minor digits: 5040 gives "5.04".
    std::u16string InstalledVersionText();
    std::u16string GetProductVersionNo();

protected:
    // The script setting Name (the last one of that name), "" when absent.
    std::u16string Setting(std::u16string_view name) const;
    ISetupHost& Host() const { return FHost; }

private:
    ISetupHost& FHost;
};

// The product's class reference: makes the product information of a run.
using TSetupProductInfoClass = std::unique_ptr<TSetupProductInfo> (*)(ISetupHost& host);

// Set by the product's unit while the program starts; empty means a malformed build.
extern TSetupProductInfoClass ProductInfoClass;

// "major.minor" of a version identifier: 5040 gives "5.04", 3600 "3.60".
std::u16string VersionIdText(int32_t versionId);

} // namespace Setup::Core
