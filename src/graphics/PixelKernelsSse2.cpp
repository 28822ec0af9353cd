// SSE2 versions of the hottest unscaled nearest kernels: normal alpha blend
// (with modulation, so constant opacity too), opaque with colour change and
// the straight copy. Four pixels per step on 16-bit lanes with the exact
// formulas of BlendOps.h; the tail runs the scalar kernel.
#include "graphics/PixelKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tsukimi::kernels {

#if defined(__SSE2__)
namespace {

struct TLanes
{
    __m128i modulation; // per 16-bit lane: b, g, r, a of M, twice
    __m128i add;        // b, g, r, 0 of the add colour, twice
    bool modulate;
    bool addColour;
};

TLanes MakeLanes(const TSpanArgs& a)
{
    const __m128i zero = _mm_setzero_si128();
    TLanes l;
    l.modulation = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int32_t>(a.modulation)), zero);
    l.add = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int32_t>(a.add & 0xFFFFFF)), zero);
    l.modulate = a.modulation != 0xFFFFFFFFu;
    l.addColour = (a.add & 0xFFFFFF) != 0;
    return l;
}

// Modulation (c * m) >> 8 and saturated add on two pixels in 16-bit lanes.
inline __m128i ModulateAdd(__m128i s, const TLanes& l)
{
    if (l.modulate) s = _mm_srli_epi16(_mm_mullo_epi16(s, l.modulation), 8);
    if (l.addColour) s = _mm_min_epi16(_mm_add_epi16(s, l.add), _mm_set1_epi16(255));
    return s;
}

// d + (((s - d) * k) >> 7) with k = (a + (a >> 7)) >> 1 of each pixel.
inline __m128i NormalBlend(__m128i s, __m128i d)
{
    __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
    const __m128i k = _mm_srli_epi16(_mm_add_epi16(a, _mm_srli_epi16(a, 7)), 1);
    const __m128i diff = _mm_mullo_epi16(_mm_sub_epi16(s, d), k);
    return _mm_add_epi16(d, _mm_srai_epi16(diff, 7));
}

inline const uint32_t* SourceStart(const TSpanArgs& a)
{
    return a.source.origin + static_cast<ptrdiff_t>(a.v >> 16) * a.source.stride + (a.u >> 16);
}

// The scalar kernel for the last count % 4 pixels.
template <void (*Tail)(const TSpanArgs&)> void RunTail(const TSpanArgs& a, int done)
{
    if (done >= a.count) return;
    TSpanArgs rest = a;
    rest.destination += done;
    rest.count = a.count - done;
    rest.u =
        static_cast<int32_t>(static_cast<uint32_t>(a.u) + static_cast<uint32_t>(done) * 0x10000u);
    Tail(rest);
}

void UnscaledAlpha(const TSpanArgs& a)
{
    const TLanes l = MakeLanes(a);
    const __m128i zero = _mm_setzero_si128();
    const uint32_t* s = SourceStart(a);
    uint32_t* d = a.destination;
    int i = 0;
    for (; i + 4 <= a.count; i += 4) {
        const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i dp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i lo =
            NormalBlend(ModulateAdd(_mm_unpacklo_epi8(sp, zero), l), _mm_unpacklo_epi8(dp, zero));
        const __m128i hi =
            NormalBlend(ModulateAdd(_mm_unpackhi_epi8(sp, zero), l), _mm_unpackhi_epi8(dp, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
    }
    RunTail<&ScalarUnscaledAlpha>(a, i);
}

void UnscaledOpaque(const TSpanArgs& a)
{
    const TLanes l = MakeLanes(a);
    const __m128i zero = _mm_setzero_si128();
    const uint32_t* s = SourceStart(a);
    uint32_t* d = a.destination;
    int i = 0;
    for (; i + 4 <= a.count; i += 4) {
        const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i lo = ModulateAdd(_mm_unpacklo_epi8(sp, zero), l);
        const __m128i hi = ModulateAdd(_mm_unpackhi_epi8(sp, zero), l);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
    }
    RunTail<&ScalarUnscaledOpaque>(a, i);
}

void UnscaledCopy(const TSpanArgs& a)
{
    const uint32_t* s = SourceStart(a);
    uint32_t* d = a.destination;
    int i = 0;
    for (; i + 4 <= a.count; i += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)));
    for (; i < a.count; ++i)
        d[i] = s[i];
}

void FillOpaque(uint32_t* d, int count, uint32_t colour, int, const uint32_t*)
{
    const __m128i c = _mm_set1_epi32(static_cast<int32_t>(colour));
    int i = 0;
    for (; i + 4 <= count; i += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), c);
    for (; i < count; ++i)
        d[i] = colour;
}

} // namespace

bool InstallSse2(TKernelTable& table)
{
    constexpr int g = static_cast<int>(TKernelGeometry::Unscaled);
    constexpr int f = static_cast<int>(TKernelFilter::Nearest);
    table.span[g][f][static_cast<int>(TKernelComposition::Alpha)] = &UnscaledAlpha;
    table.span[g][f][static_cast<int>(TKernelComposition::Opaque)] = &UnscaledOpaque;
    table.span[g][f][static_cast<int>(TKernelComposition::Copy)] = &UnscaledCopy;
    table.fillOpaque = &FillOpaque;
    return true;
}

#else

bool InstallSse2(TKernelTable&)
{
    return false;
}

#endif

} // namespace tsukimi::kernels
