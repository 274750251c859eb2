#include "Setup.Core.Log.h"

#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Win32.h"
#include "ORV.Win32.Handles.h"
#include "Setup.Core.Launch.Process.h"

#include <windows.h>

#include <cstdio>
#include <mutex>

namespace Setup::Core {

namespace {

struct TLog {
    std::mutex Lock;
    ORV::TScopedKernelHandle File;
    std::u16string FileName;
};

TLog& Log() {
    static TLog log;
    return log;
}

std::string Stamp() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char text[64] = {};
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, GetCurrentProcessId());
    return text;
}

} // namespace

void OpenLog(const std::u16string& fileName) {
    const std::u16string full =
        FilledBuffer([&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(ORV::W(fileName), size, buffer, nullptr); });
    if (full.empty()) ORV::RaiseLastOSError(fileName);
    // Appends only, so that every write lands at the end whichever process makes it; others may
    // read the log while the run goes on.
    ORV::TScopedKernelHandle file(CreateFileW(ORV::W(ORV::LongPathForm(full)), FILE_APPEND_DATA,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ORV::RaiseLastOSError(full);
    std::lock_guard<std::mutex> lock(Log().Lock);
    Log().File = std::move(file);
    Log().FileName = full;
}

bool IsLogOpen() {
    std::lock_guard<std::mutex> lock(Log().Lock);
    return Log().File.IsValid();
}

const std::u16string& LogFileName() { return Log().FileName; }

void LogLine(std::u16string_view text) {
    std::lock_guard<std::mutex> lock(Log().Lock);
    if (!Log().File) return;
    std::string line = Stamp() + ORV::Utf16ToUtf8(text);
    // One line stays one line, whatever the text holds.
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    line += "\r\n";
    DWORD written = 0;
    WriteFile(Log().File.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace Setup::Core
