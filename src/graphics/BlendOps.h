#pragma once
// The 8-bit operations every pixel kernel is built from, one function per
// operation with its exact formula and rounding. The scalar kernels are
// written with these and are the definition; every SIMD kernel must give the
// same bits.
//
// Pixels are 0xAARRGGBB words, straight alpha. Channel values are ints in
// 0 .. 255 unless noted; ">>" on a negative int is an arithmetic shift
// (rounds towards minus infinity), as on 16-bit SIMD lanes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace tsukimi::blend {

// Blend modes (low 7 bits of the mode byte); any other value is normal.
enum : int {
    ModeScreen = 4,
    ModeMultiply = 5,
    ModeDifference = 6,
    ModeLighten = 7,
    ModeDarken = 8,
    ModeAdd = 9,
    ModeSubtract = 10,
};

// The operator of a mode byte: 4 .. 10, or 0 for normal alpha blending.
constexpr int BlendOperator(int mode)
{
    const int m = mode & 0x7F;
    return m >= ModeScreen && m <= ModeSubtract ? m : 0;
}

struct TChannels
{
    int a, r, g, b;
};

constexpr TChannels Split(uint32_t p)
{
    return {static_cast<int>(p >> 24), static_cast<int>(p >> 16 & 0xFF),
            static_cast<int>(p >> 8 & 0xFF), static_cast<int>(p & 0xFF)};
}

constexpr int Clamp255(int c)
{
    return c < 0 ? 0 : (c > 255 ? 255 : c);
}

// Clamps every channel to 0 .. 255 and packs.
constexpr uint32_t Pack(TChannels c)
{
    return static_cast<uint32_t>(Clamp255(c.a)) << 24 | static_cast<uint32_t>(Clamp255(c.r)) << 16 |
           static_cast<uint32_t>(Clamp255(c.g)) << 8 | static_cast<uint32_t>(Clamp255(c.b));
}

// Linear step used by filtering, blending and transitions:
// from + (((to - from) * weight) >> 7), weight 0 .. 128.
constexpr int Lerp7(int from, int to, int weight)
{
    return from + (((to - from) * weight) >> 7);
}

// Destination mask: alpha scaled by the mask's blue byte m,
// (a * (m + (m >> 7))) >> 8.
constexpr int MaskAlpha(int a, int m)
{
    return (a * (m + (m >> 7))) >> 8;
}

// Modulation of one channel by its byte of M = opacity << 24 | multiply:
// (c * mc) >> 8 (so 255 * 255 gives 254).
constexpr int Modulate(int c, int mc)
{
    return (c * mc) >> 8;
}

// Add colour: min(255, c + add).
constexpr int AddSaturate(int c, int add)
{
    return std::min(255, c + add);
}

// Normal blending weight: (a + (a >> 7)) >> 1, 0 .. 128.
constexpr int NormalWeight(int a)
{
    return (a + (a >> 7)) >> 1;
}

// Source weighted by its alpha, p = (s * (a + (a >> 7))) >> 8.
constexpr int Premultiplied(int s, int a)
{
    return (s * (a + (a >> 7))) >> 8;
}

// Source pulled towards white where transparent:
// t = 255 + (((s - 255) * w) >> 7) with w = (a >> 1) + (a >> 7).
constexpr int TowardsWhite(int s, int a)
{
    return 255 + (((s - 255) * ((a >> 1) + (a >> 7))) >> 7);
}

// One channel of the blend operators 4 .. 10 (s and d of the same channel,
// a the source alpha). The result is clamped by Pack.
constexpr int BlendChannel(int op, int s, int d, int a)
{
    switch (op) {
    case ModeScreen: {
        const int p = Premultiplied(s, a);
        return p + d - ((p * d) >> 8);
    }
    case ModeMultiply: {
        const int t = TowardsWhite(s, a);
        return ((t + (t >> 7)) * d) >> 8;
    }
    case ModeDifference:
        return std::abs(Premultiplied(s, a) - d);
    case ModeLighten:
        return std::max(Premultiplied(s, a), d);
    case ModeDarken:
        return std::min(TowardsWhite(s, a), d);
    case ModeAdd:
        return std::min(255, Premultiplied(s, a) + d);
    case ModeSubtract:
        return std::max(0, d - Premultiplied(s, a));
    default:
        return Lerp7(d, s, NormalWeight(a));
    }
}

// --- Whole-pixel steps of the composition.

constexpr uint32_t ApplyMask(uint32_t s, int m)
{
    return static_cast<uint32_t>(MaskAlpha(static_cast<int>(s >> 24), m)) << 24 | (s & 0xFFFFFF);
}

// Skipped (identity) when modulation is 0xFFFFFFFF.
constexpr uint32_t ApplyModulation(uint32_t s, uint32_t modulation)
{
    if (modulation == 0xFFFFFFFFu) return s;
    const TChannels c = Split(s), m = Split(modulation);
    return Pack({Modulate(c.a, m.a), Modulate(c.r, m.r), Modulate(c.g, m.g), Modulate(c.b, m.b)});
}

// R, G, B saturated; A unchanged.
constexpr uint32_t ApplyAddColour(uint32_t s, uint32_t add)
{
    if ((add & 0xFFFFFF) == 0) return s;
    const TChannels c = Split(s), k = Split(add);
    return Pack({c.a, AddSaturate(c.r, k.r), AddSaturate(c.g, k.g), AddSaturate(c.b, k.b)});
}

// Blend step: operator op (0 = normal) of s onto d, every channel alpha
// included, clamped.
constexpr uint32_t BlendPixel(int op, uint32_t s, uint32_t d)
{
    const TChannels cs = Split(s), cd = Split(d);
    return Pack({BlendChannel(op, cs.a, cd.a, cs.a), BlendChannel(op, cs.r, cd.r, cs.a),
                 BlendChannel(op, cs.g, cd.g, cs.a), BlendChannel(op, cs.b, cd.b, cs.a)});
}

// Normal alpha blend: each channel d + (((s - d) * k) >> 7), k from s.A.
constexpr uint32_t NormalBlend(uint32_t s, uint32_t d)
{
    return BlendPixel(0, s, d);
}

// Lerp7 on every channel, alpha included.
constexpr uint32_t LerpPixel(uint32_t from, uint32_t to, int weight)
{
    const TChannels f = Split(from), t = Split(to);
    return Pack({Lerp7(f.a, t.a, weight), Lerp7(f.r, t.r, weight), Lerp7(f.g, t.g, weight),
                 Lerp7(f.b, t.b, weight)});
}

// Bilinear filter of four pixels with 7-bit fractions fx, fy (0 .. 127):
// top and bottom along x first, then along y.
constexpr uint32_t Bilinear(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, int fx, int fy)
{
    return LerpPixel(LerpPixel(p00, p01, fx), LerpPixel(p10, p11, fx), fy);
}

// Solid colour of the fills: alpha << 24 | min(255, colour + add) per
// channel.
constexpr uint32_t SumColour(uint32_t colour, uint32_t add, int alpha)
{
    const TChannels c = Split(colour), k = Split(add);
    return static_cast<uint32_t>(alpha & 0xFF) << 24 |
           (Pack({0, AddSaturate(c.r, k.r), AddSaturate(c.g, k.g), AddSaturate(c.b, k.b)}) &
            0xFFFFFF);
}

} // namespace tsukimi::blend
