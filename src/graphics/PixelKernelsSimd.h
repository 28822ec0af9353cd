#pragma once
// The SIMD span kernels, written once over a vector type V and instantiated
// by each level's file (PixelKernelsSse2.cpp with 4 pixels per register,
// PixelKernelsAvx2.cpp with 8), each compiled with its own flags.
//
// Everything here lives in an unnamed namespace and uses no inline function
// of another header, so each level's file gets its own private copy built
// with its own instruction set; nothing compiled for AVX2 can be picked by
// the linker for code that runs on a lesser CPU.
//
// The arithmetic is that of BlendOps.h on 16-bit lanes (bytes widened with
// zeros). Every product below stays inside 16 bits: unsigned where a
// logical shift follows (at most 255 x 256), signed where an arithmetic
// shift follows (at most 255 x 128 in magnitude). Pixels past the last
// whole register are sampled one by one into a small block and composed
// with the same vector code, so every pixel takes the same formulas.
//
// V provides: R (register), N (pixels per register), the loads, stores,
// 8/16/32-bit lane operations used below, Gather (one pixel per index),
// GatherRow (the same within one row),
// GatherPairs (pixel at index and the one after it), GatherRowPairs (the
// same in a row and the row below) and End (leaves the vector unit clean).
#include "graphics/PixelKernels.h"

#include <cstdint>

namespace tsukimi::kernels {
namespace {

// --- Scalar sampling of single pixels (the last pixels of a span).

inline uint32_t SimdAt(const TKernelSource& s, int32_t x, int32_t y)
{
    return s.origin[static_cast<ptrdiff_t>(y) * s.stride + x];
}

inline int SimdLerp7(int from, int to, int w)
{
    return from + (((to - from) * w) >> 7);
}

inline uint32_t SimdLerpPixel(uint32_t from, uint32_t to, int w)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int c = SimdLerp7(static_cast<int>(from >> shift & 0xFF),
                                static_cast<int>(to >> shift & 0xFF), w);
        out |= static_cast<uint32_t>(c) << shift; // stays inside 0 .. 255
    }
    return out;
}

template <TKernelFilter F> inline uint32_t SimdSampleOne(const TKernelSource& s, int32_t u, int32_t v)
{
    if constexpr (F == TKernelFilter::Nearest) {
        return SimdAt(s, u >> 16, v >> 16);
    } else {
        const int32_t uu = u - 0x8000, vv = v - 0x8000;
        const int fx = static_cast<int>((uu & 0xFFFF) >> 9);
        const int fy = static_cast<int>((vv & 0xFFFF) >> 9);
        const uint32_t* p = s.origin + static_cast<ptrdiff_t>(vv >> 16) * s.stride + (uu >> 16);
        return SimdLerpPixel(SimdLerpPixel(p[0], p[1], fx), SimdLerpPixel(p[s.stride], p[s.stride + 1], fx),
                             fy);
    }
}

// --- Lane helpers.

// d + (((s - d) * w) >> 7) on 16-bit lanes.
template <class V> inline typename V::R Lerp16(typename V::R from, typename V::R to, typename V::R w)
{
    return V::Add16(from, V::template Sra16<7>(V::Mul16(V::Sub16(to, from), w)));
}

// A 0 .. 255 value per pixel (32-bit lanes) copied into its four bytes.
template <class V> inline typename V::R BroadcastBytes(typename V::R x)
{
    const typename V::R t = V::Or(x, V::template Sll32<8>(x));
    return V::Or(t, V::template Sll32<16>(t));
}

// 16-bit multipliers for one half: low . low . low . alphaValue per pixel,
// alphaValue per pixel in 32-bit lanes (0 .. 256).
template <class V> struct TAlphaMultiplier
{
    typename V::R lo, hi;
    TAlphaMultiplier(typename V::R alphaValue, int low)
    {
        const typename V::R lowPair = V::Set32(static_cast<uint32_t>(low) * 0x10001u);
        const typename V::R highPair = V::Or(V::template Sll32<16>(alphaValue), V::Set32(static_cast<uint32_t>(low)));
        lo = V::UnpackLo32(lowPair, highPair);
        hi = V::UnpackHi32(lowPair, highPair);
    }
};

