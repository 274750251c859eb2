// Raw LZMA1 streams over ORV streams, with an in-place transform (the package scrambler) on
// the compressed side. The stream layout is the five properties bytes followed by the coded
// data, with no size field and no end marker: the caller knows the decoded size.
#pragma once

#include "ORV.Classes.Streams.h"

#include <cstdint>
#include <functional>

namespace Lzma {

// Transforms Count bytes of Buffer in place.
using TPreprocessor = std::function<void(uint8_t* buffer, size_t count)>;

// What the codec's read and write callbacks work on.
struct TLZMAStreams {
    TPreprocessor DestPreprocessor;
    ORV::TStream* DestStream = nullptr;
    TPreprocessor SourcePreprocessor;
    ORV::TStream* SourceStream = nullptr;
};

// Compresses everything from Source's position to its end into Dest at Level (0-9, the
// codec's defaults for that level, no end marker). Every byte written to Dest, the
// properties included, passes DestPreprocessor first (when set).
// Raises EInvalidOperation "LZMA Error (%d)" with the codec's result code; an exception of a
// stream is passed on as it is. Dest then holds a partial stream.
void LzmaCompress(ORV::TStream& source, ORV::TStream& dest, int level, const TPreprocessor& destPreprocessor);

// Decodes exactly ExpectedSize bytes from Source's position into Dest. Every byte read from
// Source passes SourcePreprocessor first (when set). Bytes after the coded data are not read
// beyond the codec's look-ahead. Data errors and a source that ends early return normally
// with fewer bytes written: the caller checks the length and checksum of what it got. Other
// codec failures (unsupported properties, memory, a short write to Dest) raise
// EInvalidOperation "LZMA Error (%d)".
// The dictionary is never allocated larger than ExpectedSize needs, whatever the properties
// declare, so hostile properties cannot demand gigabytes.
void LzmaDecompress(ORV::TStream& source, ORV::TStream& dest, const TPreprocessor& sourcePreprocessor,
                    int64_t expectedSize);

} // namespace Lzma
