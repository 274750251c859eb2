#include "Bench.PlayerPayload.h"

#include "ORV.Strings.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace Bench {

namespace fs = std::filesystem;

namespace {

constexpr size_t KiB = 1024;
constexpr size_t MiB = 1024 * 1024;

// SplitMix64. The standard distributions differ between standard libraries; this gives the
// same numbers everywhere, so the payload is the same on every machine.
class TRandom {
public:
    explicit TRandom(uint64_t seed) : FState(seed) {}

    uint64_t Next() {
        uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint64_t Below(uint64_t n) { return n ? Next() % n : 0; }
    uint64_t Between(uint64_t low, uint64_t high) { return low + Below(high - low + 1); }
    // Uniform in [0, 1).
    double Unit() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }
    void Fill(uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; i += 8) {
            const uint64_t v = Next();
            for (size_t k = 0; k < 8 && i + k < n; ++k) p[i + k] = static_cast<uint8_t>(v >> (8 * k));
        }
    }

private:
    uint64_t FState;
};

using TBytes = std::vector<uint8_t>;

void Add(std::u16string& text, std::string_view ascii) { text.append(ascii.begin(), ascii.end()); }

void AddNumber(std::u16string& text, int64_t value) { Add(text, std::to_string(value)); }

void AddHex(std::u16string& text, uint32_t value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    Add(text, buffer);
}

char16_t UpperCase(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0x430 && c <= 0x44F) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2))
        return static_cast<char16_t>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    return c;
}

// Words made of a language's letters, most frequent letters and words first: picking with a
// skewed index gives the Zipf-like mix of real text, which is what LZMA's ratio depends on.
class TVocabulary {
public:
    TVocabulary(std::u16string_view alphabet, size_t count, TRandom& random) {
        FWords.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            const size_t length = 1 + random.Below(3) + random.Below(4) + random.Below(5);
            std::u16string word;
            for (size_t k = 0; k < length; ++k) {
                const double u = random.Unit();
                word += alphabet[static_cast<size_t>(double(alphabet.size()) * u * u)];
            }
            FWords.push_back(word);
        }
    }

    const std::u16string& Pick(TRandom& random) const {
        const double u = random.Unit();
        return FWords[static_cast<size_t>(double(FWords.size()) * u * u * u)];
    }

    std::u16string Capitalized(TRandom& random) const {
        std::u16string word = Pick(random);
        word[0] = UpperCase(word[0]);
        return word;
    }

    std::u16string Sentence(TRandom& random, size_t minWords, size_t maxWords) const {
        std::u16string sentence = Capitalized(random);
        const size_t count = random.Between(minWords, maxWords);
        for (size_t i = 1; i < count; ++i) {
            sentence += (random.Below(9) == 0) ? u", " : u" ";
            sentence += Pick(random);
        }
        sentence += u'.';
        return sentence;
    }

private:
    std::vector<std::u16string> FWords;
};

