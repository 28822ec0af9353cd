// The AVX2 level: every kernel of the family (PixelKernelsSimd.h) on
// 256-bit registers, eight pixels per step. Stepped sources are read by
// single loads, or from a 16-pixel window by permutes when the step allows
// (the gather instructions are slower on the machines measured). Built with -mavx2 (this file only) and entered only
// when the CPU reports AVX2; every kernel ends with _mm256_zeroupper().
#include "graphics/PixelKernels.h"

#if defined(__AVX2__)
#include <immintrin.h>

#include "graphics/PixelKernelsSimd.h"
#endif

namespace tsukimi::kernels {

#if defined(__AVX2__)
namespace {

struct TAvx2
{
    using R = __m256i;
    static constexpr int N = 8;

    static R Zero() { return _mm256_setzero_si256(); }
    static R Set32(uint32_t x) { return _mm256_set1_epi32(static_cast<int32_t>(x)); }
    static R Set16(int16_t x) { return _mm256_set1_epi16(x); }
    static R Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const R*>(p)); }
    static R LoadAligned(const uint32_t* p) { return _mm256_load_si256(reinterpret_cast<const R*>(p)); }
    static void Store(uint32_t* p, R x) { _mm256_storeu_si256(reinterpret_cast<R*>(p), x); }
    static void StoreAligned(uint32_t* p, R x) { _mm256_store_si256(reinterpret_cast<R*>(p), x); }
    static void End() { _mm256_zeroupper(); }

    // Unpack and pack work inside each 128-bit half, so a pack of the two
    // unpacked halves restores the pixel order.
    static R Lo(R x) { return _mm256_unpacklo_epi8(x, _mm256_setzero_si256()); }
    static R Hi(R x) { return _mm256_unpackhi_epi8(x, _mm256_setzero_si256()); }
    // The bytes into the high bytes of the lanes (c << 8).
    static R LoHigh(R x) { return _mm256_unpacklo_epi8(_mm256_setzero_si256(), x); }
    static R HiHigh(R x) { return _mm256_unpackhi_epi8(_mm256_setzero_si256(), x); }
    static R MulHiU16(R a, R b) { return _mm256_mulhi_epu16(a, b); }
    static R Pack(R lo, R hi) { return _mm256_packus_epi16(lo, hi); }