// --- Composition (steps 1 .. 5 of the general rule and its special cases).

template <class V> struct TCompose
{
    using R = typename V::R;
    R modulation, add, c255, alphaBits;
    R opaqueWeight; // normal blend weight of a source alpha 255 after modulation
    bool modulate, addColour;

    explicit TCompose(const TSpanArgs& a)
        : modulation(V::Lo(V::Set32(a.modulation))), add(V::Lo(V::Set32(a.add & 0xFFFFFF))),
          c255(V::Set16(255)), alphaBits(V::Set32(0xFF000000u)),
          modulate(a.modulation != 0xFFFFFFFFu), addColour((a.add & 0xFFFFFF) != 0)
    {
        const int alpha = modulate ? (255 * static_cast<int>(a.modulation >> 24)) >> 8 : 255;
        opaqueWeight = V::Set16(static_cast<int16_t>((alpha + (alpha >> 7)) >> 1));
    }

    // Steps 2 and 3 on one half; `high` holds the channels in the high
    // bytes of the lanes (c << 8), so that (c * m) >> 8 is one high
    // product.
    R ModulateAdd(R s, R high) const
    {
        if (modulate) s = V::MulHiU16(high, modulation);
        if (addColour) s = V::Min16(V::Add16(s, add), c255);
        return s;
    }
    R ModulateAdd(R s) const
    {
        if (modulate) s = V::template Srl16<8>(V::Mul16(s, modulation));
        if (addColour) s = V::Min16(V::Add16(s, add), c255);
        return s;
    }

    // Step 1: alpha scaled by the mask's blue byte, both halves.
    static void Mask(R& lo, R& hi, R maskPixels)
    {
        const R m = V::And(maskPixels, V::Set32(0xFF));
        const TAlphaMultiplier<V> k(V::Add32(m, V::template Srl32<7>(m)), 256);
        lo = V::template Srl16<8>(V::Mul16(lo, k.lo));
        hi = V::template Srl16<8>(V::Mul16(hi, k.hi));
    }

    // Step 4 on one half: operator Op (0 = normal) of s onto d.
    template <int Op> R Blend(R s, R d) const
    {
        const R a = V::Alpha16(s);
        if constexpr (Op == 0) {
            const R k = V::template Srl16<1>(V::Add16(a, V::template Srl16<7>(a)));
            return Lerp16<V>(d, s, k);
        } else if constexpr (Op == 5 || Op == 8) {
            const R w = V::Add16(V::template Srl16<1>(a), V::template Srl16<7>(a));
            const R t = V::Add16(c255, V::template Sra16<7>(V::Mul16(V::Sub16(s, c255), w)));
            if constexpr (Op == 5)
                return V::template Srl16<8>(V::Mul16(V::Add16(t, V::template Srl16<7>(t)), d));
            else
                return V::Min16(t, d);
        } else {
            const R p = V::template Srl16<8>(V::Mul16(s, V::Add16(a, V::template Srl16<7>(a))));
            if constexpr (Op == 4) {
                return V::Sub16(V::Add16(p, d), V::template Srl16<8>(V::Mul16(p, d)));
            } else if constexpr (Op == 6) {
                const R x = V::Sub16(p, d);
                return V::Max16(x, V::Sub16(V::Zero(), x));
            } else if constexpr (Op == 7) {
                return V::Max16(p, d);
            } else if constexpr (Op == 9) {
                return V::Min16(V::Add16(p, d), c255);
            } else {
                static_assert(Op == 10);
                return V::Max16(V::Sub16(d, p), V::Zero());
            }
        }
    }

    // The whole rule of composition C (operator Op for the general one).
    template <TKernelComposition C, int Op> R Run(R s, R d, const R* mask) const
    {
        if constexpr (C == TKernelComposition::Copy) {
            return s;
        } else {
            R lo = V::Lo(s), hi = V::Hi(s);
            if constexpr (C == TKernelComposition::General)
                if (mask) Mask(lo, hi, *mask);
            lo = ModulateAdd(lo);
            hi = ModulateAdd(hi);
            if constexpr (C != TKernelComposition::Opaque) {
                lo = Blend<Op>(lo, V::Lo(d));
                hi = Blend<Op>(hi, V::Hi(d));
            }
            return V::Pack(lo, hi);
        }
    }

    // The normal blend of a register whose pixels all have alpha 255: one
    // weight for every pixel.
    R RunOpaqueSource(R s, R d) const
    {
        const R lo = ModulateAdd(V::Lo(s), V::LoHigh(s)), hi = ModulateAdd(V::Hi(s), V::HiHigh(s));
        return V::Pack(Lerp16<V>(V::Lo(d), lo, opaqueWeight), Lerp16<V>(V::Hi(d), hi, opaqueWeight));
    }
    bool AllOpaque(R s) const { return V::AllEqual32(V::And(s, alphaBits), alphaBits); }

    // Whether the register holds only alpha-0 pixels (which leave the
    // destination unchanged in every blending rule).
    bool Clear(R s) const { return V::AllZero(V::And(s, alphaBits)); }
};

