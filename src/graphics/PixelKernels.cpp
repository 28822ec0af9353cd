#include "graphics/PixelKernels.h"

#include "graphics/BlendOps.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace tsukimi {
namespace {

using namespace blend;

// Pixel (x, y) of a source; x and y may be -1 .. size.
inline uint32_t At(const TKernelSource& s, int32_t x, int32_t y)
{
    return s.origin[static_cast<ptrdiff_t>(y) * s.stride + x];
}

// Nearest: pixel (U >> 16, V >> 16). Bilinear: half a pixel up and left,
// 7-bit fractions.
template <TKernelFilter F> inline uint32_t Sample(const TKernelSource& s, int32_t u, int32_t v)
{
    if constexpr (F == TKernelFilter::Nearest) {
        return At(s, u >> 16, v >> 16);
    } else {
        const int32_t uu = u - 0x8000, vv = v - 0x8000;
        const int32_t i = uu >> 16, j = vv >> 16;
        const int fx = static_cast<int>((uu & 0xFFFF) >> 9);
        const int fy = static_cast<int>((vv & 0xFFFF) >> 9);
        const uint32_t* p = s.origin + static_cast<ptrdiff_t>(j) * s.stride + i;
        return Bilinear(p[0], p[1], p[s.stride], p[s.stride + 1], fx, fy);
    }
}

template <TKernelComposition C>
inline uint32_t Compose(uint32_t s, uint32_t d, const TSpanArgs& a, const uint32_t* mask)
{
    if constexpr (C == TKernelComposition::Copy) {
        return s;
    } else {
        if constexpr (C == TKernelComposition::General) {
            if (mask) s = ApplyMask(s, static_cast<int>(*mask & 0xFF));
        }
        s = ApplyAddColour(ApplyModulation(s, a.modulation), a.add);
        if constexpr (C == TKernelComposition::Opaque) return s;
        if constexpr (C == TKernelComposition::Alpha) return NormalBlend(s, d);
        return BlendPixel(a.op, s, d);
    }
}

template <TKernelTransition X> inline uint32_t Combine(uint32_t s, uint32_t r, const TSpanArgs& a)
{
    const TChannels cs = Split(s), cr = Split(r);
    if constexpr (X == TKernelTransition::RuleMask) {
        const int kept = (cs.a * cr.b) >> 8;
        const int alpha = Lerp7(kept, cs.a, (255 - a.h) >> 1);
        return static_cast<uint32_t>(Clamp255(alpha)) << 24 | (s & 0xFFFFFF);
    } else if constexpr (X == TKernelTransition::SoftWipe) {
        const int f = Clamp255((cr.b - a.wipeThreshold) * a.wipeScale);
        return Pack({(cs.a * f) >> 8, (cs.r * 255) >> 8, (cs.g * 255) >> 8, (cs.b * 255) >> 8});
    } else {
        return LerpPixel(r, s, (255 - a.h) >> 1);
    }
}

// Effective steps of a geometry: unscaled steps one whole pixel, row
// kernels keep V.
template <TKernelGeometry G> inline void Steps(const TSpanArgs& a, int32_t& du, int32_t& dv)
{
    du = G == TKernelGeometry::Unscaled ? 0x10000 : a.du;
    dv = G == TKernelGeometry::General ? a.dv : 0;
}

template <TKernelGeometry G, TKernelFilter F, TKernelComposition C>
void SpanKernel(const TSpanArgs& a)
{
    int32_t du, dv;
    Steps<G>(a, du, dv);
    uint32_t u = static_cast<uint32_t>(a.u), v = static_cast<uint32_t>(a.v);
    uint32_t* d = a.destination;
    const uint32_t* m = a.mask;
    for (int i = 0; i < a.count; ++i) {
        const uint32_t s = Sample<F>(a.source, static_cast<int32_t>(u), static_cast<int32_t>(v));
        d[i] = Compose<C>(s, d[i], a, m ? m + i : nullptr);
        u += static_cast<uint32_t>(du);
        v += static_cast<uint32_t>(dv);
    }
}

template <TKernelGeometry G, TKernelFilter F, TKernelTransition X>
void TransitionKernel(const TSpanArgs& a)
{
    int32_t du, dv;
    Steps<G>(a, du, dv);
    // The third image always steps by its own steps; V2 is fixed on rows.
    const int32_t du2 = a.du2, dv2 = G == TKernelGeometry::General ? a.dv2 : 0;
    uint32_t u = static_cast<uint32_t>(a.u), v = static_cast<uint32_t>(a.v);
    uint32_t u2 = static_cast<uint32_t>(a.u2), v2 = static_cast<uint32_t>(a.v2);
    uint32_t* d = a.destination;
    const uint32_t* m = a.mask;
    for (int i = 0; i < a.count; ++i) {
        const uint32_t s = Sample<F>(a.source, static_cast<int32_t>(u), static_cast<int32_t>(v));
        const uint32_t r = Sample<F>(a.third, static_cast<int32_t>(u2), static_cast<int32_t>(v2));
        d[i] =
            Compose<TKernelComposition::General>(Combine<X>(s, r, a), d[i], a, m ? m + i : nullptr);
        u += static_cast<uint32_t>(du);
        v += static_cast<uint32_t>(dv);
        u2 += static_cast<uint32_t>(du2);
        v2 += static_cast<uint32_t>(dv2);
    }
}

void FillOpaque(uint32_t* d, int count, uint32_t colour, int, const uint32_t*)
{
    for (int i = 0; i < count; ++i)
        d[i] = colour;
}

void FillGeneral(uint32_t* d, int count, uint32_t colour, int op, const uint32_t* mask)
{
    for (int i = 0; i < count; ++i) {
        const uint32_t s = mask ? ApplyMask(colour, static_cast<int>(mask[i] & 0xFF)) : colour;
        d[i] = BlendPixel(op, s, d[i]);
    }
}

void AlphaWipe(uint32_t* d, const uint32_t* s, int count, const int32_t* weights)
{
    for (int i = 0; i < count; ++i)
        d[i] = LerpPixel(s[i], d[i], weights[s[i] >> 24]);
}

template <TKernelGeometry G, TKernelFilter F> void FillCell(TKernelTable& t)
{
    const int g = static_cast<int>(G), f = static_cast<int>(F);
    t.span[g][f][0] = &SpanKernel<G, F, TKernelComposition::General>;
    t.span[g][f][1] = &SpanKernel<G, F, TKernelComposition::Alpha>;
    t.span[g][f][2] = &SpanKernel<G, F, TKernelComposition::Opaque>;
    t.span[g][f][3] = &SpanKernel<G, F, TKernelComposition::Copy>;
    t.transition[g][f][0] = &TransitionKernel<G, F, TKernelTransition::RuleMask>;
    t.transition[g][f][1] = &TransitionKernel<G, F, TKernelTransition::SoftWipe>;
    t.transition[g][f][2] = &TransitionKernel<G, F, TKernelTransition::CrossFade>;
}

TKernelTable BuildScalar()
{
    TKernelTable t;
    FillCell<TKernelGeometry::Unscaled, TKernelFilter::Nearest>(t);
    FillCell<TKernelGeometry::Unscaled, TKernelFilter::Bilinear>(t);
    FillCell<TKernelGeometry::Row, TKernelFilter::Nearest>(t);
    FillCell<TKernelGeometry::Row, TKernelFilter::Bilinear>(t);
    FillCell<TKernelGeometry::General, TKernelFilter::Nearest>(t);
    FillCell<TKernelGeometry::General, TKernelFilter::Bilinear>(t);
    t.fillOpaque = &FillOpaque;
    t.fillGeneral = &FillGeneral;
    t.alphaWipe = &AlphaWipe;
    return t;
}

TKernelTable BuildSse2()
{
    TKernelTable t = kernels::ScalarTable();
    kernels::InstallSse2(t);
    return t;
}

// AVX2 falls back to SSE2 for what it lacks.
TKernelTable BuildAvx2()
{
    TKernelTable t = BuildSse2();
    kernels::InstallAvx2(t);
    return t;
}

bool LevelAvailable(TKernelLevel level)
{
    switch (level) {
    case TKernelLevel::Scalar:
        return true;
    case TKernelLevel::Sse2: {
        TKernelTable probe;
        return kernels::CpuHasSse2() && kernels::InstallSse2(probe);
    }
    case TKernelLevel::Avx2: {
        TKernelTable probe;
        return LevelAvailable(TKernelLevel::Sse2) && kernels::CpuHasAvx2() &&
               kernels::InstallAvx2(probe);
    }
    }
    return false;
}

} // namespace