TBytes Encoded(const std::u16string& text, bool utf16) {
    if (!utf16) {
        const std::string utf8 = ORV::Utf16ToUtf8(text);
        return TBytes(utf8.begin(), utf8.end());
    }
    TBytes bytes{0xFF, 0xFE};
    bytes.reserve(2 + text.size() * 2);
    for (const char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

struct TLanguage {
    const char* Name;
    std::u16string_view Alphabet;
    // Languages outside Windows-1252 ship their files as UTF-16.
    bool Utf16;
};

const TLanguage kLanguages[] = {
    {"English", u"etaoinshrdlcumwfgypbvkjxqz", false},
    {"German", u"enisratdhulcgmobwfkzvp\u00FC\u00E4\u00DFjyxq\u00F6", false},
    {"French", u"esaitnrulodcpm\u00E9vqfbghj\u00E0x\u00E8y\u00EAz\u00E7", false},
    {"Spanish", u"eaosrnidlctumpbgvyq\u00F3hf\u00EDj\u00E1z\u00F1\u00E9", false},
    {"Italian", u"eaionlrtscdupmvgzfbh\u00E0q\u00E8\u00F9", false},
    {"Portuguese", u"aeosrindmutclpvgqbfh\u00E3\u00E7\u00E1\u00E9zj", false},
    {"Dutch", u"enatirodslghvkmubpwjczfx", false},
    {"Swedish", u"eanrtsildomkgv\u00E4fh\u00E5upr\u00F6bcj", false},
    {"Turkish", u"aeinrlkdmyutsbozg\u00FC\u015F\u00E7h\u011Fvcp", true},
    {"Polish", u"iaeoznrwstcykdpmuj\u0142lbg\u0119h\u0105\u00F3\u017C\u015B", true},
    {"Czech", u"oeanitvslkrdpm\u00EDuzjyb\u0159c\u00E1\u011B\u00FDh", true},
    {"Russian", u"\u043E\u0435\u0430\u0438\u043D\u0442\u0441\u0440\u0432\u043B\u043A\u043C\u0434\u043F\u0443"
                u"\u044F\u044B\u044C\u0433\u0437\u0431\u0447\u0439\u0445\u0436\u0448\u044E\u0446\u0449\u044D\u0444",
     true},
    {"Ukrainian", u"\u043E\u0430\u043D\u0456\u0438\u0432\u0440\u0442\u0435\u0441\u043A\u043B\u0443\u0434\u043C"
                  u"\u043F\u044F\u0437\u044C\u0431\u0433\u0447\u0439\u0445\u0457\u0446\u0454\u0436\u0448",
     true},
    {"Greek", u"\u03B1\u03BF\u03B9\u03B5\u03C4\u03C3\u03BD\u03B7\u03C5\u03C1\u03C0\u03BA\u03BC\u03BB\u03C9"
              u"\u03B4\u03B3\u03C7\u03B8\u03C6\u03B2\u03BE\u03B6\u03C8",
     true},
};

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string LanguageFile(const TLanguage& language, const TVocabulary& words, TRandom& random, size_t size) {
    std::u16string text = u"; QOVI language file\r\n[Info]\r\nName=";
    Add(text, language.Name);
    text += u"\r\nAuthor=" + words.Capitalized(random) + u" " + words.Capitalized(random);
    text += u"\r\nVersion=3.2.";
    AddNumber(text, int64_t(random.Below(40)));
    text += u"\r\n\r\n[Strings]\r\n";
    for (int64_t id = 1000; text.size() < size; ++id) {
        if (random.Below(180) == 0) {
            text += u"\r\n[Dialog.";
            text += words.Capitalized(random);
            AddNumber(text, id);
            text += u"]\r\n";
        }
        text += u"S";
        AddNumber(text, id);
        text += u"=";
        text += words.Sentence(random, 1, 12);
        if (random.Below(7) == 0) text += random.Below(2) ? u" %s" : u" (%d)";
        text += u"\r\n";
    }
    return text;
}

std::u16string SkinIni(const TVocabulary& words, TRandom& random, size_t size) {
    std::u16string text = u"; QOVI skin\r\n";
    for (int n = 1; text.size() < size; ++n) {
        const std::u16string control = words.Capitalized(random);
        text += u"[Control." + control;
        AddNumber(text, n);
        text += u"]\r\nLeft=";
        AddNumber(text, int64_t(random.Below(800)));
        text += u"\r\nTop=";
        AddNumber(text, int64_t(random.Below(600)));
        text += u"\r\nWidth=";
        AddNumber(text, int64_t(8 + random.Below(300)));
        text += u"\r\nHeight=";
        AddNumber(text, int64_t(8 + random.Below(60)));
        text += u"\r\nImage=" + words.Pick(random) + u"_";
        AddNumber(text, n);
        text += u".png\r\nHint=S";
        AddNumber(text, int64_t(1000 + random.Below(3000)));
        text += u"\r\nFont=Segoe UI,";
        AddNumber(text, int64_t(8 + random.Below(6)));
        text += random.Below(3) ? u",0" : u",1";
        text += u"\r\nColor=$00";
        AddHex(text, static_cast<uint32_t>(random.Below(0x1000000)), 6);
        text += u"\r\n\r\n";
    }
    return text;
}

std::u16string HelpPage(const TVocabulary& words, TRandom& random, size_t size) {
    std::u16string text = u"<html>\r\n<head><title>" + words.Sentence(random, 2, 5) +
                          u"</title></head>\r\n<body>\r\n";
    while (text.size() < size) {
        text += u"<h2>" + words.Sentence(random, 2, 6) + u"</h2>\r\n<p>";
        const size_t sentences = random.Between(2, 9);
        for (size_t i = 0; i < sentences; ++i) {
            if (random.Below(6) == 0) {
                text += u"<a href=\"topic_";
                AddNumber(text, int64_t(random.Below(200)));
                text += u".html\">" + words.Pick(random) + u"</a> ";
            }
            text += words.Sentence(random, 4, 18) + u" ";
        }
        text += u"</p>\r\n";
    }
    return text + u"</body>\r\n</html>\r\n";
}

std::u16string Prose(const TVocabulary& words, TRandom& random, size_t size) {
    std::u16string text;
    while (text.size() < size) {
        const size_t sentences = random.Between(3, 10);
        for (size_t i = 0; i < sentences; ++i) text += words.Sentence(random, 5, 20) + u" ";
        text += u"\r\n\r\n";
    }
    return text;
}

std::u16string EqualizerPreset(const TVocabulary& words, TRandom& random) {
    std::u16string text = u"[Preset]\r\nName=" + words.Capitalized(random) + u"\r\nPreamp=";
    AddNumber(text, int64_t(random.Below(25)) - 12);
    text += u"\r\n";
    for (int band = 1; band <= 18; ++band) {
        char line[32];
        std::snprintf(line, sizeof line, "Band%02d=%+d.%d\r\n", band, int(random.Below(25)) - 12,
                      int(random.Below(10)));
        Add(text, line);
    }
    return text;
}

std::u16string Playlist(const TVocabulary& words, TRandom& random, size_t size) {
    std::u16string text = u"#EXTM3U\r\n";
    while (text.size() < size) {
        const std::u16string artist = words.Capitalized(random), title = words.Sentence(random, 1, 5);
        text += u"#EXTINF:";
        AddNumber(text, int64_t(60 + random.Below(400)));
        text += u"," + artist + u" - " + title + u"\r\nC:\\Music\\" + artist + u"\\" + title + u"mp3\r\n";
    }
    return text;
}

std::u16string PlayerIni(TRandom& random) {
    std::u16string text;
    const char* sections[] = {"General", "Playback", "Video", "Audio", "Library", "Interface", "Hotkeys"};
    for (const char* section : sections) {
        text += u"[";
        Add(text, section);
        text += u"]\r\n";
        const size_t keys = random.Between(8, 30);
        for (size_t k = 0; k < keys; ++k) {
            Add(text, section);
            text += u"Option";
            AddNumber(text, int64_t(k));
            text += u"=";
            AddNumber(text, int64_t(random.Below(2000)));
            text += u"\r\n";
        }
        text += u"\r\n";
    }
    return text;
}

// ---- machine code ----

std::vector<fs::path> ArchivesIn(const fs::path& folder) {
    std::vector<fs::path> archives;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        // Import libraries of DLLs (name.dll.a) repeat what their static twins hold.
        const bool importLibrary = name.size() > 6 && name.compare(name.size() - 6, 6, ".dll.a") == 0;
        if (entry.is_regular_file(error) && entry.path().extension() == ".a" && !importLibrary)
            archives.push_back(entry.path());
    }
    return archives;
}

// The compiler's runtime first (libstdc++, libgcc: mostly real code), then the system
// libraries, largest first. One compiler version is enough; a second would repeat the first.
std::vector<fs::path> RuntimeArchives() {
    std::vector<fs::path> result;
    std::error_code error;
    std::vector<fs::path> versions;
    for (const auto& entry : fs::directory_iterator("/usr/lib/gcc/i686-w64-mingw32", error))
        if (entry.is_directory(error)) versions.push_back(entry.path());
    std::sort(versions.begin(), versions.end());
    const auto posix = std::find_if(versions.begin(), versions.end(), [](const fs::path& p) {
        return p.filename().string().find("posix") != std::string::npos;
    });
    if (!versions.empty()) {
        auto compiler = ArchivesIn(posix != versions.end() ? *posix : versions.front());
        std::sort(compiler.begin(), compiler.end());
        result.insert(result.end(), compiler.begin(), compiler.end());
    }

    auto system = ArchivesIn("/usr/i686-w64-mingw32/lib");
    std::vector<std::pair<uintmax_t, fs::path>> sized;
    for (const auto& path : system) sized.emplace_back(fs::file_size(path, error), path);
    std::sort(sized.begin(), sized.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    for (const auto& item : sized) result.push_back(item.second);
    return result;
}

// Hands out consecutive, non-overlapping slices of real code, so that no two files of the
// payload share bytes that LZMA's dictionary could find again.
class TCodePool {
public:
    TCodePool(size_t wanted, const std::string& selfPath) {
        FBytes.reserve(wanted);
        size_t archives = 0;
        for (const auto& path : RuntimeArchives()) {
            if (FBytes.size() >= wanted) break;
            if (Append(path, wanted - FBytes.size())) ++archives;
        }
        if (archives) FSource = std::to_string(archives) + " static libraries of the mingw-w64 runtime";
        if (FBytes.size() < wanted && Append(selfPath, wanted - FBytes.size()))
            FSource += (FSource.empty() ? "" : " and ") + std::string("the benchmark's own executable");
        if (FBytes.empty()) throw std::runtime_error("no machine code found to build the payload from");
        if (FBytes.size() < wanted) FSource += ", repeated with shifted bytes";
    }

    // A pool smaller than the code asked for is reused with every byte shifted by a new
    // constant: the statistics stay those of code, but the repeat matches nothing.
    TBytes Take(size_t size) {
        TBytes slice(size);
        for (auto& byte : slice) {
            if (FPosition == FBytes.size()) {
                FPosition = 0;
                FShift = static_cast<uint8_t>(FShift + 0x3B);
            }
            byte = static_cast<uint8_t>(FBytes[FPosition++] + FShift);
        }
        return slice;
    }

    const std::string& Source() const { return FSource; }

private:
    bool Append(const fs::path& path, size_t limit) {
        std::ifstream file(path, std::ios::binary);
        if (!file) return false;
        const size_t before = FBytes.size();
        FBytes.resize(before + limit);
        file.read(reinterpret_cast<char*>(FBytes.data() + before), static_cast<std::streamsize>(limit));
        FBytes.resize(before + static_cast<size_t>(file.gcount()));
        return FBytes.size() > before;
    }

    TBytes FBytes;
    size_t FPosition = 0;
    uint8_t FShift = 0;
    std::string FSource;
};

// ---- media ----

void PutBigEndian(TBytes& out, uint32_t value) {
    for (int k = 3; k >= 0; --k) out.push_back(static_cast<uint8_t>(value >> (8 * k)));
}

void PutChunk(TBytes& out, const char* type, const TBytes& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// Skin artwork: smooth gradients with a little noise, deflated by zlib as a PNG is.
TBytes MakePng(TRandom& random, uint32_t width, uint32_t height) {
    TBytes raw;
    raw.reserve(size_t(height) * (1 + size_t(width) * 4));
    uint8_t base[3], slope[3];
    for (int c = 0; c < 3; ++c) {
        base[c] = static_cast<uint8_t>(random.Below(256));
        slope[c] = static_cast<uint8_t>(random.Below(64));
    }
    const uint64_t noiseMask = (uint64_t(1) << random.Between(1, 4)) - 1;
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        for (uint32_t x = 0; x < width; ++x) {
            const uint64_t noise = random.Next();
            for (int c = 0; c < 3; ++c)
                raw.push_back(static_cast<uint8_t>(base[c] + ((x + y) * slope[c] >> 6) + ((noise >> (8 * c)) & noiseMask)));
            raw.push_back(x < 2 || y < 2 ? 0 : 255);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    TBytes packed(packedSize);
    compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9);
    packed.resize(packedSize);

    TBytes png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    TBytes header;
    PutBigEndian(header, width);
    PutBigEndian(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}

// A tag and 128 kbit/s frames whose audio bits are random: LZMA finds only the frame headers.
TBytes MakeMp3(TRandom& random, const std::u16string& title, size_t size) {
    TBytes mp3{'I', 'D', '3', 3, 0, 0, 0, 0, 0x08, 0};
    const std::string name = ORV::Utf16ToUtf8(title);
    mp3.insert(mp3.end(), name.begin(), name.end());
    mp3.resize(10 + 0x400, 0);
    while (mp3.size() < size) {
        const bool padding = random.Below(3) == 0;
        const size_t start = mp3.size();
        mp3.insert(mp3.end(), {0xFF, 0xFB, static_cast<uint8_t>(padding ? 0x92 : 0x90), 0x64});
        mp3.resize(start + 417 + (padding ? 1 : 0));
        random.Fill(mp3.data() + start + 4, mp3.size() - start - 4);
    }
    mp3.resize(size);
    return mp3;
}

// An AVI of random frames: video that is already compressed.
TBytes MakeVideo(TRandom& random, size_t size) {
    TBytes avi{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' ', 'L', 'I', 'S', 'T', 0xC0, 0, 0, 0};
    avi.resize(avi.size() + 0xC0, 0);
    while (avi.size() < size) {
        const size_t frame = random.Between(4 * KiB, 60 * KiB);
        avi.insert(avi.end(), {'0', '0', 'd', 'c'});
        for (int k = 0; k < 4; ++k) avi.push_back(static_cast<uint8_t>(frame >> (8 * k)));
        const size_t start = avi.size();
        avi.resize(start + frame);
        random.Fill(avi.data() + start, frame);
    }
    avi.resize(size);
    return avi;
}

} // namespace

TPayload MakePlayerPayload(uint64_t seed, const std::string& selfPath) {
    TRandom random(seed);
    TPayload payload;
    auto add = [&payload](std::u16string name, TPayloadKind kind, const char* group, TBytes data) {
        payload.Files.push_back({std::move(name), kind, group, std::move(data)});
    };
    const TVocabulary english(kLanguages[0].Alphabet, 3000, random);

    // Texts: 152 files.
    for (const auto& language : kLanguages) {
        const TVocabulary words(language.Alphabet, 2500, random);
        const size_t size = random.Between(60 * KiB, 180 * KiB);  // code units
        add(u"Lang\\" + Ascii(language.Name) + u".lng", pkText, "language",
            Encoded(LanguageFile(language, words, random, size), language.Utf16));
    }
    const char* skins[] = {"Default", "Dark", "Classic", "Glass", "Modern", "Mini", "Retro"};
    const char* skinParts[] = {"Skin", "Main", "Playlist", "Equalizer", "Library",
                               "Video", "Mini", "Options", "Colors", "Fonts"};
    for (const char* skin : skins)
        for (const char* part : skinParts)
            add(u"Skins\\" + Ascii(skin) + u"\\" + Ascii(part) + u".ini", pkText, "skin INI",
                Encoded(SkinIni(english, random, random.Between(1 * KiB, 24 * KiB)), false));
    for (int page = 0; page < 32; ++page)
        add(u"Help\\topic_" + ORV::IntToStr(page) + u".html", pkText, "help HTML",
            Encoded(HelpPage(english, random, random.Between(6 * KiB, 110 * KiB)), false));
    const char* documents[] = {"License.txt", "License.ru.txt", "ThirdParty.txt", "Readme.txt", "History.txt"};
    for (const char* document : documents)
        add(Ascii(document), pkText, "document", Encoded(Prose(english, random, random.Between(20 * KiB, 40 * KiB)), false));
    add(u"QOVI.ini", pkText, "settings", Encoded(PlayerIni(random), false));
    for (int preset = 0; preset < 20; ++preset)
        add(u"Presets\\eq_" + ORV::IntToStr(preset) + u".ini", pkText, "preset",
            Encoded(EqualizerPreset(english, random), false));
    for (int list = 0; list < 10; ++list)
        add(u"Playlists\\sample_" + ORV::IntToStr(list) + u".m3u", pkText, "playlist",
            Encoded(Playlist(english, random, random.Between(1 * KiB, 8 * KiB)), false));

    // Machine code: 40 files.
    struct TCodeFile {
        std::u16string Name;
        const char* Group;
        size_t Size;
    };
    std::vector<TCodeFile> code = {{u"QOVI.exe", "program", 7 * MiB},
                                   {u"Elevator.exe", "program", 300 * KiB},
                                   {u"QOVIShell.dll", "library", 450 * KiB}};
    for (int i = 0; i < 23; ++i)
        code.push_back({u"Plugins\\" + english.Pick(random) + u"_" + ORV::IntToStr(i) + u".dll", "plug-in",
                        random.Between(60 * KiB, 800 * KiB)});
    for (int i = 0; i < 14; ++i)
        code.push_back({u"Codecs\\" + english.Pick(random) + u"_" + ORV::IntToStr(i) + u".dll", "codec",
                        random.Between(120 * KiB, 1000 * KiB)});
    size_t codeSize = 0;
    for (const auto& file : code) codeSize += file.Size;
    TCodePool pool(codeSize, selfPath);
    payload.CodeSource = pool.Source();
    for (auto& file : code) add(std::move(file.Name), pkCode, file.Group, pool.Take(file.Size));

    // Media: 58 files.
    for (int i = 0; i < 42; ++i) {
        // Mostly buttons and icons, a few large backgrounds.
        const bool large = random.Below(10) < 3;
        const auto width = static_cast<uint32_t>(large ? random.Between(300, 900) : random.Between(16, 128));
        const auto height = static_cast<uint32_t>(large ? random.Between(200, 700) : random.Between(16, 128));
        add(u"Skins\\" + Ascii(skins[i % 7]) + u"\\" + english.Pick(random) + u"_" + ORV::IntToStr(i) + u".png",
            pkMedia, "PNG", MakePng(random, width, height));
    }
    for (int i = 0; i < 12; ++i) {
        const std::u16string title = english.Sentence(random, 1, 4);
        add(u"Sounds\\track_" + ORV::IntToStr(i) + u".mp3", pkMedia, "MP3",
            MakeMp3(random, title, random.Between(800 * KiB, 2200 * KiB)));
    }
    for (int i = 0; i < 4; ++i)
        add(u"Video\\intro_" + ORV::IntToStr(i) + u".avi", pkMedia, "video",
            MakeVideo(random, random.Between(2 * MiB, 5 * MiB)));

    // A folder is packed in name order, which mixes the kinds the way a release does.
    std::sort(payload.Files.begin(), payload.Files.end(),
              [](const TPayloadFile& a, const TPayloadFile& b) { return a.Name < b.Name; });
    return payload;
}

} // namespace Bench