// --- Transition combinations of the drawn pixel s with the third pixel r.

template <class V, TKernelTransition X> struct TCombine
{
    using R = typename V::R;
    R weight;           // (255 - h) >> 1, 32-bit lanes (rule mask) or 16-bit (cross-fade)
    R threshold, scale; // soft wipe

    explicit TCombine(const TSpanArgs& a)
        : weight(X == TKernelTransition::CrossFade ? V::Set16(static_cast<int16_t>((255 - a.h) >> 1))
                                                   : V::Set32(static_cast<uint32_t>((255 - a.h) >> 1))),
          threshold(V::Set32(static_cast<uint32_t>(a.wipeThreshold))),
          scale(V::Set32(static_cast<uint32_t>(a.wipeScale)))
    {
    }

    R Run(R s, R r) const
    {
        if constexpr (X == TKernelTransition::RuleMask) {
            const R sa = V::template Srl32<24>(s);
            const R kept = V::template Srl32<8>(V::Mul16(sa, V::And(r, V::Set32(0xFF))));
            const R alpha = V::Add32(kept, V::template Srl32<7>(V::Mul16(V::Sub32(sa, kept), weight)));
            return V::Or(V::And(s, V::Set32(0xFFFFFF)), V::template Sll32<24>(alpha));
        } else if constexpr (X == TKernelTransition::SoftWipe) {
            // (r.B - T) fits 16 bits; clamp it to 0 .. 255 before scaling
            // (scale 1 .. 128), which gives the same clamp((r.B - T) * v).
            R x = V::Sub32(V::And(r, V::Set32(0xFF)), threshold);
            x = V::Min16(V::Max16(x, V::Zero()), V::Set32(255));
            const R f = V::Min16(V::Mul16(x, scale), V::Set32(255));
            const TAlphaMultiplier<V> k(f, 255);
            return V::Pack(V::template Srl16<8>(V::Mul16(V::Lo(s), k.lo)),
                           V::template Srl16<8>(V::Mul16(V::Hi(s), k.hi)));
        } else {
            return V::Pack(Lerp16<V>(V::Lo(r), V::Lo(s), weight), Lerp16<V>(V::Hi(r), V::Hi(s), weight));
        }
    }
};

// Whether the vector soft wipe can take these parameters (always, for the
// values SoftWipeParameters gives).
inline bool SoftWipeInRange(const TSpanArgs& a)
{
    return a.wipeScale >= 1 && a.wipeScale <= 128 && a.wipeThreshold >= -256 && a.wipeThreshold <= 255;
}

// --- Fetching N source pixels per step.

template <class V> inline typename V::R BilinearLanes(typename V::R p00, typename V::R p01, typename V::R p10,
                                                      typename V::R p11, typename V::R wxLo, typename V::R wxHi,
                                                      typename V::R wyLo, typename V::R wyHi)
{
    const typename V::R lo =
        Lerp16<V>(Lerp16<V>(V::Lo(p00), V::Lo(p01), wxLo), Lerp16<V>(V::Lo(p10), V::Lo(p11), wxLo), wyLo);
    const typename V::R hi =
        Lerp16<V>(Lerp16<V>(V::Hi(p00), V::Hi(p01), wxHi), Lerp16<V>(V::Hi(p10), V::Hi(p11), wxHi), wyHi);
    return V::Pack(lo, hi);
}

