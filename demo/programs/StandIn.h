// What the stand-ins for the player's helper programs share: where they live, what they were
// started with, and how they leave a record of it for whoever checks on them.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace StandIn {

// The full file name of Module (nullptr: the running program). Empty when it cannot be read.
inline std::wstring ModuleFileName(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    // Installed under a long path, the name may not fit the classic limit; a truncated name
    // fills the whole buffer, so grow it up to the longest path Windows knows.
    while (path.size() <= 32768) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
    return {};
}

// The folder part of Path, with its trailing backslash.
inline std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\') + 1); }

inline bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
    return !prefix.empty() && text.size() >= prefix.size() &&
           CompareStringOrdinal(text.data(), static_cast<int>(prefix.size()), prefix.data(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

// CommandLine without the program's name and the blanks after it. The installer starts us by
// our full path without quotes, and that path may well contain blanks ("Program Files"), so a
// line that begins with ProgramPath loses exactly that; otherwise the name is the quoted part
// or everything up to the first blank, as Windows itself reads it.
inline std::wstring_view ArgumentsOf(std::wstring_view commandLine, std::wstring_view programPath) {
    constexpr std::wstring_view blanks = L" \t";
    std::size_t end = commandLine.size();
    if (!commandLine.empty() && commandLine.front() == L'"') {
        const std::size_t quote = commandLine.find(L'"', 1);
        if (quote != std::wstring_view::npos) end = quote + 1;
    } else if (StartsWithIgnoringCase(commandLine, programPath) &&
               (commandLine.size() == programPath.size() ||
                blanks.find(commandLine[programPath.size()]) != std::wstring_view::npos)) {
        end = programPath.size();
    } else {
        end = std::min(commandLine.find_first_of(blanks), commandLine.size());
    }
    commandLine.remove_prefix(end);
    commandLine.remove_prefix(std::min(commandLine.find_first_not_of(blanks), commandLine.size()));
    return commandLine;
}

inline std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

// Appends Line and CR LF, in UTF-8, to the file at Path, creating it when needed. Append-only
// access makes every write land at the current end even when another instance appends too,
// and sharing read and write lets a test read the log while a program still holds it.
// False when the file cannot be opened or the line was not written whole.
inline bool AppendLine(const std::wstring& path, std::wstring_view line) {
    const std::string text = ToUtf8(line) + "\r\n";
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    CloseHandle(file);
    return ok;
}

// Records the running program's arguments as one line of LogName beside it. The exit code
// says whether the record was written (0) or not (1); the installer does not look at it.
inline int RecordArguments(const wchar_t* logName) {
    const std::wstring self = ModuleFileName(nullptr);
    if (self.empty()) return 1;
    return AppendLine(FolderOf(self) + logName, ArgumentsOf(GetCommandLineW(), self)) ? 0 : 1;
}

} // namespace StandIn
