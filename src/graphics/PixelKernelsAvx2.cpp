// AVX2 versions of the unscaled nearest alpha-blend, opaque and copy
// kernels: eight pixels per step, the same 16-bit lane formulas as the SSE2
// level; the tail runs the scalar kernel. Built with -mavx2 (this file
// only) and entered only when the CPU reports AVX2.
#include "graphics/PixelKernels.h"

#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace tsukimi::kernels {

#if defined(__AVX2__)
namespace {

struct TLanes
{
    __m256i modulation;
    __m256i add;
    bool modulate;
    bool addColour;
};

TLanes MakeLanes(const TSpanArgs& a)
{
    const __m256i zero = _mm256_setzero_si256();
    TLanes l;
    l.modulation =
        _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int32_t>(a.modulation)), zero);
    l.add = _mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int32_t>(a.add & 0xFFFFFF)), zero);
    l.modulate = a.modulation != 0xFFFFFFFFu;
    l.addColour = (a.add & 0xFFFFFF) != 0;
    return l;
}

inline __m256i ModulateAdd(__m256i s, const TLanes& l)
{
    if (l.modulate) s = _mm256_srli_epi16(_mm256_mullo_epi16(s, l.modulation), 8);
    if (l.addColour) s = _mm256_min_epi16(_mm256_add_epi16(s, l.add), _mm256_set1_epi16(255));
    return s;
}

inline __m256i NormalBlend(__m256i s, __m256i d)
{
    const __m256i a = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, 0xFF), 0xFF);
    const __m256i k = _mm256_srli_epi16(_mm256_add_epi16(a, _mm256_srli_epi16(a, 7)), 1);
    const __m256i diff = _mm256_mullo_epi16(_mm256_sub_epi16(s, d), k);
    return _mm256_add_epi16(d, _mm256_srai_epi16(diff, 7));
}

inline const uint32_t* SourceStart(const TSpanArgs& a)
{
    return a.source.origin + static_cast<ptrdiff_t>(a.v >> 16) * a.source.stride + (a.u >> 16);
}

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

inline __m256i Load(const uint32_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline void Store(uint32_t* p, __m256i v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

void UnscaledAlpha(const TSpanArgs& a)
{
    const TLanes l = MakeLanes(a);
    const __m256i zero = _mm256_setzero_si256();
    const uint32_t* s = SourceStart(a);
    uint32_t* d = a.destination;
    int i = 0;
    for (; i + 8 <= a.count; i += 8) {
        const __m256i sp = Load(s + i), dp = Load(d + i);
        const __m256i lo = NormalBlend(ModulateAdd(_mm256_unpacklo_epi8(sp, zero), l),
                                       _mm256_unpacklo_epi8(dp, zero));
        const __m256i hi = NormalBlend(ModulateAdd(_mm256_unpackhi_epi8(sp, zero), l),
                                       _mm256_unpackhi_epi8(dp, zero));
        Store(d + i, _mm256_packus_epi16(lo, hi));
    }
    _mm256_zeroupper();
    RunTail<&ScalarUnscaledAlpha>(a, i);
}

void UnscaledOpaque(const TSpanArgs& a)
{
    const TLanes l = MakeLanes(a);
    const __m256i zero = _mm256_setzero_si256();
    const uint32_t* s = SourceStart(a);
    uint32_t* d = a.destination;
    int i = 0;
    for (; i + 8 <= a.count; i += 8) {
        const __m256i sp = Load(s + i);
        Store(d + i, _mm256_packus_epi16(ModulateAdd(_mm256_unpacklo_epi8(sp, zero), l),
                                         ModulateAdd(_mm256_unpackhi_epi8(sp, zero), l)));
    }
    _mm256_zeroupper();
    RunTail<&ScalarUnscaledOpaque>(a, i);
}

void UnscaledCopy(const TSpanArgs& a)
{
    const uint32_t* s = SourceStart(a);
    uint32_t* d = a.destination;
    int i = 0;
    for (; i + 8 <= a.count; i += 8)
        Store(d + i, Load(s + i));
    _mm256_zeroupper();
    for (; i < a.count; ++i)
        d[i] = s[i];
}

} // namespace

bool InstallAvx2(TKernelTable& table)
{
    constexpr int g = static_cast<int>(TKernelGeometry::Unscaled);
    constexpr int f = static_cast<int>(TKernelFilter::Nearest);
    table.span[g][f][static_cast<int>(TKernelComposition::Alpha)] = &UnscaledAlpha;
    table.span[g][f][static_cast<int>(TKernelComposition::Opaque)] = &UnscaledOpaque;
    table.span[g][f][static_cast<int>(TKernelComposition::Copy)] = &UnscaledCopy;
    return true;
}

#else

bool InstallAvx2(TKernelTable&)
{
    return false;
}

#endif

} // namespace tsukimi::kernels
