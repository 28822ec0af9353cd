#include "platform/PixelConvert.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tsukimi::platform {
namespace {

inline uint16_t To565(uint32_t p)
{
    return static_cast<uint16_t>(((p >> 19) & 0x1F) << 11 | ((p >> 10) & 0x3F) << 5 | ((p >> 3) & 0x1F));
}

inline uint16_t To555(uint32_t p)
{
    return static_cast<uint16_t>(((p >> 19) & 0x1F) << 10 | ((p >> 11) & 0x1F) << 5 | ((p >> 3) & 0x1F));
}

#if defined(__SSE2__)
size_t Convert32Sse2(const uint32_t* src, uint32_t* dst, size_t count)
{
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(p, alpha));
    }
    return i;
}

// Packs 8 pixels to 16 bits: `redShift` 11 with 6 green bits, or 10 with 5.
template <bool Is565>
size_t Convert16Sse2(const uint32_t* src, uint16_t* dst, size_t count)
{
    const __m128i blueMask = _mm_set1_epi32(0x1F);
    const __m128i greenMask = _mm_set1_epi32(Is565 ? 0x3F : 0x1F);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128i out[2];
        for (int half = 0; half < 2; ++half) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 4 * half));
            const __m128i b = _mm_and_si128(_mm_srli_epi32(p, 3), blueMask);
            const __m128i g = _mm_and_si128(_mm_srli_epi32(p, Is565 ? 10 : 11), greenMask);
            const __m128i r = _mm_and_si128(_mm_srli_epi32(p, 19), blueMask);
            out[half] = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(r, Is565 ? 11 : 10), _mm_slli_epi32(g, 5)), b);
            // Sign-extend the 16-bit values so the signed pack keeps them.
            out[half] = _mm_srai_epi32(_mm_slli_epi32(out[half], 16), 16);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packs_epi32(out[0], out[1]));
    }
    return i;
}
#endif

} // namespace

int BytesPerPixel(SurfaceFormat format)
{
    switch (format) {
    case SurfaceFormat::Xrgb8888: return 4;
    case SurfaceFormat::Rgb888: return 3;
    default: return 2;
    }
}

void ConvertRowScalar(SurfaceFormat format, const uint32_t* source, void* destination, size_t count)
{
    switch (format) {
    case SurfaceFormat::Xrgb8888: {
        auto* dst = static_cast<uint32_t*>(destination);
        for (size_t i = 0; i < count; ++i)
            dst[i] = source[i] | 0xFF000000u;
        break;
    }
    case SurfaceFormat::Rgb888: {
        auto* dst = static_cast<uint8_t*>(destination);
        for (size_t i = 0; i < count; ++i) {
            dst[3 * i] = static_cast<uint8_t>(source[i]);
            dst[3 * i + 1] = static_cast<uint8_t>(source[i] >> 8);
            dst[3 * i + 2] = static_cast<uint8_t>(source[i] >> 16);
        }
        break;
    }
    case SurfaceFormat::Rgb565: {
        auto* dst = static_cast<uint16_t*>(destination);
        for (size_t i = 0; i < count; ++i)
            dst[i] = To565(source[i]);
        break;
    }
    case SurfaceFormat::Rgb555: {
        auto* dst = static_cast<uint16_t*>(destination);
        for (size_t i = 0; i < count; ++i)
            dst[i] = To555(source[i]);
        break;
    }
    }
}

void ConvertRow(SurfaceFormat format, const uint32_t* source, void* destination, size_t count)
{
    size_t done = 0;
#if defined(__SSE2__)
    switch (format) {
    case SurfaceFormat::Xrgb8888: done = Convert32Sse2(source, static_cast<uint32_t*>(destination), count); break;
    case SurfaceFormat::Rgb565:
        done = Convert16Sse2<true>(source, static_cast<uint16_t*>(destination), count);
        break;
    case SurfaceFormat::Rgb555:
        done = Convert16Sse2<false>(source, static_cast<uint16_t*>(destination), count);
        break;
    default: break;
    }
#endif
    if (done < count)
        ConvertRowScalar(format, source + done,
                         static_cast<uint8_t*>(destination) + done * static_cast<size_t>(BytesPerPixel(format)),
                         count - done);
}

} // namespace tsukimi::platform