// Positions start + k * step in the 32-bit lanes (wrapping).
template <class V> inline typename V::R Positions(uint32_t start, uint32_t step)
{
    alignas(32) uint32_t p[V::N];
    for (int k = 0; k < V::N; ++k)
        p[k] = start + static_cast<uint32_t>(k) * step;
    return V::LoadAligned(p);
}

// G: how the source is stepped; F: nearest or bilinear.
template <class V, TKernelGeometry G, TKernelFilter F> struct TFetch
{
    using R = typename V::R;
    const uint32_t* base;
    ptrdiff_t stride;
    int width;
    R u, v, stepU, stepV, strideLanes;
    R wxLo, wxHi, wyLo, wyHi; // constant weights (unscaled bilinear; wy on rows)

    TFetch(const TKernelSource& s, uint32_t u0, uint32_t v0, uint32_t du, uint32_t dv)
        : base(s.origin), stride(s.stride), width(s.width)
    {
        const bool bilinear = F == TKernelFilter::Bilinear;
        if (bilinear) {
            u0 -= 0x8000;
            v0 -= 0x8000;
        }
        const int32_t i = static_cast<int32_t>(u0) >> 16, j = static_cast<int32_t>(v0) >> 16;
        const int16_t fx = static_cast<int16_t>((u0 & 0xFFFF) >> 9), fy = static_cast<int16_t>((v0 & 0xFFFF) >> 9);
        wxLo = wxHi = V::Set16(fx);
        wyLo = wyHi = V::Set16(fy);
        if constexpr (G == TKernelGeometry::Unscaled) {
            base = s.origin + static_cast<ptrdiff_t>(j) * s.stride + i;
        } else {
            if constexpr (G == TKernelGeometry::Row) base = s.origin + static_cast<ptrdiff_t>(j) * s.stride;
            u = Positions<V>(u0, du);
            v = Positions<V>(v0, dv);
            stepU = V::Set32(du * static_cast<uint32_t>(V::N));
            stepV = V::Set32(dv * static_cast<uint32_t>(V::N));
            strideLanes = V::Set32(static_cast<uint32_t>(s.stride));
        }
    }

    R Next()
    {
        if constexpr (G == TKernelGeometry::Unscaled) {
            R p;
            if constexpr (F == TKernelFilter::Nearest)
                p = V::Load(base);
            else
                p = BilinearLanes<V>(V::Load(base), V::Load(base + 1), V::Load(base + stride),
                                     V::Load(base + stride + 1), wxLo, wxHi, wyLo, wyHi);
            base += V::N;
            return p;
        } else {
            R index = V::template Sra32<16>(u);
            if constexpr (G == TKernelGeometry::General)
                index = V::Add32(index, V::MulLo32(V::template Sra32<16>(v), strideLanes));
            R p;
            if constexpr (F == TKernelFilter::Nearest) {
                if constexpr (G == TKernelGeometry::Row)
                    p = V::GatherRow(base, width, index);
                else
                    p = V::Gather(base, index);
            } else {
                R p00, p01, p10, p11;
                if constexpr (G == TKernelGeometry::Row) {
                    V::GatherRowPairs(base, stride, width, index, p00, p01, p10, p11);
                } else {
                    V::GatherPairs(base, index, p00, p01);
                    V::GatherPairs(base + stride, index, p10, p11);
                }
                const R wx = BroadcastBytes<V>(V::template Srl32<9>(V::And(u, V::Set32(0xFFFF))));
                if constexpr (G == TKernelGeometry::General) {
                    const R wy = BroadcastBytes<V>(V::template Srl32<9>(V::And(v, V::Set32(0xFFFF))));
                    wyLo = V::Lo(wy);
                    wyHi = V::Hi(wy);
                }
                p = BilinearLanes<V>(p00, p01, p10, p11, V::Lo(wx), V::Hi(wx), wyLo, wyHi);
            }
            u = V::Add32(u, stepU);
            if constexpr (G == TKernelGeometry::General) v = V::Add32(v, stepV);
            return p;
        }
    }
};

// Effective steps of a geometry: unscaled steps one whole pixel, row
// kernels keep V.
template <TKernelGeometry G> inline uint32_t StepU(const TSpanArgs& a)
{
    return G == TKernelGeometry::Unscaled ? 0x10000u : static_cast<uint32_t>(a.du);
}
template <TKernelGeometry G> inline uint32_t StepV(const TSpanArgs& a)
{
    return G == TKernelGeometry::General ? static_cast<uint32_t>(a.dv) : 0u;
}

