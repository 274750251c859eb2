// The floor of a silent install: what no installer of a package can avoid. It decodes the
// PRODUCT package as the setup does and writes every entry into a folder with the plainest
// calls Windows has, so that a setup run of the same package can be measured against it
// (run-install-bench.sh times both as whole processes too).
//
//   InstallFloor PACKAGE FOLDER   FOLDER exists and is empty; subfolders are made as needed
//   InstallFloor --idle           ends at once: what merely starting a process costs
//
// Prints one line of key=value pairs, times in milliseconds. Exit status 0 on success, 1 on any
// failure (the reason on standard error).
#include "ORV.Classes.Streams.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"
#include "ORV.Utils.Strings.h"
#include "ORV.Win32.Handles.h"
#include "ORV.Win32.h"
#include "Setup.Core.Package.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <set>
#include <string>

using namespace Setup::Core;

namespace {

using TClock = std::chrono::steady_clock;

double MillisecondsSince(TClock::time_point start) {
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

// The package is our own, but a name that climbs out of the folder must still not be written.
bool IsContained(const std::u16string& name) {
    return !name.empty() && name.front() != u'\\' && name.find(u':') == std::u16string::npos &&
           name.find(u"..") == std::u16string::npos && name.find(u"\\\\") == std::u16string::npos;
}

// Creates the folders of Name below Folder that are not in Made yet.
void MakeParents(const std::u16string& folder, const std::u16string& name, std::set<std::u16string>& made) {
    for (size_t at = name.find(u'\\'); at != std::u16string::npos; at = name.find(u'\\', at + 1)) {
        const std::u16string path = folder + name.substr(0, at);
        if (!made.insert(path).second) continue;
        if (!CreateDirectoryW(ORV::W(path), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            ORV::RaiseLastOSError(path);
    }
}

void WriteWhole(const std::u16string& path, const uint8_t* data, size_t size) {
    ORV::TScopedKernelHandle file(
        CreateFileW(ORV::W(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) ORV::RaiseLastOSError(path);
    while (size) {
        const DWORD piece = size > (DWORD(1) << 30) ? (DWORD(1) << 30) : static_cast<DWORD>(size);
        DWORD done = 0;
        if (!WriteFile(file.Get(), data, piece, &done, nullptr) || done == 0) ORV::RaiseLastOSError(path);
        data += done;
        size -= done;
    }
}

int Run(const std::u16string& package, std::u16string folder) {
    folder = ORV::IncludeTrailingBackslash(folder);
    const auto start = TClock::now();

    std::unique_ptr<TSetupPackageReader> reader;
    {
        ORV::TFileStream source(package, ORV::fmOpenRead);
        reader = std::make_unique<TSetupPackageReader>(source);
    }
    const double openTime = MillisecondsSince(start);

    double extractTime = 0, writeTime = 0;
    int64_t bytes = 0;
    std::set<std::u16string> made;
    const TSetupPackageFileTable& table = reader->FileTable();
    for (int i = 0; i < table.Count(); ++i) {
        const std::u16string& name = table.Items(i).Name;
        if (!IsContained(name)) throw ORV::Exception(u"The package names a file outside the folder: " + name);
        auto step = TClock::now();
        std::unique_ptr<ORV::TMemoryStream> data;
        if (!reader->ExtractFile(name, data)) throw ORV::Exception(u"Cannot extract " + name);
        extractTime += MillisecondsSince(step);

        step = TClock::now();
        MakeParents(folder, name, made);
        WriteWhole(folder + name, data->Memory(), static_cast<size_t>(data->Size()));
        writeTime += MillisecondsSince(step);
        bytes += data->Size();
    }
    const double totalTime = MillisecondsSince(start);

    std::printf("open_ms=%.2f extract_ms=%.2f write_ms=%.2f total_ms=%.2f files=%d bytes=%lld\n", openTime,
                extractTime, writeTime, totalTime, table.Count(), static_cast<long long>(bytes));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        if (argc == 2 && std::wstring(argv[1]) == L"--idle") return 0;
        if (argc != 3) {
            std::fprintf(stderr, "usage: InstallFloor PACKAGE FOLDER | --idle\n");
            return 1;
        }
        return Run(ORV::FromW(argv[1]), ORV::FromW(argv[2]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "InstallFloor: %s\n", e.what());
    }
    return 1;
}
