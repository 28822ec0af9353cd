#pragma once
// Windows bitmap files: our own reader (1, 4, 8, 16, 24 and 32 bits per
// pixel; uncompressed, RLE8, RLE4 and bit fields; core, info and the
// version 2 to 5 headers; bottom-up and top-down) and the 32-bit writer.
#include "graphics/ALSGBitmap.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tsukimi {

// A 32-bit file keeps its fourth bytes as alpha; every other depth gets
// `otherDepthAlpha` (255 for ".bmp" files, 0 inside ".argb" containers).
// Every header field, the palette, the pixel offset, the rows and each RLE
// run are checked against the file first; any inconsistency throws
// ImageDecodeError (kBitmapReadFailed). The border is not updated.
std::unique_ptr<TALSGBitmap> DecodeBmp(std::span<const uint8_t> file, uint8_t otherDepthAlpha,
                                       const TImageLimits& limits = {});

// BITMAPFILEHEADER, BITMAPINFOHEADER (BI_RGB, 32 bits), bottom-up rows.
std::vector<uint8_t> EncodeBmp(const TALSGBitmap& bitmap);

} // namespace tsukimi
