#include "ORV.FileFormats.INI.Text.h"

#include "ORV.Classes.Streams.h"
#include "ORV.Platform.h"
#include "ORV.Strings.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace ORV {

namespace {

// Pairs of bytes as code units; an odd last byte is dropped.
std::u16string DecodeUtf16(const std::string& bytes, bool bigEndian) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const auto first = static_cast<uint8_t>(bytes[2 * i]), second = static_cast<uint8_t>(bytes[2 * i + 1]);
        text[i] = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
    return text;
}

} // namespace

TORVTextEncoding DetectTextEncoding(const uint8_t* bytes, size_t count, size_t& markLength) {
    if (count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        markLength = 3;
        return teUtf8;
    }
    if (count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        markLength = 2;
        return teUtf16LE;
    }
    if (count >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        markLength = 2;
        return teUtf16BE;
    }
    markLength = 0;
    return teAnsi;
}

std::u16string ReadEncodedText(TStream& stream, TORVTextEncoding& encoding) {
    const int64_t start = stream.Position();
    uint8_t head[3];
    const size_t headLength = stream.Read(head, sizeof head);
    size_t markLength;
    encoding = DetectTextEncoding(head, headLength, markLength);
    stream.SetPosition(start + static_cast<int64_t>(markLength));

    const int64_t size = stream.Size(), position = stream.Position();
    if (size <= position) return {};
    // The bytes exist already (in memory or on disk), so their count is plausible; a 32-bit
    // process that cannot address them fails with bad_alloc rather than by wrapping around.
    if (static_cast<uint64_t>(size - position) > SIZE_MAX / 2) throw std::bad_alloc();
    std::string bytes(static_cast<size_t>(size - position), '\0');
    bytes.resize(stream.Read(bytes.data(), bytes.size()));

    switch (encoding) {
    case teUtf16LE: return DecodeUtf16(bytes, false);
    case teUtf16BE: return DecodeUtf16(bytes, true);
    case teUtf8: {
        std::u16string text;
        if (TryUtf8ToUtf16(bytes, text)) return text;
        return Platform::AnsiToString(bytes);
    }
    default: return Platform::AnsiToString(bytes);
    }
}

TORVTextWriter::TORVTextWriter(TStream& stream, TORVTextEncoding encoding) : FStream(stream), FEncoding(encoding) {
    switch (FEncoding) {
    case teUtf8: Append("\xEF\xBB\xBF"); break;
    case teUtf16LE: Append("\xFF\xFE"); break;
    case teUtf16BE: Append("\xFE\xFF"); break;
    default: break;
    }
}

void TORVTextWriter::Write(std::u16string_view text) {
    if (FEncoding == teUtf16LE || FEncoding == teUtf16BE) {
        const bool bigEndian = FEncoding == teUtf16BE;
        while (!text.empty()) {
            if (FBuffer.size() + 2 > kBufferSize) Flush();
            const size_t count = std::min(text.size(), (kBufferSize - FBuffer.size()) / 2);
            const size_t at = FBuffer.size();
            FBuffer.resize(at + 2 * count);
            char* out = FBuffer.data() + at;
            for (size_t i = 0; i < count; ++i, out += 2) {
                const auto high = static_cast<char>(text[i] >> 8), low = static_cast<char>(text[i] & 0xFF);
                out[0] = bigEndian ? high : low;
                out[1] = bigEndian ? low : high;
            }
            text.remove_prefix(count);
        }
        return;
    }
    Append(FEncoding == teUtf8 ? Utf16ToUtf8(text) : Platform::StringToAnsi(text));
}

void TORVTextWriter::Append(std::string_view bytes) {
    if (FBuffer.size() + bytes.size() > kBufferSize) Flush();
    if (bytes.size() >= kBufferSize)
        FStream.WriteBuffer(bytes.data(), bytes.size());
    else
        FBuffer.append(bytes);
}

void TORVTextWriter::Flush() {
    if (FBuffer.empty()) return;
    FStream.WriteBuffer(FBuffer.data(), FBuffer.size());
    FBuffer.clear();
}

} // namespace ORV
