#pragma once
// Conversion of 0xAARRGGBB rows into the pixel formats an output surface may
// have. Every column of the row is written.
#include <cstddef>
#include <cstdint>

namespace tsukimi::platform {

enum class SurfaceFormat : uint8_t {
    Xrgb8888, // 32 bits: the pixel with alpha forced to 0xFF
    Rgb888,   // 24 bits: bytes B, G, R
    Rgb565,   // 16 bits, green mask 0x07E0
    Rgb555,   // 15 bits in 16
};

int BytesPerPixel(SurfaceFormat format);

// The reference definition, one pixel at a time.
void ConvertRowScalar(SurfaceFormat format, const uint32_t* source, void* destination, size_t count);
// The fastest level this processor has; results equal the scalar ones.
void ConvertRow(SurfaceFormat format, const uint32_t* source, void* destination, size_t count);

} // namespace tsukimi::platform
