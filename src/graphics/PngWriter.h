#pragma once
// PNG encoding of 32-bit images (0xAARRGGBB words).
#include <cstdint>
#include <optional>
#include <vector>

namespace tsukimi {

// `opaque` writes RGB without the alpha channel. Null on failure.
std::optional<std::vector<uint8_t>> EncodePng(const uint32_t* pixels, int width, int height,
                                              int stride, bool opaque);

} // namespace tsukimi
