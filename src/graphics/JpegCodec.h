#pragma once
// JPEG decoding and encoding through libjpeg: accurate integer DCT, no
// block smoothing, no progressive display. libjpeg's errors return here
// (they never end the process) and its warnings are silent.
#include "graphics/ALSGBitmap.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tsukimi {

enum class JpegOutput : uint8_t {
    Colour, // 24-bit colour, alpha 255
    Grey,   // 8-bit grey g widened to 0xFFgggggg
};

// Throws ImageDecodeError for data libjpeg rejects, a size over `limits`
// or more scans than a real file has. The border is not updated.
std::unique_ptr<TALSGBitmap> DecodeJpeg(std::span<const uint8_t> bytes, JpegOutput output,
                                        const TImageLimits& limits = {});

// A baseline JPEG of the bitmap's colours (alpha dropped); quality is
// clamped to 0 .. 100. Null on failure or for an empty bitmap.
std::optional<std::vector<uint8_t>> EncodeJpeg(const TALSGBitmap& bitmap, int quality);

} // namespace tsukimi