// The last count (< N) pixels of a span: sampled one by one into blocks,
// composed by `compose`, stored back.
template <class V, TKernelFilter F, class Compose>
inline void Tail(const TSpanArgs& a, int done, uint32_t du, uint32_t dv, bool third, uint32_t du2, uint32_t dv2,
                 const Compose& compose)
{
    const int rest = a.count - done;
    if (rest <= 0) return;
    alignas(32) uint32_t s[V::N] = {}, r[V::N] = {}, d[V::N] = {}, m[V::N] = {};
    const uint32_t n = static_cast<uint32_t>(done);
    const uint32_t u = static_cast<uint32_t>(a.u) + n * du, v = static_cast<uint32_t>(a.v) + n * dv;
    const uint32_t u2 = static_cast<uint32_t>(a.u2) + n * du2, v2 = static_cast<uint32_t>(a.v2) + n * dv2;
    for (int k = 0; k < rest; ++k) {
        const uint32_t kk = static_cast<uint32_t>(k);
        s[k] = SimdSampleOne<F>(a.source, static_cast<int32_t>(u + kk * du), static_cast<int32_t>(v + kk * dv));
        if (third)
            r[k] = SimdSampleOne<F>(a.third, static_cast<int32_t>(u2 + kk * du2), static_cast<int32_t>(v2 + kk * dv2));
        d[k] = a.destination[done + k];
        if (a.mask) m[k] = a.mask[done + k];
    }
    const typename V::R mask = V::LoadAligned(m);
    V::StoreAligned(d, compose(V::LoadAligned(s), V::LoadAligned(r), V::LoadAligned(d), a.mask ? &mask : nullptr));
    for (int k = 0; k < rest; ++k)
        a.destination[done + k] = d[k];
}

template <class V, TKernelGeometry G, TKernelFilter F, TKernelComposition C, int Op>
void SpanKernel(const TSpanArgs& a)
{
    using R = typename V::R;
    const uint32_t du = StepU<G>(a), dv = StepV<G>(a);
    TFetch<V, G, F> fetch(a.source, static_cast<uint32_t>(a.u), static_cast<uint32_t>(a.v), du, dv);
    const TCompose<V> compose(a);
    constexpr bool blends = C == TKernelComposition::Alpha || C == TKernelComposition::General;
    constexpr bool readsDestination = blends;
    uint32_t* d = a.destination;
    const uint32_t* m = a.mask;
    int i = 0;
    for (; i + V::N <= a.count; i += V::N) {
        const R s = fetch.Next();
        if constexpr (blends) {
            if (compose.Clear(s)) continue;
        }
        if constexpr (C == TKernelComposition::Alpha) {
            if (compose.AllOpaque(s)) {
                if (compose.modulate || compose.addColour)
                    V::Store(d + i, compose.RunOpaqueSource(s, V::Load(d + i)));
                else
                    V::Store(d + i, s);
                continue;
            }
        }
        const R dp = readsDestination ? V::Load(d + i) : V::Zero();
        if constexpr (C == TKernelComposition::General) {
            if (m) {
                const R mp = V::Load(m + i);
                V::Store(d + i, compose.template Run<C, Op>(s, dp, &mp));
                continue;
            }
        }
        V::Store(d + i, compose.template Run<C, Op>(s, dp, nullptr));
    }
    Tail<V, F>(a, i, du, dv, false, 0, 0, [&](R s, R, R dp, const R* mask) {
        return compose.template Run<C, Op>(s, dp, mask);
    });
    V::End();
}

