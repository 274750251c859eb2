#include "ORV.Platform.h"

#include "ORV.Strings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ORV::Platform {

namespace {

// glibc's C.UTF-8 carries the full Unicode case tables, which stand in for the user's
// locale here. A process-wide locale object keeps the global locale untouched.
locale_t CaseLocale() {
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        if (!l) l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", locale_t(0));
        return l;
    }();
    return locale;
}

char16_t ToUpper(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    // Surrogates have no case; a mapping outside the BMP would change the length.
    if (c >= 0xD800 && c <= 0xDFFF) return c;
    const locale_t locale = CaseLocale();
    if (!locale) return c;
    const wint_t upper = towupper_l(static_cast<wint_t>(c), locale);
    return upper < 0x10000 ? static_cast<char16_t>(upper) : c;
}

// Windows-1252: 0x80-0x9F differ from Latin-1; five positions are undefined.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFF, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFF, 0x017D, 0xFFFF,
    0xFFFF, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFF, 0x017E, 0x0178};

} // namespace

bool SameTextLocale(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && ToUpper(a[i]) != ToUpper(b[i])) return false;
    return true;
}

int CompareTextLocale(std::u16string_view a, std::u16string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = ToUpper(a[i]), y = ToUpper(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::u16string UpperCaseLocale(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) c = ToUpper(c);
    return out;
}

unsigned AnsiCodePage() { return 1252; }

std::string StringToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char mapped = '?';
        // The undefined positions hold the C1 control of their own value, as AnsiToString
        // reads them; the 0xFFFF markers must not catch U+FFFF.
        for (int k = 0; k < 32; ++k) {
            const bool undefined = kCp1252High[k] == 0xFFFF;
            if (undefined ? c == 0x80 + k : kCp1252High[k] == c) mapped = static_cast<char>(0x80 + k);
        }
        out.push_back(mapped);
    }
    return out;
}

std::u16string AnsiToString(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u >= 0x80 && u < 0xA0) {
            const char16_t c = kCp1252High[u - 0x80];
            // Undefined positions map to the C1 control of the same value, as Windows does.
            out.push_back(c == 0xFFFF ? static_cast<char16_t>(u) : c);
        } else {
            out.push_back(static_cast<char16_t>(u));
        }
    }
    return out;
}

std::u16string ExecutableFileName() {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) return {};
        if (static_cast<size_t>(length) < path.size()) {
            path.resize(static_cast<size_t>(length));
            return Utf8ToUtf16(path);
        }
        path.resize(path.size() * 2);
    }
}

int32_t UserDefaultUILanguage() {
    // Language part of a locale name such as "ru_RU.UTF-8", and its primary Windows identifier.
    static const struct {
        const char* Code;
        int32_t LangId;
    } kLanguages[] = {{"en", 1033}, {"ru", 1049}, {"de", 1031}, {"fr", 1036}, {"es", 3082}, {"it", 1040},
                      {"pt", 2070}, {"nl", 1043}, {"pl", 1045}, {"uk", 1058}, {"cs", 1029}, {"ja", 1041},
                      {"zh", 2052}, {"ko", 1042}, {"tr", 1055}, {"sv", 1053}};
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (!value || !*value) continue;
        const std::string code(value, std::strcspn(value, "_.@"));
        for (const auto& language : kLanguages)
            if (code == language.Code) return language.LangId;
        break;
    }
    return 1033;
}

uint32_t LastErrorCode() { return static_cast<uint32_t>(errno); }

std::u16string SystemErrorMessage(uint32_t code) {
    return Utf8ToUtf16(std::strerror(static_cast<int>(code)));
}

bool ResetFileAttributes(const std::u16string& fileName) {
    const std::string path = Utf16ToUtf8(fileName);
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) return false;
    return (status.st_mode & S_IWUSR) != 0 || ::chmod(path.c_str(), (status.st_mode & 07777) | S_IWUSR) == 0;
}

bool TFile::Open(const std::u16string& fileName, unsigned access, unsigned /*share*/,
                 TCreation creation) {
    Close();
    int flags = O_CLOEXEC;
    if ((access & faReadWrite) == faReadWrite)
        flags |= O_RDWR;
    else if (access & faWrite)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (creation == fcCreateAlways) flags |= O_CREAT | O_TRUNC;
    const int fd = ::open(Utf16ToUtf8(fileName).c_str(), flags, 0644);
    if (fd < 0) return false;
    FHandle = fd;
    return true;
}

void TFile::Close() {
    if (FHandle >= 0) {
        ::close(static_cast<int>(FHandle));
        FHandle = -1;
    }
}

int64_t TFile::Read(void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(static_cast<int>(FHandle), static_cast<char*>(buffer) + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t TFile::Write(const void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(static_cast<int>(FHandle), static_cast<const char*>(buffer) + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t TFile::Seek(int64_t offset, int origin) {
    const int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
    return ::lseek(static_cast<int>(FHandle), static_cast<off_t>(offset), whence);
}

bool TFile::Truncate() {
    const off_t position = ::lseek(static_cast<int>(FHandle), 0, SEEK_CUR);
    return position >= 0 && ::ftruncate(static_cast<int>(FHandle), position) == 0;
}

} // namespace ORV::Platform
