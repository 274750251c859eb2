// Feeds arbitrary bytes to the install script reader, as a damaged or hand-edited Install.xml
// would. The reader must never raise for the content of a memory stream, and what it loads
// must hold together: every setting it stored can be found again, every entry's own family
// finds an entry of that family, and every text is well-formed UTF-16.
#include "Setup.Core.Script.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace Setup::Core;

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "script fuzz: %s\n", what);
    std::abort();
}

void CheckUtf16(std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            ++i;
        else if (c >= 0xD800 && c <= 0xDFFF)
            Fail("an unpaired surrogate reached the script");
    }
}

void CheckGroup(const TSetupScriptGroup& group) {
    for (int i = 0; i < group.Count(); ++i) {
        const TSetupScriptFile& entry = group.Files(i);
        CheckUtf16(entry.Name);
        CheckUtf16(entry.Value);
        CheckUtf16(entry.LangFamily);
        CheckUtf16(entry.ResolvedValue());
        const TSetupScriptFile* found = nullptr;
        if (!group.FindByLangFamily(entry.LangFamily, found) || !found || !found->MatchesLangFamily(entry.LangFamily))
            Fail("an entry's own family finds no matching entry");
    }
    const TSetupScriptFile* found = nullptr;
    group.FindByLangFamily(u"EN", found);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ORV::TMemoryStream stream;
    stream.WriteBuffer(data, size);
    stream.SetPosition(0);

    TSetupScript script;
    try {
        script.LoadFromStream(stream);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "script fuzz: %s\n", e.what());
        Fail("the reader raised for a document held in memory");
    }

    CheckGroup(script.Actions());
    CheckGroup(script.Components());
    CheckGroup(script.License());
    CheckGroup(script.Shortcuts());

    const ORV::TORVStringList& settings = script.ScriptSettings();
    for (int32_t i = 0; i < settings.Count(); ++i) {
        const std::u16string& line = settings.Strings(i);
        CheckUtf16(line);
        const size_t equals = line.find(u'=');
        if (equals == std::u16string::npos) Fail("a setting line without \"=\"");
        std::u16string value;
        if (!script.GetSetting(std::u16string_view(line).substr(0, equals), value))
            Fail("a stored setting cannot be found again");
    }
    std::u16string value;
    script.GetSetting(u"ProductName", value);
    return 0;
}
