#pragma once
// PNG decoding through libpng into a TALSGBitmap.
#include "graphics/ALSGBitmap.h"

#include <cstdint>
#include <memory>
#include <span>

namespace tsukimi {

struct TPngImage
{
    std::unique_ptr<TALSGBitmap> bitmap;
    bool hasAlpha = false; // an alpha channel or a transparency chunk
};

// 16-bit samples lose their low byte; palette and grey images are expanded
// to RGB; alpha comes from the alpha channel (or the transparency chunk),
// else 255. No gamma or colour-space correction. A file of fewer than 4
// bytes, one whose first 4 bytes are not the start of the PNG signature
// (they are then skipped), damaged data or a size over `limits` throws
// ImageDecodeError. The border is not updated.
TPngImage DecodePng(std::span<const uint8_t> bytes, const TImageLimits& limits = {});

} // namespace tsukimi
