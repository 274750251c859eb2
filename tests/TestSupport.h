// Small helpers shared by the test programs.
#pragma once

#include "ORV.Classes.Streams.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include "ORV.Platform.h"
#include "ORV.Win32.Handles.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#endif

namespace TestSupport {

// A fresh folder under Base (the system's temporary folder unless named), removed with
// everything in it.
class TTempDir {
public:
    explicit TTempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
        std::random_device rd;
        for (;;) {
            FPath = base / ("qovi-test-" + std::to_string(rd()));
            if (std::filesystem::create_directory(FPath)) break;
        }
    }
    ~TTempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    // The path with a trailing backslash, as the setup names folders.
    std::u16string Folder() const { return FPath.u16string() + u"\\"; }
    std::filesystem::path operator/(const std::string& name) const { return FPath / name; }
    // The path of Name inside the folder as a UTF-16 string, for the library's file APIs.
    std::u16string File(const std::string& name) const { return (FPath / name).u16string(); }

private:
    std::filesystem::path FPath;
};

inline std::vector<uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// Writes Text into the file at Path, making its folders first.
inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    WriteAll(path, Bytes(text));
}

// The message of the TError that Call raises; "(nothing raised)" when it raises nothing.
template <typename TError = ORV::Exception>
std::u16string MessageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const TError& error) {
        return error.Message();
    }
    return u"(nothing raised)";
}

// A memory stream holding Bytes, positioned at 0.
inline ORV::TMemoryStream MemoryStreamOf(const std::vector<uint8_t>& bytes) {
    ORV::TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), bytes.size());
    stream.SetPosition(0);
    return stream;
}
inline ORV::TMemoryStream MemoryStreamOf(const std::string& text) { return MemoryStreamOf(Bytes(text)); }

// Deterministic pseudo-random bytes.
inline std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(count);
    for (auto& b : bytes) b = static_cast<uint8_t>(generator());
    return bytes;
}

#ifdef _WIN32
// The build names its files by Unix paths; under Wine they become DOS paths for Win32.
inline std::filesystem::path BuiltFile(const char* path) {
    using TToDos = wchar_t*(__cdecl*)(const char*);
    const FARPROC proc = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name");
    if (const auto toDos = reinterpret_cast<TToDos>(reinterpret_cast<void (*)()>(proc))) {
        if (wchar_t* dos = toDos(path)) {
            std::filesystem::path result(dos);
            HeapFree(GetProcessHeap(), 0, dos);
            return result;
        }
    }
    return std::filesystem::path(path);
}

// A DWORD value of the current user's registry set for a test and put back (or deleted again)
// at the end.
class TUserRegistryValue {
public:
    TUserRegistryValue(const wchar_t* key, const wchar_t* name, DWORD value) : FKey(key), FName(name) {
        DWORD size = sizeof FOld;
        FHad = RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &FOld, &size) == ERROR_SUCCESS;
        Set(value);
    }
    ~TUserRegistryValue() {
        if (FHad)
            Set(FOld);
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, FKey, FName);
    }
    TUserRegistryValue(const TUserRegistryValue&) = delete;
    TUserRegistryValue& operator=(const TUserRegistryValue&) = delete;

    void Set(DWORD value) { RegSetKeyValueW(HKEY_CURRENT_USER, FKey, FName, REG_DWORD, &value, sizeof value); }

private:
    const wchar_t* FKey;
    const wchar_t* FName;
    DWORD FOld = 0;
    bool FHad = false;
};

