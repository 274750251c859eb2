#include "Setup.Core.RunLock.h"

#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Win32.h"

#include <windows.h>

namespace Setup::Core {

std::u16string TSetupRunLock::NameFor(const std::u16string& product) {
    std::u16string name = u"Global\\" + product + u" Setup";
    // A backslash would name another namespace.
    for (size_t i = 7; i < name.size(); ++i)
        if (name[i] == u'\\') name[i] = u'_';
    return name;
}

TSetupRunLock::TSetupRunLock(const std::u16string& product) {
    const std::u16string name = NameFor(product);
    FMutex.Reset(CreateMutexW(nullptr, TRUE, ORV::W(name)));
    const DWORD error = GetLastError();
    bool owned = FMutex && error != ERROR_ALREADY_EXISTS;
    if (FMutex && !owned) {
        // It exists: it is free when nobody owns it now, or when its owner ended without
        // letting go.
        const DWORD wait = WaitForSingleObject(FMutex.Get(), 0);
        owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    if (owned) return;
    // One made by a process with other rights cannot even be opened: it is held as well.
    if (!FMutex && error != ERROR_ACCESS_DENIED) ORV::RaiseOSError(error, name);
    FMutex.Reset();
    throw EInstallerAlreadyRunning(ORV::Format(
        u"Another setup or uninstaller of %s is running. Wait until it has ended, then try again.", {product}));
}

TSetupRunLock::~TSetupRunLock() {
    if (FMutex) ReleaseMutex(FMutex.Get());
}

} // namespace Setup::Core
