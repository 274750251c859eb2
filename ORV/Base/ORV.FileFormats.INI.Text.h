// The byte form of the INI text: which encoding a file is in, how its bytes become text and
// how text becomes bytes again.
//
//   mark      encoding     decoding of the bytes after the mark
//   EF BB BF  teUtf8       strict UTF-8; when malformed, the ANSI code page
//   FF FE     teUtf16LE    code units as they are; an odd last byte is dropped
//   FE FF     teUtf16BE    byte-swapped code units; an odd last byte is dropped
//   (other)   teAnsi       the system's ANSI code page; nothing is skipped
//
// Only the first three bytes are looked at, in the order of the table. Writing puts the mark
// of the encoding first (none for teAnsi), so text that is read and written back keeps the
// encoding of its file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ORV {

class TStream;

enum TORVTextEncoding { teAnsi, teUtf8, teUtf16LE, teUtf16BE };

// The encoding that the first bytes of a text announce, and the length of the mark to skip
// (0 for teAnsi). Count may be below 3.
TORVTextEncoding DetectTextEncoding(const uint8_t* bytes, size_t count, size_t& markLength);

// Decodes Stream from its position to its end as the table says, leaves the stream at its end
// and returns the text with Encoding set to the detected encoding. Errors of the stream
// propagate.
std::u16string ReadEncodedText(TStream& stream, TORVTextEncoding& encoding);

// Writes text pieces to a stream in one encoding, starting with that encoding's mark. Bytes
// are collected in a buffer of up to 256 KiB (grown as needed, so a small text costs little)
// and handed to the stream when it fills and on Flush, so a file receives few large writes.
// Errors of the stream (a full disk) propagate from Write and Flush; whatever was not flushed
// is lost when the writer goes.
class TORVTextWriter {
public:
    TORVTextWriter(TStream& stream, TORVTextEncoding encoding);
    TORVTextWriter(const TORVTextWriter&) = delete;
    TORVTextWriter& operator=(const TORVTextWriter&) = delete;

    // Converts Text on its own: a surrogate pair must not be split between two pieces.
    // Characters that the ANSI code page cannot represent become '?'.
    void Write(std::u16string_view text);
    void Flush();

    static constexpr size_t kBufferSize = 256 * 1024;

private:
    void Append(std::string_view bytes);

    TStream& FStream;
    TORVTextEncoding FEncoding;
    std::string FBuffer;
};

} // namespace ORV
