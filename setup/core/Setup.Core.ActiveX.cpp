#include "Setup.Core.ActiveX.h"

#include "ORV.Utils.Strings.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"

#include <ole2.h>

#include <algorithm>

namespace Setup::Core {

namespace {

// Windows 7 without its loader update has neither AddDllDirectory nor the search flags below.
bool HasLoaderSearchFlags() {
    return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory") != nullptr;
}

HMODULE LoadServerLibrary(const std::u16string& path) {
    std::u16string fileName = path;
    std::replace(fileName.begin(), fileName.end(), u'/', u'\\');
    fileName = ORV::LongPathForm(fileName);
    if (HasLoaderSearchFlags())
        return LoadLibraryExW(ORV::W(fileName), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    // The altered search path still starts at the library's own folder.
    return LoadLibraryExW(ORV::W(fileName), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// COM (with OLE) on the calling thread while it lives, as registration exports expect of their
// caller; a thread that has it already keeps its own.
class TOleScope {
public:
    TOleScope() : FStarted(SUCCEEDED(OleInitialize(nullptr))) {}
    ~TOleScope() {
        if (FStarted) OleUninitialize();
    }
    TOleScope(const TOleScope&) = delete;
    TOleScope& operator=(const TOleScope&) = delete;

private:
    bool FStarted;
};

} // namespace

void TSetupActiveX::CallExport(const std::u16string& libraryPath, const char* exportName) {
    if (!ORV::IsFullPath(libraryPath)) return;
    const TOleScope ole;
    const ORV::TScopedLibrary library(LoadServerLibrary(libraryPath));
    if (!library.IsValid()) return;
    using TExport = HRESULT(WINAPI*)();
    if (const FARPROC address = GetProcAddress(library.Get(), exportName))
        reinterpret_cast<TExport>(reinterpret_cast<void (*)()>(address))();
}

void TSetupActiveX::Unregister(const std::u16string& libraryPath) { CallExport(libraryPath, "DllUnregisterServer"); }

} // namespace Setup::Core
