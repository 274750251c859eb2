// How soon a person sees the installer: the time from starting the installer without switches
// to its first visible window (the language dialog), against the time it takes merely to decode
// the installer's PRODUCT package, in the same run. The dialog needs only the setup package, so
// it must not wait for the product package.
//
//   StartupBench INSTALLER [ROUNDS]
//
// Prints one line per round and a last line with the medians, times in milliseconds. Each
// round's installer is ended once its window shows. Exit status 0 on success, 1 on any failure.
#include "ORV.Classes.Streams.h"
#include "ORV.Strings.h"
#include "ORV.Win32.h"
#include "Setup.Core.Package.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

double MillisecondsSince(TClock::time_point start) {
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

struct TFind {
    DWORD Process;
    bool Found = false;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM param) {
    auto& find = *reinterpret_cast<TFind*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != find.Process || !IsWindowVisible(window)) return TRUE;
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    // The library's forms; a message box (an error) would be a window too, but not this one.
    if (std::wstring(className) != L"TORVForm") return TRUE;
    find.Found = true;
    return FALSE;
}

// Starts the installer and returns the milliseconds until its first form is on screen.
double TimeToFirstWindow(const std::wstring& installer) {
    std::wstring commandLine = L"\"" + installer + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const TClock::time_point start = TClock::now();
    if (!CreateProcessW(installer.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        throw std::runtime_error("cannot start the installer");
    double ms = -1;
    while (MillisecondsSince(start) < 60000) {
        TFind find{process.dwProcessId};
        EnumWindows(&FindVisibleWindow, reinterpret_cast<LPARAM>(&find));
        if (find.Found) {
            ms = MillisecondsSince(start);
            break;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (ms < 0) throw std::runtime_error("the installer showed no window within a minute");
    return ms;
}

// The milliseconds that decoding the installer's PRODUCT package takes, and nothing else.
double TimeToDecodeProduct(const std::wstring& installer) {
    const HMODULE module = LoadLibraryExW(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) throw std::runtime_error("cannot open the installer's resources");
    const HRSRC resource = FindResourceW(module, L"PRODUCT", MAKEINTRESOURCEW(10));
    const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    if (!loaded) throw std::runtime_error("the installer has no PRODUCT resource");
    ORV::TMemoryStream stream;
    stream.WriteBuffer(LockResource(loaded), SizeofResource(module, resource));
    stream.SetPosition(0);
    const TClock::time_point start = TClock::now();
    { Setup::Core::TSetupPackageReader reader(stream); }
    const double ms = MillisecondsSince(start);
    FreeLibrary(module);
    return ms;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: StartupBench INSTALLER [ROUNDS]\n");
        return 1;
    }
    try {
        const std::wstring installer = argv[1];
        const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
        std::vector<double> windows, decodes;
        TimeToFirstWindow(installer);  // the first start reads the program from disk: not counted
        for (int round = 1; round <= rounds; ++round) {
            windows.push_back(TimeToFirstWindow(installer));
            decodes.push_back(TimeToDecodeProduct(installer));
            std::printf("round=%d first_window_ms=%.1f decode_ms=%.1f\n", round, windows.back(), decodes.back());
        }
        std::printf("median first_window_ms=%.1f decode_ms=%.1f\n", Median(windows), Median(decodes));
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "StartupBench: %s\n", error.what());
        return 1;
    }
}
