#include "ORV.Classes.Streams.h"

#include "ORV.Strings.h"
#include "ORV.SysUtils.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace ORV {

int64_t TStream::Size() {
    const int64_t position = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError();
}

void TStream::CopyFrom(TStream& source, int64_t count) {
    if (count <= 0) return;
    const size_t bufferSize = static_cast<size_t>(std::min<int64_t>(count, kCopyBufferSize));
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[bufferSize]);
    while (count > 0) {
        const size_t chunk = static_cast<size_t>(std::min<int64_t>(count, bufferSize));
        source.ReadBuffer(buffer.get(), chunk);
        WriteBuffer(buffer.get(), chunk);
        count -= static_cast<int64_t>(chunk);
    }
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    // An empty read may come with no buffer at all, which memcpy must never see.
    if (count == 0 || FPosition >= FData.size()) return 0;
    const size_t available = std::min(count, FData.size() - FPosition);
    std::memcpy(buffer, FData.data() + FPosition, available);
    FPosition += available;
    return available;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
    if (count == 0) return 0;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    if (FPosition == FData.size()) {
        FData.insert(FData.end(), bytes, bytes + count);
    } else {
        if (FPosition + count > FData.size()) FData.resize(FPosition + count);
        std::memcpy(FData.data() + FPosition, bytes, count);
    }
    FPosition += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t base = origin == soBeginning ? 0
                         : origin == soCurrent ? static_cast<int64_t>(FPosition)
                                               : static_cast<int64_t>(FData.size());
    // Positions beyond the end are allowed, as in a file: the next write fills the gap.
    if (offset < -base || offset > INT64_MAX - base) throw EStreamError(u"Invalid stream position");
    FPosition = static_cast<size_t>(base + offset);
    return static_cast<int64_t>(FPosition);
}

void TMemoryStream::SetSize(int64_t size) {
    if (size < 0) throw EStreamError(u"Invalid stream size");
    FData.resize(static_cast<size_t>(size));
    if (FPosition > FData.size()) FPosition = FData.size();
}

void TMemoryStream::Clear() {
    FData.clear();
    FData.shrink_to_fit();
    FPosition = 0;
}

TFileStream::TFileStream(const std::u16string& fileName, TFileMode mode, unsigned share)
    : FFileName(fileName) {
    using Platform::TFile;
    bool opened;
    switch (mode) {
    case fmCreate:
        opened = FFile.Open(fileName, TFile::faReadWrite, share, TFile::fcCreateAlways);
        if (!opened) throw EFCreateError(SystemErrorText(u"Cannot create file \"%s\". %s"));
        return;
    case fmOpenRead:
        opened = FFile.Open(fileName, TFile::faRead, share, TFile::fcOpenExisting);
        break;
    case fmOpenWrite:
        opened = FFile.Open(fileName, TFile::faWrite, share, TFile::fcOpenExisting);
        break;
    default:
        opened = FFile.Open(fileName, TFile::faReadWrite, share, TFile::fcOpenExisting);
        break;
    }
    if (!opened) throw EFOpenError(SystemErrorText(u"Cannot open file \"%s\". %s"));
}

std::u16string TFileStream::SystemErrorText(const char16_t* pattern) const {
    return Format(pattern, {FFileName, Platform::SystemErrorMessage(Platform::LastErrorCode())});
}

size_t TFileStream::Read(void* buffer, size_t count) {
    const int64_t got = FFile.Read(buffer, count);
    if (got < 0) throw EReadError();
    return static_cast<size_t>(got);
}

size_t TFileStream::Write(const void* buffer, size_t count) {
    const int64_t written = FFile.Write(buffer, count);
    if (written < 0) {
        // The system's reason, a full disk say, is what the user needs to hear.
        const uint32_t error = Platform::LastErrorCode();
        throw EWriteError(Format(u"Cannot write to file \"%s\". %s", {FFileName, Platform::SystemErrorMessage(error)}), error);
    }
    return static_cast<size_t>(written);
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t position = FFile.Seek(offset, origin);
    if (position < 0) throw EStreamError(u"Invalid stream position");
    return position;
}

void TFileStream::SetSize(int64_t size) {
    const int64_t position = Position();
    Seek(size, soBeginning);
    if (!FFile.Truncate()) throw EWriteError();
    if (position < size) Seek(position, soBeginning);
}

TBufferedFileStream::TBufferedFileStream(const std::u16string& fileName, TFileMode mode, unsigned share,
                                         size_t bufferSize)
    : TFileStream(fileName, mode, share), FBufferSize(bufferSize ? bufferSize : 1) {
    FBuffer.reserve(FBufferSize);
}

TBufferedFileStream::~TBufferedFileStream() {
    try {
        Flush();
    } catch (...) {
        // Whoever needs to know calls Flush first.
    }
}

void TBufferedFileStream::Flush() {
    size_t done = 0;
    while (done < FBuffer.size()) {
        const size_t written = TFileStream::Write(FBuffer.data() + done, FBuffer.size() - done);
        if (written == 0) {
            // Keep what the file did not take, so that nothing is written twice or lost silently.
            FBuffer.erase(FBuffer.begin(), FBuffer.begin() + static_cast<ptrdiff_t>(done));
            throw EWriteError();
        }
        done += written;
    }
    FBuffer.clear();
}

size_t TBufferedFileStream::Read(void* buffer, size_t count) {
    Flush();
    return TFileStream::Read(buffer, count);
}

size_t TBufferedFileStream::Write(const void* buffer, size_t count) {
    if (count >= FBufferSize) {
        Flush();
        return TFileStream::Write(buffer, count);
    }
    if (FBuffer.size() + count > FBufferSize) Flush();
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    FBuffer.insert(FBuffer.end(), bytes, bytes + count);
    return count;
}

int64_t TBufferedFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    Flush();
    return TFileStream::Seek(offset, origin);
}

void TBufferedFileStream::SetSize(int64_t size) {
    Flush();
    TFileStream::SetSize(size);
}

} // namespace ORV
