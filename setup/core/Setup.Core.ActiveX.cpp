#include "Setup.Core.ActiveX.h"

#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"

namespace Setup::Core {

namespace {

HMODULE LoadServerLibrary(const std::u16string& path) {
    const std::u16string fileName = ORV::LongPathForm(path);
    HMODULE module = LoadLibraryExW(ORV::W(fileName), nullptr,
                                    LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Windows 7 without its loader update knows neither flag; the altered search path still
    // starts at the library's own folder.
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryExW(ORV::W(fileName), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module;
}

} // namespace

void TSetupActiveX::CallExport(const std::u16string& libraryPath, const char* exportName) {
    if (!ORV::IsFullPath(libraryPath)) return;
    const ORV::TScopedLibrary library(LoadServerLibrary(libraryPath));
    if (!library.IsValid()) return;
    using TExport = HRESULT(WINAPI*)();
    if (const FARPROC address = GetProcAddress(library.Get(), exportName))
        reinterpret_cast<TExport>(reinterpret_cast<void (*)()>(address))();
}

void TSetupActiveX::Unregister(const std::u16string& libraryPath) { CallExport(libraryPath, "DllUnregisterServer"); }

} // namespace Setup::Core
