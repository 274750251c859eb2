// Owners for the Win32 handles the program holds: each closes its handle exactly once, treats
// both NULL and INVALID_HANDLE_VALUE as empty, and names raw access (Get, Receive) so that
// borrowing a handle stays visible at the call.
#pragma once

#include "ORV.Win32.h"

#include <objbase.h>

#include <utility>

namespace ORV {

template <class TTraits>
class TScopedHandle {
public:
    using THandle = typename TTraits::THandle;

    TScopedHandle() = default;
    explicit TScopedHandle(THandle handle) : FHandle(handle) {}
    TScopedHandle(TScopedHandle&& other) noexcept : FHandle(std::exchange(other.FHandle, THandle())) {}
    TScopedHandle& operator=(TScopedHandle&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.FHandle, THandle()));
        return *this;
    }
    TScopedHandle(const TScopedHandle&) = delete;
    TScopedHandle& operator=(const TScopedHandle&) = delete;
    ~TScopedHandle() { Reset(); }

    bool IsValid() const { return TTraits::IsValid(FHandle); }
    explicit operator bool() const { return IsValid(); }
    THandle Get() const { return FHandle; }
    // Closes the current handle, keeping the thread's last error as it was.
    void Reset(THandle handle = THandle()) {
        if (IsValid()) {
            const DWORD error = GetLastError();
            TTraits::Close(FHandle);
            SetLastError(error);
        }
        FHandle = handle;
    }
    // For functions that return a handle through a pointer; the old handle is closed first.
    THandle* Receive() {
        Reset();
        return &FHandle;
    }

private:
    THandle FHandle = THandle();
};

struct TKernelHandleTraits {
    using THandle = HANDLE;
    static bool IsValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
using TScopedKernelHandle = TScopedHandle<TKernelHandleTraits>;

struct TRegKeyTraits {
    using THandle = HKEY;
    static bool IsValid(HKEY key) { return key != nullptr; }
    static void Close(HKEY key) { RegCloseKey(key); }
};
using TScopedRegKey = TScopedHandle<TRegKeyTraits>;

struct TFindHandleTraits {
    using THandle = HANDLE;
    static bool IsValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { FindClose(handle); }
};
using TScopedFindHandle = TScopedHandle<TFindHandleTraits>;

struct TLibraryTraits {
    using THandle = HMODULE;
    static bool IsValid(HMODULE module) { return module != nullptr; }
    static void Close(HMODULE module) { FreeLibrary(module); }
};
using TScopedLibrary = TScopedHandle<TLibraryTraits>;

// A COM interface pointer that releases what it holds exactly once.
template <class TInterface>
class TComPtr {
public:
    TComPtr() = default;
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    ~TComPtr() { Reset(); }

    explicit operator bool() const { return FPointer != nullptr; }
    TInterface* operator->() const { return FPointer; }
    TInterface* Get() const { return FPointer; }
    void Reset() {
        if (FPointer) FPointer->Release();
        FPointer = nullptr;
    }
    // For CoCreateInstance and QueryInterface; the old pointer is released first.
    void** ReceiveVoid() {
        Reset();
        return reinterpret_cast<void**>(&FPointer);
    }

private:
    TInterface* FPointer = nullptr;
};

// COM for the calling thread (single-threaded apartment, as the shell objects want it), for as
// long as the object lives. A thread that has COM already in another model keeps it, and the
// objects still work there.
class TComInitialization {
public:
    TComInitialization() : FResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    TComInitialization(const TComInitialization&) = delete;
    TComInitialization& operator=(const TComInitialization&) = delete;
    ~TComInitialization() {
        if (SUCCEEDED(FResult)) CoUninitialize();
    }

private:
    HRESULT FResult;
};

} // namespace ORV