// The delayed operations the system holds for its next start: (source, target) in order, with
// the source in the system's "\??\" form and an empty target for a delete.
inline std::vector<std::pair<std::u16string, std::u16string>> PendingRenames() {
    ORV::TScopedRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_QUERY_VALUE,
                      key.Receive()) != ERROR_SUCCESS)
        return {};
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return {};
    std::u16string data(size / 2 + 2, u'\0');
    if (RegQueryValueExW(key.Get(), L"PendingFileRenameOperations", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return {};
    data.resize(size / 2);
    std::vector<std::u16string> strings;
    for (size_t start = 0; start < data.size();) {
        const size_t end = std::min(data.find(u'\0', start), data.size());
        strings.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::pair<std::u16string, std::u16string>> renames;
    for (size_t i = 0; i + 1 < strings.size(); i += 2) {
        if (strings[i].empty()) break; // the list's final terminator
        renames.emplace_back(strings[i], strings[i + 1]);
    }
    return renames;
}

// The Linux path of a file of the Wine prefix, in UTF-8; empty outside Wine.
inline std::string UnixPath(const std::filesystem::path& path) {
    using TToUnix = char*(__cdecl*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<TToUnix>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = toUnix ? toUnix(path.c_str()) : nullptr;
    if (!unix) return {};
    const std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Serves this thread's messages for Milliseconds, so that its windows paint and Wine shows them.
inline void ServeMessagesFor(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

// What a shell command of the Linux side prints (standard output and error together). Wine
// starts Linux programs too, but hands them neither the pipes of the caller nor their exit, so
// the command writes into a file and then a mark that it is done. This thread's windows are
// served meanwhile.
inline std::string RunLinuxCommand(const std::string& command, int seconds = 120) {
    const TTempDir work;
    const std::string script =
        "(" + command + ") >'" + UnixPath(work / "out") + "' 2>&1; touch '" + UnixPath(work / "done") + "'";
    std::u16string line = u"Z:\\bin\\sh -c \"" + ORV::Utf8ToUtf16(script) + u"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, ORV::W(line.data()), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return "(not started)";
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int slice = 0; slice < seconds * 10 && !std::filesystem::exists(work / "done"); ++slice) ServeMessagesFor(100);
    const std::vector<uint8_t> text = ReadAll(work / "out");
    return std::string(text.begin(), text.end());
}

// Saves what the client area of Window shows on the screen as a PNG file Name in the
// "screenshots" folder beside the test program (ImageMagick's import, on the X display that
// Wine draws on); returns the file. A window of this thread is brought to the front and painted
// first.
inline std::filesystem::path Screenshot(HWND window, const std::string& name) {
    const std::filesystem::path folder = std::filesystem::path(ORV::Platform::ExecutableFileName()).parent_path() / "screenshots";
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / (name + ".png");
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ServeMessagesFor(100);
    // The client area: without a window manager on the test display, nothing draws the caption.
    RECT rect{};
    GetClientRect(window, &rect);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    const std::string geometry = std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) +
                                 "+" + std::to_string(rect.left) + "+" + std::to_string(rect.top);
    RunLinuxCommand("import -window root -crop " + geometry + " +repage '" + UnixPath(file) + "'");
    return file;
}

// Makes Link a link to the folder Target, one that the system reports as a reparse point, as a
// junction is on Windows. Wine's CreateSymbolicLinkW reports success without making anything,
// but Wine shows a link of the Linux side as exactly such a reparse point, so that is made
// there instead. False when no link could be made.
inline bool MakeFolderLink(const std::filesystem::path& link, const std::filesystem::path& target) {
    const auto isLink = [&] {
        const DWORD attributes = GetFileAttributesW(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    };
    if (CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && isLink()) return true;
    const std::string linkPath = UnixPath(link), targetPath = UnixPath(target);
    if (linkPath.empty() || targetPath.empty()) return false;
    // Wine starts Linux programs but cannot wait for them: the link's appearance is the answer.
    std::string command = "Z:\\bin\\ln -s \"";
    command.append(targetPath).append("\" \"").append(linkPath).append("\"");
    std::wstring line(command.begin(), command.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int slice = 0; slice < 100 && !isLink(); ++slice) Sleep(50);
    return isLink();
}

// The position of the last delayed delete of Path, -1 when there is none.
inline int PendingDelete(const std::vector<std::pair<std::u16string, std::u16string>>& renames, const std::u16string& path) {
    int found = -1;
    for (size_t i = 0; i < renames.size(); ++i)
        if (renames[i].second.empty() && ORV::Platform::SameTextLocale(renames[i].first, u"\\??\\" + path))
            found = static_cast<int>(i);
    return found;
}

#endif

} // namespace TestSupport
