#pragma once
// Decodes a Windows icon file to its largest 32-bit or 8-bit image.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tsukimi {

struct TIconImage
{
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels; // 0xAARRGGBB, top row first
};

// Null when the file holds no usable 32-bit or 8-bit image or is damaged.
std::optional<TIconImage> DecodeIco(std::span<const uint8_t> bytes);

} // namespace tsukimi
