#include "ORV.Platform.h"

#include "ORV.Win32.h"

#include <algorithm>
#include <vector>

namespace ORV {

namespace {
DWORD AttributesOf(const std::u16string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(W(LongPathForm(path)));
}
} // namespace

bool FileExists(const std::u16string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::u16string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(folder, length);
    path += L'\\';
    path += name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

uint32_t WindowsVersion() {
    // RtlGetVersion answers with the real version; GetVersionEx with what the manifest allows.
    using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto getVersion = reinterpret_cast<TRtlGetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (getVersion && getVersion(&info) == 0) return info.dwMajorVersion * 100 + info.dwMinorVersion;
    return 601;
}

std::u16string ReadRegistryString(HKEY key, const char16_t* valueName) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, W(valueName), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0)
        return {};
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = size;
    if (RegQueryValueExW(key, W(valueName), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
        ERROR_SUCCESS)
        return {};
    // The extra slot provides the terminator that the stored data may lack.
    buffer[std::min<size_t>(got / sizeof(wchar_t), buffer.size() - 1)] = L'\0';
    return FromW(buffer.data());
}

std::u16string ExtendedLengthForm(const std::u16string& path) {
    if (path.rfind(u"\\\\?\\", 0) == 0) return path;
    // The system takes an extended-length path as it stands: "/" is no separator there.
    if (path.find(u'/') != std::u16string::npos) {
        std::u16string backslashed = path;
        std::replace(backslashed.begin(), backslashed.end(), u'/', u'\\');
        return ExtendedLengthForm(backslashed);
    }
    if (path.rfind(u"\\\\", 0) == 0) return u"\\\\?\\UNC\\" + path.substr(2);
    if (path.size() >= 3 && path[1] == u':' && path[2] == u'\\') return u"\\\\?\\" + path;
    return path;
}

std::u16string LongPathForm(const std::u16string& path) {
    if (path.size() < MAX_PATH) return path;
    return ExtendedLengthForm(path);
}

} // namespace ORV

namespace ORV::Platform {

namespace {

int CompareIgnoreCase(std::u16string_view a, std::u16string_view b) {
    const int result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, W(a), static_cast<int>(a.size()),
                                      W(b), static_cast<int>(b.size()));
    return result - CSTR_EQUAL;
}

} // namespace

bool SameTextLocale(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && (a == b || CompareIgnoreCase(a, b) == 0);
}

int CompareTextLocale(std::u16string_view a, std::u16string_view b) { return CompareIgnoreCase(a, b); }

std::u16string UpperCaseLocale(std::u16string_view text) {
    if (text.empty()) return {};
    const int length = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, W(text), static_cast<int>(text.size()),
                                    nullptr, 0);
    if (length <= 0) return std::u16string(text);
    std::u16string out(static_cast<size_t>(length), u'\0');
    LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, W(text), static_cast<int>(text.size()), W(out.data()),
                 length);
    return out;
}

unsigned AnsiCodePage() { return GetACP(); }

std::string StringToAnsi(std::u16string_view text) {
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, W(text), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, W(text), static_cast<int>(text.size()), out.data(), length, nullptr,
                            nullptr);
    return out;
}

std::u16string AnsiToString(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(length > 0 ? length : 0), u'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), W(out.data()), length);
    return out;
}

std::u16string ExecutableFileName() {
    std::u16string path(MAX_PATH, u'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, W(path.data()), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

int32_t UserDefaultUILanguage() { return GetUserDefaultUILanguage(); }

uint32_t LastErrorCode() { return GetLastError(); }

std::u16string SystemErrorMessage(uint32_t code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string message = length ? FromW(buffer, length) : std::u16string();
    if (buffer) LocalFree(buffer);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' || message.back() == u' '))
        message.pop_back();
    return message;
}

bool ResetFileAttributes(const std::u16string& fileName) {
    return SetFileAttributesW(W(LongPathForm(fileName)), FILE_ATTRIBUTE_NORMAL) != FALSE;
}

namespace {
HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
} // namespace

bool TFile::Open(const std::u16string& fileName, unsigned access, unsigned share, TCreation creation) {
    Close();
    DWORD desired = 0;
    if (access & faRead) desired |= GENERIC_READ;
    if (access & faWrite) desired |= GENERIC_WRITE;
    DWORD shareMode = 0;
    if (share & fsRead) shareMode |= FILE_SHARE_READ;
    if (share & fsWrite) shareMode |= FILE_SHARE_WRITE;
    if (share & fsDelete) shareMode |= FILE_SHARE_DELETE;
    const HANDLE handle =
        CreateFileW(W(LongPathForm(fileName)), desired, shareMode, nullptr,
                    creation == fcCreateAlways ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    FHandle = reinterpret_cast<intptr_t>(handle);
    return true;
}

void TFile::Close() {
    if (FHandle != -1) {
        CloseHandle(AsHandle(FHandle));
        FHandle = -1;
    }
}

int64_t TFile::Read(void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        const DWORD chunk = static_cast<DWORD>(count - done > 0x40000000 ? 0x40000000 : count - done);
        DWORD got = 0;
        if (!ReadFile(AsHandle(FHandle), static_cast<char*>(buffer) + done, chunk, &got, nullptr)) return -1;
        if (got == 0) break;
        done += got;
    }
    return static_cast<int64_t>(done);
}

int64_t TFile::Write(const void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        const DWORD chunk = static_cast<DWORD>(count - done > 0x40000000 ? 0x40000000 : count - done);
        DWORD written = 0;
        if (!WriteFile(AsHandle(FHandle), static_cast<const char*>(buffer) + done, chunk, &written, nullptr))
            return -1;
        if (written == 0) break;
        done += written;
    }
    return static_cast<int64_t>(done);
}

int64_t TFile::Seek(int64_t offset, int origin) {
    LARGE_INTEGER distance, result;
    distance.QuadPart = offset;
    const DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(AsHandle(FHandle), distance, &result, method)) return -1;
    return result.QuadPart;
}

bool TFile::Truncate() { return SetEndOfFile(AsHandle(FHandle)) != FALSE; }

} // namespace ORV::Platform
