// The few operating-system services the portable code needs. Windows uses the platform's own
// functions (CompareStringW, LCMapStringW, the ANSI code page, CreateFileW); the POSIX build,
// which exists to run the portable code and its tests natively, implements the same
// contracts with the C library and a Windows-1252 code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace ORV::Platform {

// True when both texts have the same length in UTF-16 code units and are equal under the
// user's default locale with letter case ignored. Names given by users, packages and files
// compare this way.
bool SameTextLocale(std::u16string_view a, std::u16string_view b);

// Negative, zero or positive: the user's locale order with letter case ignored.
int CompareTextLocale(std::u16string_view a, std::u16string_view b);

// The upper-case form under the user's default locale.
std::u16string UpperCaseLocale(std::u16string_view text);

// The system's ANSI code page (1252 in the POSIX build).
unsigned AnsiCodePage();
// Conversions through the ANSI code page; characters it cannot represent become '?'.
std::string StringToAnsi(std::u16string_view text);
std::u16string AnsiToString(std::string_view bytes);

// The full path of the running program.
std::u16string ExecutableFileName();

// The user's interface language as a Windows language identifier (1033 for English, United
// States). The POSIX build derives it from LC_ALL, LC_MESSAGES or LANG, and gives 1033 when
// they name no language it knows.
int32_t UserDefaultUILanguage();

// The text the system gives for its last error (GetLastError or errno), without a final
// line break or full stop clutter; empty when the system has none.
uint32_t LastErrorCode();
std::u16string SystemErrorMessage(uint32_t code);

// Clears the attributes of an existing file that would stop it from being replaced: on Windows
// every attribute (read-only, hidden, system) gives way to FILE_ATTRIBUTE_NORMAL, with paths of
// 260 characters or more in the extended-length form; on POSIX the owner gains write
// permission. False, with the system's error in LastErrorCode(), when the file does not exist
// or its attributes cannot be changed.
bool ResetFileAttributes(const std::u16string& fileName);

// An open file. Move-only; closes itself.
class TFile {
public:
    enum TAccess { faRead = 1, faWrite = 2, faReadWrite = 3 };
    enum TShare { fsNone = 0, fsRead = 1, fsWrite = 2, fsDelete = 4 };
    enum TCreation { fcOpenExisting, fcCreateAlways };

    TFile() = default;
    TFile(TFile&& other) noexcept : FHandle(std::exchange(other.FHandle, kNoHandle)) {}
    TFile& operator=(TFile&& other) noexcept {
        if (this != &other) {
            Close();
            FHandle = std::exchange(other.FHandle, kNoHandle);
        }
        return *this;
    }
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;
    ~TFile() { Close(); }

    // Opens or creates FileName. On failure returns false and leaves the system's error in
    // LastErrorCode().
    bool Open(const std::u16string& fileName, unsigned access, unsigned share, TCreation creation);
    bool IsOpen() const { return FHandle != kNoHandle; }
    void Close();

    // Each returns the number of bytes transferred; -1 on a system error.
    int64_t Read(void* buffer, size_t count);
    int64_t Write(const void* buffer, size_t count);
    // Origin 0 = beginning, 1 = current, 2 = end; returns the new position or -1.
    int64_t Seek(int64_t offset, int origin);
    // Ends the file at the current position; false on a system error.
    bool Truncate();

private:
    // A file descriptor or a HANDLE; -1 is neither a valid descriptor nor a file HANDLE.
    static constexpr intptr_t kNoHandle = -1;
    intptr_t FHandle = kNoHandle;
};

} // namespace ORV::Platform
