// Byte streams: the abstract TStream, a growable memory stream, a file stream and a file stream
// that collects small writes.
#pragma once

#include "ORV.Platform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ORV {

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to Count bytes; returns how many were read (0 at the end). Raises only on a
    // failure of the underlying medium.
    virtual size_t Read(void* buffer, size_t count) = 0;
    // Writes up to Count bytes; returns how many were written.
    virtual size_t Write(const void* buffer, size_t count) = 0;
    // Moves the position and returns the new one. A position before 0 raises EStreamError.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size();
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t position) { Seek(position, soBeginning); }

    // Exactly Count bytes or EReadError ("Stream read error").
    void ReadBuffer(void* buffer, size_t count);
    // Exactly Count bytes or EWriteError ("Stream write error").
    void WriteBuffer(const void* buffer, size_t count);
    // Copies exactly Count bytes from Source's position through a 1 MiB buffer; EReadError
    // when Source ends first.
    void CopyFrom(TStream& source, int64_t count);

    static constexpr size_t kCopyBufferSize = 1 << 20;
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(FData.size()); }
    void SetSize(int64_t size) override;

    // Reserves room for Capacity bytes without changing the size.
    void SetCapacity(size_t capacity) { FData.reserve(capacity); }
    void Clear();

    // Size for holders of a const stream.
    size_t Length() const { return FData.size(); }
    uint8_t* Memory() { return FData.data(); }
    const uint8_t* Memory() const { return FData.data(); }

private:
    std::vector<uint8_t> FData;
    size_t FPosition = 0;
};

enum TFileMode { fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite };

class TFileStream : public TStream {
public:
    // fmCreate creates or replaces the file for reading and writing; the fmOpen modes open an
    // existing one. Share is a combination of Platform::TFile::fsRead/fsWrite/fsDelete.
    // Raises EFCreateError "Cannot create file \"%s\". %s" or EFOpenError
    // "Cannot open file \"%s\". %s" with the system's reason.
    TFileStream(const std::u16string& fileName, TFileMode mode,
                unsigned share = Platform::TFile::fsRead);

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    const std::u16string& FileName() const { return FFileName; }

private:
    std::u16string SystemErrorText(const char16_t* pattern) const;

    std::u16string FFileName;
    Platform::TFile FFile;
};

// A file stream that collects writes in a buffer of BufferSize bytes and hands them to the file
// in large pieces; a write of a whole buffer or more goes to the file at once. Reading, seeking
// and resizing write the buffer out first. Call Flush before the stream goes: the destructor
// writes what is left too, but cannot report a failure.
class TBufferedFileStream : public TFileStream {
public:
    static constexpr size_t kDefaultBufferSize = 256 * 1024;

    TBufferedFileStream(const std::u16string& fileName, TFileMode mode,
                        unsigned share = Platform::TFile::fsRead, size_t bufferSize = kDefaultBufferSize);
    ~TBufferedFileStream() override;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

    // Writes the buffered bytes to the file. Raises EWriteError when the file takes them not all.
    void Flush();

private:
    std::vector<uint8_t> FBuffer;
    size_t FBufferSize;
};

} // namespace ORV
