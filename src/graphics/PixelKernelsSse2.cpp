// The SSE2 level: every kernel of the family (PixelKernelsSimd.h) on
// 128-bit registers, four pixels per step.
#include "graphics/PixelKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include "graphics/PixelKernelsSimd.h"
#endif

namespace tsukimi::kernels {

#if defined(__SSE2__)
namespace {

struct TSse2
{
    using R = __m128i;
    static constexpr int N = 4;

    static R Zero() { return _mm_setzero_si128(); }
    static R Set32(uint32_t x) { return _mm_set1_epi32(static_cast<int32_t>(x)); }
    static R Set16(int16_t x) { return _mm_set1_epi16(x); }
    static R Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const R*>(p)); }
    static R LoadAligned(const uint32_t* p) { return _mm_load_si128(reinterpret_cast<const R*>(p)); }
    static void Store(uint32_t* p, R x) { _mm_storeu_si128(reinterpret_cast<R*>(p), x); }
    static void StoreAligned(uint32_t* p, R x) { _mm_store_si128(reinterpret_cast<R*>(p), x); }
    static void End() {}

    static R Lo(R x) { return _mm_unpacklo_epi8(x, _mm_setzero_si128()); }
    static R Hi(R x) { return _mm_unpackhi_epi8(x, _mm_setzero_si128()); }
    // The bytes into the high bytes of the lanes (c << 8).
    static R LoHigh(R x) { return _mm_unpacklo_epi8(_mm_setzero_si128(), x); }
    static R HiHigh(R x) { return _mm_unpackhi_epi8(_mm_setzero_si128(), x); }
    static R MulHiU16(R a, R b) { return _mm_mulhi_epu16(a, b); }
    static R Pack(R lo, R hi) { return _mm_packus_epi16(lo, hi); }

    static R Add16(R a, R b) { return _mm_add_epi16(a, b); }
    static R Sub16(R a, R b) { return _mm_sub_epi16(a, b); }
    static R Mul16(R a, R b) { return _mm_mullo_epi16(a, b); }
    static R Min16(R a, R b) { return _mm_min_epi16(a, b); }
    static R Max16(R a, R b) { return _mm_max_epi16(a, b); }
    template <int n> static R Srl16(R a) { return _mm_srli_epi16(a, n); }
    template <int n> static R Sra16(R a) { return _mm_srai_epi16(a, n); }
    static R Alpha16(R x) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xFF), 0xFF); }

    static R And(R a, R b) { return _mm_and_si128(a, b); }
    static R Or(R a, R b) { return _mm_or_si128(a, b); }
    static R Add32(R a, R b) { return _mm_add_epi32(a, b); }
    static R Sub32(R a, R b) { return _mm_sub_epi32(a, b); }
    template <int n> static R Srl32(R a) { return _mm_srli_epi32(a, n); }
    template <int n> static R Sra32(R a) { return _mm_srai_epi32(a, n); }
    template <int n> static R Sll32(R a) { return _mm_slli_epi32(a, n); }
    static R UnpackLo32(R a, R b) { return _mm_unpacklo_epi32(a, b); }
    static R UnpackHi32(R a, R b) { return _mm_unpackhi_epi32(a, b); }
    // Low 32 bits of each product (the same for signed and unsigned).
    static R MulLo32(R a, R b)
    {
        const R even = _mm_mul_epu32(a, b);
        const R odd = _mm_mul_epu32(_mm_srli_si128(a, 4), _mm_srli_si128(b, 4));
        return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, 0x08), _mm_shuffle_epi32(odd, 0x08));
    }

    static bool AllZero(R x) { return _mm_movemask_epi8(_mm_cmpeq_epi32(x, _mm_setzero_si128())) == 0xFFFF; }
    static bool AllEqual32(R a, R b) { return _mm_movemask_epi8(_mm_cmpeq_epi32(a, b)) == 0xFFFF; }

    // base[index] of each lane.
    static R Gather(const uint32_t* base, R index)
    {
        alignas(16) int32_t i[4];
        _mm_store_si128(reinterpret_cast<R*>(i), index);
        return _mm_set_epi32(static_cast<int32_t>(base[i[3]]), static_cast<int32_t>(base[i[2]]),
                             static_cast<int32_t>(base[i[1]]), static_cast<int32_t>(base[i[0]]));
    }
    static R GatherRow(const uint32_t* row, int, R index) { return Gather(row, index); }
    // first = base[i], second = base[i + 1] for the four indices.
    static void Pairs(const uint32_t* base, const int32_t* i, R& first, R& second)
    {
        const R q0 = _mm_loadl_epi64(reinterpret_cast<const R*>(base + i[0]));
        const R q1 = _mm_loadl_epi64(reinterpret_cast<const R*>(base + i[1]));
        const R q2 = _mm_loadl_epi64(reinterpret_cast<const R*>(base + i[2]));
        const R q3 = _mm_loadl_epi64(reinterpret_cast<const R*>(base + i[3]));
        const R t01 = _mm_unpacklo_epi32(q0, q1), t23 = _mm_unpacklo_epi32(q2, q3);
        first = _mm_unpacklo_epi64(t01, t23);
        second = _mm_unpackhi_epi64(t01, t23);
    }
    static void GatherPairs(const uint32_t* base, R index, R& first, R& second)
    {
        alignas(16) int32_t i[4];
        _mm_store_si128(reinterpret_cast<R*>(i), index);
        Pairs(base, i, first, second);
    }
    // The pairs of a row (p00, p01) and of the row below (p10, p11).
    static void GatherRowPairs(const uint32_t* top, ptrdiff_t stride, int, R index, R& p00, R& p01,
                               R& p10, R& p11)
    {
        alignas(16) int32_t i[4];
        _mm_store_si128(reinterpret_cast<R*>(i), index);
        Pairs(top, i, p00, p01);
        Pairs(top + stride, i, p10, p11);
    }
};

} // namespace

bool InstallSse2(TKernelTable& table)
{
    InstallAll<TSse2>(table);
    return true;
}

#else

bool InstallSse2(TKernelTable&)
{
    return false;
}

#endif

} // namespace tsukimi::kernels