namespace kernels {

const TKernelTable& ScalarTable()
{
    static const TKernelTable table = BuildScalar();
    return table;
}

bool CpuHasSse2()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init(); // safe to call again; needed before main
    return __builtin_cpu_supports("sse2");
#else
    return false;
#endif
}

bool CpuHasAvx2()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

} // namespace kernels

std::vector<TKernelLevel> AvailableKernelLevels()
{
    std::vector<TKernelLevel> levels{TKernelLevel::Scalar};
    if (LevelAvailable(TKernelLevel::Sse2)) levels.push_back(TKernelLevel::Sse2);
    if (LevelAvailable(TKernelLevel::Avx2)) levels.push_back(TKernelLevel::Avx2);
    return levels;
}

const TKernelTable& KernelsForLevel(TKernelLevel level)
{
    if (level >= TKernelLevel::Avx2 && LevelAvailable(TKernelLevel::Avx2)) {
        static const TKernelTable avx2 = BuildAvx2();
        return avx2;
    }
    if (level >= TKernelLevel::Sse2 && LevelAvailable(TKernelLevel::Sse2)) {
        static const TKernelTable sse2 = BuildSse2();
        return sse2;
    }
    return kernels::ScalarTable();
}

TKernelLevel ChooseKernelLevel(const char* cap)
{
    TKernelLevel limit = TKernelLevel::Avx2;
    if (cap) {
        const std::string_view name(cap);
        if (name == "scalar")
            limit = TKernelLevel::Scalar;
        else if (name == "sse2")
            limit = TKernelLevel::Sse2;
    }
    for (int l = static_cast<int>(limit); l > 0; --l)
        if (LevelAvailable(static_cast<TKernelLevel>(l))) return static_cast<TKernelLevel>(l);
    return TKernelLevel::Scalar;
}

TKernelLevel ActiveKernelLevel()
{
    static const TKernelLevel level = ChooseKernelLevel(std::getenv("TSUKIMI_KERNELS"));
    return level;
}

const TKernelTable& ActiveKernels()
{
    static const TKernelTable& table = KernelsForLevel(ActiveKernelLevel());
    return table;
}

std::string_view KernelLevelName(TKernelLevel level)
{
    switch (level) {
    case TKernelLevel::Scalar:
        return "scalar";
    case TKernelLevel::Sse2:
        return "sse2";
    case TKernelLevel::Avx2:
        return "avx2";
    }
    return "scalar";
}

TSoftWipeParameters SoftWipeParameters(int progress, int softness)
{
    const int scale = softness >= 0 && softness <= 7 ? 1 << softness : 16;
    const int step = 256 / scale;
    return {((step + 255) * (255 - progress)) / 255 - step, scale};
}

} // namespace tsukimi
