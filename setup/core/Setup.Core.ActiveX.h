// Calling the registration exports of COM server libraries (DllRegisterServer and friends).
#pragma once

#ifndef _WIN32
#error "Setup.Core.ActiveX.h is for the Windows build only"
#endif

#include <string>

namespace Setup::Core {

class TSetupActiveX {
public:
    TSetupActiveX() = delete;

    // Loads the library LibraryPath (a full path: it is never searched for; its own
    // dependencies come from its folder and System32 only), calls ExportName without
    // arguments when the library has it (the result is ignored) and unloads it. A library that
    // cannot be loaded is skipped silently, as is a relative path. The call runs with OLE
    // started on the calling thread, as the servers expect.
    static void CallExport(const std::u16string& libraryPath, const char* exportName);
    // CallExport with "DllUnregisterServer".
    static void Unregister(const std::u16string& libraryPath);
};

} // namespace Setup::Core
