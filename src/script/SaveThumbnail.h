#pragma once
// The thumbnail picture of a save file: a Windows bitmap file with 15-bit
// pixels (5-5-5, BI_RGB, bottom-up rows padded to 4 bytes); alpha is not
// kept.
#include "graphics/ARGB8888.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tsukimi {

// Largest thumbnail a save file may decode to.
inline constexpr TImageLimits ThumbnailLimits{4096, int64_t{1} << 22};

// The bitmap file of the image's current buffer: each channel keeps its top
// five bits. Empty when the image has no buffer or an empty size.
std::vector<uint8_t> EncodeThumbnailBmp(const TARGB8888& image);
// Decodes a thumbnail with the engine's bitmap reader (any depth it reads;
// all but 32-bit files come out opaque). Null when the bytes do not decode or exceed
// ThumbnailLimits.
std::unique_ptr<TARGB8888> DecodeThumbnailBmp(std::span<const uint8_t> file);

} // namespace tsukimi
