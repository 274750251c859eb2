// Stand-in for the player's shell-menu library. An update of an old installation unregisters
// it before deleting it; instead of touching the registry, each entry point writes its own
// name into a log beside the library, so a test can tell which one was called.
#include "StandIn.h"

namespace {

HRESULT Record(const wchar_t* entryPoint) {
    // The log belongs beside the library, wherever the caller loaded it from; no reference is
    // taken, since the caller's own LoadLibrary keeps us alive.
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&Record), &self))
        return HRESULT_FROM_WIN32(GetLastError());
    const std::wstring path = StandIn::ModuleFileName(self);
    if (path.empty() || !StandIn::AppendLine(StandIn::FolderOf(path) + L"qovi_menu32.log", entryPoint))
        return E_FAIL;
    return S_OK;
}

} // namespace

STDAPI DllRegisterServer() { return Record(L"DllRegisterServer"); }

STDAPI DllUnregisterServer() { return Record(L"DllUnregisterServer"); }
