// Small helpers shared by the test programs.
#pragma once

#include "ORV.Classes.Streams.h"
#include "ORV.Strings.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace TestSupport {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempDir {
public:
    TTempDir() {
        std::random_device rd;
        const auto base = std::filesystem::temp_directory_path();
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
#endif

} // namespace TestSupport
