// Helpers for 32-bit colours 0xAARRGGBB.
#include "data/TextHelpers.h"

namespace tsukimi {
namespace {

uint32_t Channel(uint32_t color, int shift)
{
    return (color >> shift) & 0xFF;
}

template <typename F> uint32_t PerChannel(uint32_t a, uint32_t b, F f)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        out |= (f(Channel(a, shift), Channel(b, shift)) & 0xFF) << shift;
    }
    return out;
}

} // namespace

uint32_t ToWindowColor(uint32_t color)
{
    return (Channel(color, 16)) | (Channel(color, 8) << 8) | (Channel(color, 0) << 16) |
           0x02000000u;
}

uint32_t MixColor(uint32_t a, uint32_t b, int t)
{
    if (t <= 0) return a;
    if (t >= 255) return b;
    const auto ut = static_cast<uint32_t>(t);
    return PerChannel(a, b,
                      [ut](uint32_t x, uint32_t y) { return (x * (255 - ut) + y * ut) / 255; });
}

uint32_t MultiplyColor(uint32_t a, uint32_t b)
{
    return PerChannel(a, b, [](uint32_t x, uint32_t y) { return x * y / 255; });
}

uint32_t AddColor(uint32_t a, uint32_t b)
{
    return PerChannel(a, b, [](uint32_t x, uint32_t y) { return x + y > 255 ? 255u : x + y; });
}

} // namespace tsukimi