    static R Add16(R a, R b) { return _mm256_add_epi16(a, b); }
    static R Sub16(R a, R b) { return _mm256_sub_epi16(a, b); }
    static R Mul16(R a, R b) { return _mm256_mullo_epi16(a, b); }
    static R Min16(R a, R b) { return _mm256_min_epi16(a, b); }
    static R Max16(R a, R b) { return _mm256_max_epi16(a, b); }
    template <int n> static R Srl16(R a) { return _mm256_srli_epi16(a, n); }
    template <int n> static R Sra16(R a) { return _mm256_srai_epi16(a, n); }
    static R Alpha16(R x) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(x, 0xFF), 0xFF); }

    static R And(R a, R b) { return _mm256_and_si256(a, b); }
    static R Or(R a, R b) { return _mm256_or_si256(a, b); }
    static R Add32(R a, R b) { return _mm256_add_epi32(a, b); }
    static R Sub32(R a, R b) { return _mm256_sub_epi32(a, b); }
    template <int n> static R Srl32(R a) { return _mm256_srli_epi32(a, n); }
    template <int n> static R Sra32(R a) { return _mm256_srai_epi32(a, n); }
    template <int n> static R Sll32(R a) { return _mm256_slli_epi32(a, n); }
    static R UnpackLo32(R a, R b) { return _mm256_unpacklo_epi32(a, b); }
    static R UnpackHi32(R a, R b) { return _mm256_unpackhi_epi32(a, b); }
    static R MulLo32(R a, R b) { return _mm256_mullo_epi32(a, b); }

    static bool AllZero(R x) { return _mm256_testz_si256(x, x) != 0; }
    static bool AllEqual32(R a, R b) { return _mm256_movemask_epi8(_mm256_cmpeq_epi32(a, b)) == -1; }

    // base[i] for the eight indices, by single loads (faster than the
    // gather instructions here).
    static R GatherIndices(const uint32_t* base, const int32_t* i)
    {
        auto at = [base](int32_t k) { return static_cast<int>(base[k]); };
        __m128i lo = _mm_cvtsi32_si128(at(i[0]));
        lo = _mm_insert_epi32(lo, at(i[1]), 1);
        lo = _mm_insert_epi32(lo, at(i[2]), 2);
        lo = _mm_insert_epi32(lo, at(i[3]), 3);
        __m128i hi = _mm_cvtsi32_si128(at(i[4]));
        hi = _mm_insert_epi32(hi, at(i[5]), 1);
        hi = _mm_insert_epi32(hi, at(i[6]), 2);
        hi = _mm_insert_epi32(hi, at(i[7]), 3);
        return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
    }
    static R Gather(const uint32_t* base, R index)
    {
        alignas(32) int32_t i[8];
        _mm256_store_si256(reinterpret_cast<R*>(i), index);
        return GatherIndices(base, i);
    }
    // The pixels at rel (0 .. 15) of the 16 pixels from p.
    static R Pick(const uint32_t* p, R rel)
    {
        const R a0 = Load(p), a1 = Load(p + 8);
        return _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(a0, rel), _mm256_permutevar8x32_epi32(a1, rel),
                                  _mm256_cmpgt_epi32(rel, _mm256_set1_epi32(7)));
    }
    // Gather from one row: when the eight indices lie within 16 readable
    // pixels they are picked from two loads.
    static R GatherRow(const uint32_t* row, int width, R index)
    {
        const int32_t i0 = _mm256_cvtsi256_si32(index), i7 = _mm256_extract_epi32(index, 7);
        const int32_t lo = i0 < i7 ? i0 : i7, hi = i0 < i7 ? i7 : i0;
        if (width > 0 && hi - lo <= 15 && lo + 15 <= width + 1)
            return Pick(row + lo, _mm256_sub_epi32(index, _mm256_set1_epi32(lo)));
        return Gather(row, index);
    }
    // first = base[i], second = base[i + 1] for the eight indices, by
    // 64-bit loads (faster than the gather instructions here).
    static void Pairs(const uint32_t* base, const int32_t* i, R& first, R& second)
    {
        auto q = [base](int32_t k) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + k)); };
        const __m128i t01 = _mm_unpacklo_epi32(q(i[0]), q(i[1])), t23 = _mm_unpacklo_epi32(q(i[2]), q(i[3]));
        const __m128i t45 = _mm_unpacklo_epi32(q(i[4]), q(i[5])), t67 = _mm_unpacklo_epi32(q(i[6]), q(i[7]));
        first = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi64(t01, t23)),
                                        _mm_unpacklo_epi64(t45, t67), 1);
        second = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpackhi_epi64(t01, t23)),
                                         _mm_unpackhi_epi64(t45, t67), 1);
    }
    static void GatherPairs(const uint32_t* base, R index, R& first, R& second)
    {
        alignas(32) int32_t i[8];
        _mm256_store_si256(reinterpret_cast<R*>(i), index);
        Pairs(base, i, first, second);
    }
    // The pixels at rel and rel + 1 of the 16 pixels from p (rel 0 .. 14).
    static void Window(const uint32_t* p, R rel, R rel1, R upper, R upper1, R& first, R& second)
    {
        const R a0 = Load(p), a1 = Load(p + 8);
        first = _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(a0, rel), _mm256_permutevar8x32_epi32(a1, rel),
                                   upper);
        second = _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(a0, rel1),
                                    _mm256_permutevar8x32_epi32(a1, rel1), upper1);
    }
    // The pairs of a row (p00, p01) and of the row below (p10, p11). When the
    // eight indices lie within 16 readable pixels (scales down to about
    // half size, mirrored too) the pairs are picked from two loads.
    static void GatherRowPairs(const uint32_t* top, ptrdiff_t stride, int width, R index, R& p00, R& p01,
                               R& p10, R& p11)
    {
        const int32_t i0 = _mm256_cvtsi256_si32(index), i7 = _mm256_extract_epi32(index, 7);
        const int32_t lo = i0 < i7 ? i0 : i7, hi = i0 < i7 ? i7 : i0;
        if (width > 0 && hi - lo <= 14 && lo + 15 <= width + 1) {
            const R rel = _mm256_sub_epi32(index, _mm256_set1_epi32(lo));
            const R rel1 = _mm256_add_epi32(rel, _mm256_set1_epi32(1));
            const R seven = _mm256_set1_epi32(7);
            const R upper = _mm256_cmpgt_epi32(rel, seven), upper1 = _mm256_cmpgt_epi32(rel1, seven);
            Window(top + lo, rel, rel1, upper, upper1, p00, p01);
            Window(top + stride + lo, rel, rel1, upper, upper1, p10, p11);
            return;
        }
        alignas(32) int32_t i[8];
        _mm256_store_si256(reinterpret_cast<R*>(i), index);
        Pairs(top, i, p00, p01);
        Pairs(top + stride, i, p10, p11);
    }
};

} // namespace

bool InstallAvx2(TKernelTable& table)
{
    InstallAll<TAvx2>(table);
    return true;
}

#else

bool InstallAvx2(TKernelTable&)
{
    return false;
}

#endif

} // namespace tsukimi::kernels
