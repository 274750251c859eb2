// Pictures decoded by GDI+ (PNG, JPEG, BMP, GIF, ...). GDI+ is not imported: it is loaded by its
// full System32 path on first use, so that no copy planted beside the program can be picked up.
#pragma once

#ifndef _WIN32
#error "ORV.Graphics.Image.h is for the Windows build only"
#endif

#include "ORV.Classes.Streams.h"

#include <windows.h>

#include <cstdint>

namespace ORV {

// How pixel centres are placed when an image is scaled while drawing; the values are GDI+'s.
enum TORVPixelOffsetMode : int { pomDefault = 0, pomHighSpeed = 1, pomHighQuality = 2, pomNone = 3, pomHalf = 4 };

class TORVImage {
public:
    TORVImage() = default;
    ~TORVImage();
    TORVImage(const TORVImage&) = delete;
    TORVImage& operator=(const TORVImage&) = delete;

    // Decodes the picture from the stream's position to its end, replacing the current one.
    // Raises EOSError when GDI+ cannot be loaded and EInvalidOperation ("Cannot load image
    // (GDI+ status %d)") when the data is no picture GDI+ can read; the image is then empty.
    void LoadFromStream(TStream& stream);

    bool Empty() const { return FBitmap == nullptr; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

    TORVPixelOffsetMode PixelOffsetMode() const { return FPixelOffsetMode; }
    void SetPixelOffsetMode(TORVPixelOffsetMode mode) { FPixelOffsetMode = mode; }

    // Draws the picture scaled into Rect of DC with the image's pixel offset mode. Nothing for
    // an empty image; false when GDI+ reports a failure.
    bool Draw(HDC dc, const RECT& rect) const;

    // The colour of one pixel as 0xAARRGGBB; 0 outside the picture or for an empty image.
    uint32_t Pixel(int x, int y) const;

private:
    void Clear();

    void* FBitmap = nullptr;  // GpBitmap*
    int FWidth = 0;
    int FHeight = 0;
    TORVPixelOffsetMode FPixelOffsetMode = pomDefault;
};

} // namespace ORV