template <class V, TKernelGeometry G, TKernelFilter F, TKernelTransition X, int Op>
void TransitionKernel(const TSpanArgs& a)
{
    using R = typename V::R;
    const uint32_t du = StepU<G>(a), dv = StepV<G>(a);
    // The third image always steps by its own steps; V2 is fixed on rows.
    const uint32_t du2 = static_cast<uint32_t>(a.du2);
    const uint32_t dv2 = G == TKernelGeometry::General ? static_cast<uint32_t>(a.dv2) : 0u;
    constexpr TKernelGeometry G2 = G == TKernelGeometry::General ? G : TKernelGeometry::Row;
    TFetch<V, G, F> fetch(a.source, static_cast<uint32_t>(a.u), static_cast<uint32_t>(a.v), du, dv);
    TFetch<V, G2, F> fetchThird(a.third, static_cast<uint32_t>(a.u2), static_cast<uint32_t>(a.v2), du2, dv2);
    const TCompose<V> compose(a);
    const TCombine<V, X> combine(a);
    auto run = [&](R s, R r, R dp, const R* mask) {
        return compose.template Run<TKernelComposition::General, Op>(combine.Run(s, r), dp, mask);
    };
    uint32_t* d = a.destination;
    const uint32_t* m = a.mask;
    int i = 0;
    for (; i + V::N <= a.count; i += V::N) {
        const R s = fetch.Next();
        const R r = fetchThird.Next();
        if (m) {
            const R mp = V::Load(m + i);
            V::Store(d + i, run(s, r, V::Load(d + i), &mp));
        } else {
            V::Store(d + i, run(s, r, V::Load(d + i), nullptr));
        }
    }
    Tail<V, F>(a, i, du, dv, true, du2, dv2, run);
    V::End();
}

// --- Dispatch on the blend operator (a template argument of the kernels).

template <template <int> class K> inline void ByOperator(const TSpanArgs& a)
{
    switch (a.op) {
    case 4:
        return K<4>::Run(a);
    case 5:
        return K<5>::Run(a);
    case 6:
        return K<6>::Run(a);
    case 7:
        return K<7>::Run(a);
    case 8:
        return K<8>::Run(a);
    case 9:
        return K<9>::Run(a);
    case 10:
        return K<10>::Run(a);
    default:
        return K<0>::Run(a);
    }
}

template <class V, TKernelGeometry G, TKernelFilter F> struct TGeneralSpan
{
    template <int Op> struct K
    {
        static void Run(const TSpanArgs& a) { SpanKernel<V, G, F, TKernelComposition::General, Op>(a); }
    };
    static void Run(const TSpanArgs& a) { ByOperator<K>(a); }
};

template <class V, TKernelGeometry G, TKernelFilter F, TKernelTransition X> struct TTransitionSpan
{
    template <int Op> struct K
    {
        static void Run(const TSpanArgs& a) { TransitionKernel<V, G, F, X, Op>(a); }
    };
    static void Run(const TSpanArgs& a)
    {
        if (X == TKernelTransition::SoftWipe && !SoftWipeInRange(a))
            return ScalarTable().transition[static_cast<int>(G)][static_cast<int>(F)][static_cast<int>(X)](a);
        ByOperator<K>(a);
    }
};

template <class V, TKernelGeometry G, TKernelFilter F> void InstallCell(TKernelTable& t)
{
    constexpr int g = static_cast<int>(G), f = static_cast<int>(F);
    t.span[g][f][0] = &TGeneralSpan<V, G, F>::Run;
    t.span[g][f][1] = &SpanKernel<V, G, F, TKernelComposition::Alpha, 0>;
    t.span[g][f][2] = &SpanKernel<V, G, F, TKernelComposition::Opaque, 0>;
    t.span[g][f][3] = &SpanKernel<V, G, F, TKernelComposition::Copy, 0>;
    t.transition[g][f][0] = &TTransitionSpan<V, G, F, TKernelTransition::RuleMask>::Run;
    t.transition[g][f][1] = &TTransitionSpan<V, G, F, TKernelTransition::SoftWipe>::Run;
    t.transition[g][f][2] = &TTransitionSpan<V, G, F, TKernelTransition::CrossFade>::Run;
}

// --- Fills and the alpha wipe.

template <class V> void FillOpaque(uint32_t* d, int count, uint32_t colour, int, const uint32_t*)
{
    const typename V::R c = V::Set32(colour);
    int i = 0;
    for (; i + V::N <= count; i += V::N)
        V::Store(d + i, c);
    for (; i < count; ++i)
        d[i] = colour;
    V::End();
}

