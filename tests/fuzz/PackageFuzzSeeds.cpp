// Writes the seed corpora of the package fuzz targets: small valid packages into
// FOLDER/reader and their decoded bodies into FOLDER/table. Starting from valid inputs lets
// the fuzzer spend its time on the edges of the format instead of finding the magic first.
#include "Setup.Core.Package.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Setup::Core;
namespace fs = std::filesystem;

namespace {

struct TSeedFile {
    std::u16string Name;
    std::string Data;
};

struct TSeed {
    const char* Name;
    int Level;
    std::vector<TSeedFile> Files;
};

void WriteFile(const fs::path& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: PackageFuzzSeeds FOLDER\n");
        return 2;
    }
    const fs::path folder(argv[1]);
    fs::create_directories(folder / "reader");
    fs::create_directories(folder / "table");

    std::string repeated;
    for (int i = 0; i < 40; ++i) repeated += "[Setup]\r\nLanguage=" + std::to_string(i) + "\r\n";
    std::string binary;
    for (int i = 0; i < 300; ++i) binary.push_back(char((i * 7919) >> 3));
    // Many short entries, some of them empty, with names that repeat the same few lengths.
    std::vector<TSeedFile> many;
    for (int i = 0; i < 24; ++i)
        many.push_back({u"f" + std::u16string(size_t(i % 5 + 1), u'x'), std::string(size_t(i), 'z')});

    const std::vector<TSeed> seeds = {
        {"empty", 5, {}},
        {"empty-file", 5, {{u"a", ""}}},
        {"one-file-stored", 0, {{u"Setup.ini", "[Setup]\r\nVersion=1\r\n"}}},
        {"mixed", 5,
         {{u"Install.xml", "<Install/>"}, {u"Plugins\\Audio.dll", binary}, {u"License.txt", repeated}}},
        {"names", 9,
         {{u"\u0420\u0443\u0441\u0441\u043a\u0438\u0439.lng", "ru"}, {u"A.txt", "x"}, {u"a.TXT", "y"}}},
        {"many", 1, many},
    };

    for (const auto& seed : seeds) {
        TSetupPackageBuilder builder;
        for (const auto& file : seed.Files) {
            ORV::TMemoryStream source;
            source.WriteBuffer(file.Data.data(), file.Data.size());
            source.SetPosition(0);
            builder.AddFile(source, file.Name);
        }
        ORV::TMemoryStream package;
        builder.Commit(package, seed.Level);
        WriteFile(folder / "reader" / (std::string(seed.Name) + ".ipk5"), package.Memory(), size_t(package.Size()));
        // Commit left the whole decoded body, table included, in the builder.
        WriteFile(folder / "table" / (std::string(seed.Name) + ".body"), builder.Body().Memory(),
                  size_t(builder.Body().Size()));
    }
    return 0;
}
