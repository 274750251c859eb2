// The boundary between our UTF-16 strings and the Win32 API. wchar_t is 16 bits on Windows,
// so the conversion is a reinterpretation, never a copy of the characters.
#pragma once

#ifndef _WIN32
#error "ORV.Win32.h is for the Windows build only"
#endif

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace ORV {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* W(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline const wchar_t* W(std::u16string_view text) {
    return reinterpret_cast<const wchar_t*>(text.data());
}
inline const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* W(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

inline std::u16string FromW(const wchar_t* text) {
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}
inline std::u16string FromW(const wchar_t* text, size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

// The extended-length form ("\\?\" or "\\?\UNC\") of an absolute path of 260 characters or
// more; shorter paths, relative paths and paths already in that form are returned unchanged.
std::u16string LongPathForm(const std::u16string& path);
// The extended-length form of any absolute path, whatever its length; others unchanged. For the
// calls whose limit lies below MAX_PATH (CreateDirectoryW: 248 characters).
std::u16string ExtendedLengthForm(const std::u16string& path);

// Loads a library of the system by its full path in the system folder, never by its bare name:
// no search of any folder is involved, so a copy planted beside the program or in the current
// folder cannot be picked up. Name is a file name such as L"gdiplus.dll". Null with the system's
// error on failure.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The running Windows as major * 100 + minor (601 Windows 7, 602 Windows 8, 1000 Windows 10
// and 11), as the system itself reports it, whatever the program's manifest says; 601 when
// it cannot be asked.
uint32_t WindowsVersion();

// Whether Path names an existing file (not a folder), or an existing folder. Long paths are
// handed over in the extended-length form.
bool FileExists(const std::u16string& path);
bool DirectoryExists(const std::u16string& path);

// A string value of an open registry key (REG_SZ or REG_EXPAND_SZ, not expanded); empty when
// it is missing, of another type or unreadable. Stored data need not end with a terminator.
std::u16string ReadRegistryString(HKEY key, const char16_t* valueName);

} // namespace ORV
