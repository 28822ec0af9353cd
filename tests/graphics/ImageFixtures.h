#pragma once
// Small image files built at test time: BMPs by hand, PNGs and JPEGs
// through libpng and libjpeg, ".argb" containers around them.
#include "graphics/ARGB8888.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tsukimi::testing {

using Bytes = std::vector<uint8_t>;

struct BmpLayout
{
    uint32_t headerSize = 40; // 12, 40, 52, 56, 108 or 124
    int32_t width = 0;
    int32_t height = 0; // negative: top-down
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::vector<uint32_t> palette; // 0x00RRGGBB
    std::vector<uint32_t> masks;   // bit fields: red, green, blue (, alpha)
    Bytes pixels;                  // stored rows or the RLE stream
    int64_t offBits = -1;          // -1: right after the palette
};
Bytes MakeBmp(const BmpLayout& layout);

// Packs top-down values (palette indices, 16-bit words, 0xRRGGBB for 24
// bits, whole words for 32) into padded rows in stored order.
Bytes PackRows(int bits, int width, int height, const std::vector<uint32_t>& values, bool topDown);

struct PngLayout
{
    int width = 0, height = 0;
    int colorType = 2; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlace = false;
    std::vector<uint16_t> samples;  // top-down, channels per pixel
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    std::vector<uint8_t> trnsAlpha; // palette alpha
    bool trnsColour = false;        // tRNS single colour (grey or RGB)
    uint16_t trnsR = 0, trnsG = 0, trnsB = 0;
};
Bytes MakePng(const PngLayout& layout);

// `components` 1 (grey) or 3 (RGB); samples top-down.
Bytes MakeJpeg(int width, int height, int components, const std::vector<uint8_t>& samples,
               int quality = 90, bool progressive = false);
// The reference decode: libjpeg with the accurate integer DCT, no block
// smoothing, to RGB (components 3) or grey (1). Empty on failure.
std::vector<uint8_t> ReferenceJpegDecode(const Bytes& jpeg, int components, int* width = nullptr,
                                         int* height = nullptr);

Bytes MakeArgb(const std::string& magic, uint8_t type, const Bytes& first, const Bytes& second,
               int64_t length1 = -1, int64_t length2 = -1);

// The visible pixels, top row first.
std::vector<uint32_t> PixelsOf(const TARGB8888& image);

// A w x h RGB test pattern (distinct values per pixel).
std::vector<uint8_t> Pattern(int width, int height, int components, int seed = 0);

} // namespace tsukimi::testing
