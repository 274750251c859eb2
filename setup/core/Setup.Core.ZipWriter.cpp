#include "Setup.Core.ZipWriter.h"

#include "ORV.Platform.h"
#include "ORV.Strings.h"
#include "ORV.SysUtils.h"

#include <zip.h>
#ifdef _WIN32
#include "ORV.Win32.h"

#include <iowin32.h>
#endif

#include <algorithm>
#include <vector>

namespace Setup::Core {

namespace {

constexpr size_t kPieceSize = 1 << 20;
// What Shrinks looks at of an entry, and the least it judges.
constexpr size_t kSampleSize = 64 << 10;
constexpr size_t kMinimumSample = 4 << 10;
// General-purpose flag bit 11: the name (and comment) are UTF-8.
constexpr uLong kUtf8NameFlag = 1 << 11;
// "Made by" version 6.3 (the first with the UTF-8 flag), on an MS-DOS compatible host.
constexpr uLong kVersionMadeBy = 63;

[[noreturn]] void RaiseZipError(int code) { throw ORV::EWriteError(ORV::Format(u"ZIP Error (%d)", {static_cast<long long>(code)})); }

void Check(int code) {
    if (code == ZIP_OK) return;
    // A failed read or write of the archive file: the system's reason (a full disk, say) is
    // still the thread's last error here.
    const uint32_t error = code == ZIP_ERRNO ? ORV::Platform::LastErrorCode() : 0;
    if (error != 0)
        throw ORV::EWriteError(ORV::Format(u"ZIP Error (%d): %s", {static_cast<long long>(code), ORV::Platform::SystemErrorMessage(error)}),
                               error);
    RaiseZipError(code);
}

bool IsPlainAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

#ifdef _WIN32
// iowin32 gives back what one WriteFile took. A volume that is nearly full may take part of a
// write (Wine's does), and only the next write tells why; so the rest is written until the
// system refuses, which leaves its reason as the thread's last error for Check.
write_file_func gWin32Write = nullptr;

uLong ZCALLBACK WriteWhole(voidpf opaque, voidpf stream, const void* buffer, uLong size) {
    uLong done = 0;
    while (done < size) {
        const uLong written = gWin32Write(opaque, stream, static_cast<const char*>(buffer) + done, size - done);
        if (written == 0) break;
        done += written;
    }
    return done;
}
#endif

// No time at all is 1980-01-01 00:00, the first the format can hold.
constexpr uint32_t kEarliestDosTime = (1u << 5 | 1u) << 16;

} // namespace

std::string TZipWriter::EntryName(std::u16string_view name) {
    std::u16string slashes(name);
    std::replace(slashes.begin(), slashes.end(), u'\\', u'/');
    return ORV::Utf16ToUtf8(slashes);
}

TZipWriter::TZipWriter(const std::u16string& path) {
#ifdef _WIN32
    zlib_filefunc64_def files{};
    fill_win32_filefunc64W(&files);
    gWin32Write = files.zwrite_file;
    files.zwrite_file = &WriteWhole;
    const std::u16string fullPath = ORV::LongPathForm(path);
    FZip = zipOpen2_64(ORV::W(fullPath), APPEND_STATUS_CREATE, nullptr, &files);
#else
    FZip = zipOpen64(ORV::Utf16ToUtf8(path).c_str(), APPEND_STATUS_CREATE);
#endif
    if (!FZip) throw ORV::EFCreateError(ORV::Format(u"Cannot create file \"%s\"", {path}));
}

TZipWriter::~TZipWriter() {
    if (FZip) zipClose(FZip, nullptr);
}

void TZipWriter::AddFile(std::u16string_view name, ORV::TStream& source, uint32_t dosTime, int level) {
    if (!FZip) RaiseZipError(ZIP_PARAMERROR);
    const std::string entryName = EntryName(name);
    const int64_t position = source.Position();
    const int64_t size = std::max<int64_t>(0, source.Size() - position);
    std::vector<uint8_t> piece(static_cast<size_t>(std::min<int64_t>(size, kPieceSize)));
    size_t count = piece.empty() ? 0 : source.Read(piece.data(), piece.size());
    // Media that is compressed already would cost the deflater its full time for nothing.
    if (level != 0 && !Shrinks(piece.data(), count)) level = 0;
    zip_fileinfo info{};
    info.dosDate = dosTime != 0 ? dosTime : kEarliestDosTime;
    const bool zip64 = size >= 0xFFFFFFFFll;
    Check(zipOpenNewFileInZip4_64(FZip, entryName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                  level == 0 ? 0 : Z_DEFLATED, level, 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr,
                                  0, kVersionMadeBy, IsPlainAscii(entryName) ? 0 : kUtf8NameFlag, zip64 ? 1 : 0));
    while (count > 0) {
        Check(zipWriteInFileInZip(FZip, piece.data(), static_cast<unsigned>(count)));
        count = source.Read(piece.data(), piece.size());
    }
    Check(zipCloseFileInZip(FZip));
}

bool TZipWriter::Shrinks(const uint8_t* data, size_t count) {
    // A sample from the start, at the fastest level: data that does not give up 3 % there will
    // not at a higher one either.
    const uLong sample = static_cast<uLong>(std::min<size_t>(count, kSampleSize));
    if (sample < kMinimumSample) return true;
    std::vector<uint8_t> packed(compressBound(sample));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    if (compress2(packed.data(), &packedSize, data, sample, 1) != Z_OK) return true;
    return packedSize < sample - sample / 32;
}

void TZipWriter::Close() {
    if (!FZip) return;
    void* zip = FZip;
    FZip = nullptr;
    Check(zipClose(zip, nullptr));
}

} // namespace Setup::Core
