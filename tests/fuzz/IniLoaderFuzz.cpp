// The fuzzer's bytes are an INI file as it may lie on a user's disk. Every input must load;
// what was loaded must survive a save and a reload unchanged, in UTF-16 LE and in the
// encoding it was read in (on this platform every decoder's output is representable in its own
// encoding, so that save is lossless too); and the hashed look-ups must agree with a plain walk
// over the lines.
#include "ORV.Classes.Streams.h"
#include "ORV.FileFormats.INI.h"
#include "ORV.Platform.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace ORV;

namespace {

[[noreturn]] void Fail(const char* what, long long a = 0, long long b = 0) {
    std::fprintf(stderr, "ini fuzz: %s (%lld, %lld)\n", what, a, b);
    std::abort();
}

std::unique_ptr<TORVIniFile> Reloaded(const TORVIniFile& ini, TORVTextEncoding encoding) {
    TMemoryStream stream;
    ini.SaveToStream(stream, encoding);
    stream.SetPosition(0);
    auto copy = TORVIniFile::Create();
    copy->LoadFromStream(stream);
    if (copy->Encoding() != encoding && copy->SectionCount() != 0) Fail("saved encoding not detected", encoding);
    return copy;
}

// A line per name: the value that the first line of that name holds, found by comparing names
// one by one, must be what the hashed look-up returns.
void CheckLookups(TORVIniFile& ini) {
    const int32_t sections = std::min(ini.SectionCount(), 64);
    for (int32_t s = 0; s < sections; ++s) {
        const TORVIniFileSection* section = ini.Sections(s);
        if (ini.GetSection(section->Name(), false) != section) Fail("section not found by its name", s);
        const int32_t lines = std::min(section->Count(), 64);
        for (int32_t i = 0; i < lines; ++i) {
            const std::u16string_view name = section->Names(i);
            int32_t first = 0;
            while (!Platform::SameTextLocale(section->Names(first), name)) ++first;
            std::u16string value;
            if (!ini.TryReadString(section->Name(), name, value)) Fail("key not found", s, i);
            if (value != section->ValueFromIndex(first)) Fail("key found at the wrong line", s, i);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryStream input;
    input.WriteBuffer(data, size);
    input.SetPosition(0);
    auto ini = TORVIniFile::Create();
    ini->LoadFromStream(input);

    CheckLookups(*ini);
    if (!ini->Equals(Reloaded(*ini, teUtf16LE).get())) Fail("UTF-16 LE round trip differs");
    if (!ini->Equals(Reloaded(*ini, ini->Encoding()).get()))
        Fail("round trip in the read encoding differs", ini->Encoding());
    return 0;
}
