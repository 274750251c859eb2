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
    fs::create_directories(folder / "script");
    fs::create_directories(folder / "ini");

    // The install script and INI loaders start from small files of each shape they accept.
    const std::vector<std::pair<const char*, std::string>> texts = {
        {"script/install.xml",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Install>\n <setup><license>\n"
         "  <File name=\"License.RU.rtf\" lang-family=\"RU\"/><File name=\"License.rtf\"/>\n"
         " </license></setup>\n <product>\n  <Components>\n"
         "   <File name=\"$DEST\\QOVI.exe\" lang-family=\"EN\">QOVI_x86.exe</File>\n"
         "  </Components>\n  <Actions><File name=\"$DEST\\QOVI.exe\">RunPlayer</File></Actions>\n"
         "  <Shortcuts><File name=\"$DESKTOP\\QOVI.lnk\">$DEST\\QOVI.exe</File></Shortcuts>\n"
         "  <Settings><Item name=\"ProductName\" value=\"QOVI\"/><Item name=\"ProductVersionNo\" "
         "value=\"5040\"/></Settings>\n </product>\n</Install>\n"},
        {"script/cdata.xml", "<r><product><components><![CDATA[a.exe]]></components></product></r>"},
        {"ini/utf8.ini", "\xEF\xBB\xBF[Main]\r\nKey=Value\r\nkey=Other\r\n\r\n[Empty]\r\n"},
        {"ini/ansi.ini", "[File]\nName=Fran\xE7\x61is\nLangId=1036\n[Common]\nE4=Line\\none\r\n"},
        {"ini/utf16le.ini", std::string("\xFF\xFE[\0S\0]\0\r\0\n\0a\0=\0\x01\x04\r\0\n\0", 22)},
        {"ini/utf16be.ini", std::string("\xFE\xFF\0[\0S\0]\0\r\0\n\0a\0=\x04\x01\0\r\0\n", 22)},
    };
    for (const auto& [name, text] : texts)
        WriteFile(folder / name, reinterpret_cast<const uint8_t*>(text.data()), text.size());

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
