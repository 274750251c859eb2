// One setup of a product at a time: a setup or uninstaller holds the product's lock for as long
// as it works, and one that finds the lock held elsewhere does not start its run.
#pragma once

#ifndef _WIN32
#error "Setup.Core.RunLock.h is for the Windows build only"
#endif

#include "ORV.Win32.Handles.h"
#include "Setup.Core.Errors.h"

#include <string>

namespace Setup::Core {

// Another setup or uninstaller of the product holds the lock.
class EInstallerAlreadyRunning : public EInstallerGeneralError {
public:
    using EInstallerGeneralError::EInstallerGeneralError;
};

class TSetupRunLock {
public:
    // Takes the lock of Product for every session of this computer (the named mutex
    // "Global\<Product> Setup"), held until the object goes. Raises EInstallerAlreadyRunning
    // "Another setup or uninstaller of <Product> is running. Wait until it has ended, then try
    // again." when another process holds it, and EOSError when the lock cannot be made.
    explicit TSetupRunLock(const std::u16string& product);
    // Lets go of the lock; made and freed on the same thread.
    ~TSetupRunLock();
    TSetupRunLock(const TSetupRunLock&) = delete;
    TSetupRunLock& operator=(const TSetupRunLock&) = delete;

    // The name of the lock of Product.
    static std::u16string NameFor(const std::u16string& product);

private:
    ORV::TScopedKernelHandle FMutex;
};

} // namespace Setup::Core