template <int Op, class V> void FillGeneralOp(uint32_t* d, int count, uint32_t colour, const uint32_t* mask)
{
    using R = typename V::R;
    TSpanArgs a; // no modulation, no add colour
    const TCompose<V> compose(a);
    const R s = V::Set32(colour);
    if (compose.Clear(s)) return V::End(); // alpha 0 changes nothing
    int i = 0;
    for (; i + V::N <= count; i += V::N) {
        if (mask) {
            const R mp = V::Load(mask + i);
            V::Store(d + i, compose.template Run<TKernelComposition::General, Op>(s, V::Load(d + i), &mp));
        } else {
            V::Store(d + i, compose.template Run<TKernelComposition::General, Op>(s, V::Load(d + i), nullptr));
        }
    }
    if (i < count) {
        alignas(32) uint32_t db[V::N] = {}, mb[V::N] = {};
        for (int k = 0; i + k < count; ++k) {
            db[k] = d[i + k];
            if (mask) mb[k] = mask[i + k];
        }
        const R mp = V::LoadAligned(mb);
        V::StoreAligned(db, compose.template Run<TKernelComposition::General, Op>(s, V::LoadAligned(db),
                                                                                  mask ? &mp : nullptr));
        for (int k = 0; i + k < count; ++k)
            d[i + k] = db[k];
    }
    V::End();
}

template <class V> void FillGeneral(uint32_t* d, int count, uint32_t colour, int op, const uint32_t* mask)
{
    switch (op) {
    case 4:
        return FillGeneralOp<4, V>(d, count, colour, mask);
    case 5:
        return FillGeneralOp<5, V>(d, count, colour, mask);
    case 6:
        return FillGeneralOp<6, V>(d, count, colour, mask);
    case 7:
        return FillGeneralOp<7, V>(d, count, colour, mask);
    case 8:
        return FillGeneralOp<8, V>(d, count, colour, mask);
    case 9:
        return FillGeneralOp<9, V>(d, count, colour, mask);
    case 10:
        return FillGeneralOp<10, V>(d, count, colour, mask);
    default:
        return FillGeneralOp<0, V>(d, count, colour, mask);
    }
}

// Each pixel: s + (((d - s) * w) >> 7), w = weights[s.A].
template <class V> inline typename V::R AlphaWipeLanes(typename V::R s, typename V::R d, const int32_t* weights)
{
    const typename V::R w = BroadcastBytes<V>(V::Gather(reinterpret_cast<const uint32_t*>(weights), V::template Srl32<24>(s)));
    return V::Pack(Lerp16<V>(V::Lo(s), V::Lo(d), V::Lo(w)), Lerp16<V>(V::Hi(s), V::Hi(d), V::Hi(w)));
}

template <class V> void AlphaWipe(uint32_t* d, const uint32_t* s, int count, const int32_t* weights)
{
    int i = 0;
    for (; i + V::N <= count; i += V::N)
        V::Store(d + i, AlphaWipeLanes<V>(V::Load(s + i), V::Load(d + i), weights));
    if (i < count) {
        alignas(32) uint32_t sb[V::N] = {}, db[V::N] = {};
        for (int k = 0; i + k < count; ++k) {
            sb[k] = s[i + k];
            db[k] = d[i + k];
        }
        V::StoreAligned(db, AlphaWipeLanes<V>(V::LoadAligned(sb), V::LoadAligned(db), weights));
        for (int k = 0; i + k < count; ++k)
            d[i + k] = db[k];
    }
    V::End();
}

template <class V> void InstallAll(TKernelTable& t)
{
    InstallCell<V, TKernelGeometry::Unscaled, TKernelFilter::Nearest>(t);
    InstallCell<V, TKernelGeometry::Unscaled, TKernelFilter::Bilinear>(t);
    InstallCell<V, TKernelGeometry::Row, TKernelFilter::Nearest>(t);
    InstallCell<V, TKernelGeometry::Row, TKernelFilter::Bilinear>(t);
    InstallCell<V, TKernelGeometry::General, TKernelFilter::Nearest>(t);
    InstallCell<V, TKernelGeometry::General, TKernelFilter::Bilinear>(t);
    t.fillOpaque = &FillOpaque<V>;
    t.fillGeneral = &FillGeneral<V>;
    t.alphaWipe = &AlphaWipe<V>;
}

} // namespace
} // namespace tsukimi::kernels
