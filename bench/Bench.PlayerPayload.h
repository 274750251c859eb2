// A stand-in for the player's installed files, made the same way on every run from a seed, so
// that packing and opening it costs about what a release of the player does: language, skin
// and help texts, x86 machine code, and media that is already compressed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Bench {

enum TPayloadKind { pkText, pkCode, pkMedia };

struct TPayloadFile {
    std::u16string Name;   // the package entry name, with backslashes as the player's folders
    TPayloadKind Kind;
    std::string Group;     // what the file stands for ("language", "plug-in", "PNG", ...)
    std::vector<uint8_t> Data;
};

struct TPayload {
    std::vector<TPayloadFile> Files;
    // Where the machine code came from, for the report.
    std::string CodeSource;
};

// About 250 files of 60-80 MB in all. The code is taken from the static libraries of the
// mingw-w64 runtime when they are installed (real i686 code and COFF data), otherwise from
// SelfPath (the running executable). The same seed and the same installed libraries give
// the same bytes. Raises std::runtime_error when no code source can be read at all.
TPayload MakePlayerPayload(uint64_t seed, const std::string& selfPath);

} // namespace Bench
