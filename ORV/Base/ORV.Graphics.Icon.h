// An icon in the platform's icon file format, as a language file carries it.
//
// Layout (little-endian): ICONDIR { Reserved u16 = 0, Type u16 = 1, Count u16 }, then Count
// ICONDIRENTRY { Width u8, Height u8, Colors u8, Reserved u8, Planes u16, BitCount u16,
// BytesInRes u32, ImageOffset u32 }, then the images the entries point at.
#pragma once

#include "ORV.Classes.Streams.h"

#include <cstdint>
#include <vector>

namespace ORV {

class TORVIcon {
public:
    // Reads an icon file from the stream's position to its end. False, leaving the icon empty,
    // when the data is not an icon file or an entry points outside it.
    bool LoadFromStream(TStream& stream);
    void Clear() { FData.clear(); }
    bool Empty() const { return FData.empty(); }
    // The whole icon file.
    const std::vector<uint8_t>& Data() const { return FData; }

private:
    std::vector<uint8_t> FData;
};

} // namespace ORV
