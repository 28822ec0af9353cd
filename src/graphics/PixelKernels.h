#pragma once
// The per-span pixel kernels of the rasteriser: one kernel per geometry x
// filter x composition (and transition), chosen once per draw and called
// once per row span.
//
// The scalar kernels (PixelKernels.cpp, written with BlendOps.h) are the
// definition. Faster levels (SSE2, AVX2; PixelKernelsSimd.h) replace the
// entries of the table and must give the same bits; anything a level lacks
// falls back to the level below. The level is chosen once, from the CPU, on first use; the
// environment variable TSUKIMI_KERNELS = scalar | sse2 | avx2 caps it.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tsukimi {

// How a kernel steps through the source along the span.
enum class TKernelGeometry : int {
    Unscaled = 0, // one source pixel per destination pixel from the start position
    Row = 1,      // U steps by its 16.16 step, V fixed for the row
    General = 2,  // U and V both step
};
inline constexpr int KernelGeometryCount = 3;

enum class TKernelFilter : int { Nearest = 0, Bilinear = 1 };
inline constexpr int KernelFilterCount = 2;

enum class TKernelComposition : int {
    General = 0, // mask, modulation, add colour, blend operator or normal, clamp
    Alpha = 1,   // modulation, add colour, normal blend, clamp (no mask)
    Opaque = 2,  // modulation, add colour, store (source alpha not used for blending)
    Copy = 3,    // store the sample unchanged
};
inline constexpr int KernelCompositionCount = 4;

// The three-image draws: the drawn pixel is first combined with the third
// image's pixel, then composed with the general rule.
enum class TKernelTransition : int { RuleMask = 0, SoftWipe = 1, CrossFade = 2 };
inline constexpr int KernelTransitionCount = 3;

// A source buffer as the kernels read it: pixel (x, y) is
// origin[y * stride + x]; one pixel beyond every edge is readable.
struct TKernelSource
{
    const uint32_t* origin = nullptr;
    ptrdiff_t stride = 0; // pixels
    // Columns -2 .. width + 1 of every row -1 .. height are readable (the
    // margin of the buffer); 0 = not known, the kernels then read only the
    // pixels they sample.
    int width = 0;
};

// Everything a span kernel needs. Positions and steps are 16.16 signed.
struct TSpanArgs
{
    uint32_t* destination = nullptr; // first pixel of the span
    int count = 0;
    int32_t u = 0, v = 0, du = 0, dv = 0;
    // Third image (transitions only).
    int32_t u2 = 0, v2 = 0, du2 = 0, dv2 = 0;
    TKernelSource source;
    TKernelSource third;
    // Mask pixels at the destination positions (blue byte used); null = none.
    const uint32_t* mask = nullptr;
    // opacity << 24 | multiply colour; 0xFFFFFFFF skips modulation.
    uint32_t modulation = 0xFFFFFFFFu;
    uint32_t add = 0; // 24-bit add colour
    int op = 0;       // blend operator 4 .. 10, 0 = normal
    // Transitions: strength / progress / mix (0 .. 255) ...
    int h = 0;
    // ... and for the soft wipe its threshold and multiplier.
    int wipeThreshold = 0;
    int wipeScale = 1;
};

using TSpanKernel = void (*)(const TSpanArgs&);
// Solid fill of count pixels with colour (0xAARRGGBB); mask may be null.
using TFillKernel = void (*)(uint32_t* destination, int count, uint32_t colour, int op,
                             const uint32_t* mask);
// Alpha-threshold wipe of count pixels: every channel of the destination
// becomes s + (((d - s) * w) >> 7) with w = weights[s.A] (256 entries,
// 0 .. 127).
using TAlphaWipeKernel = void (*)(uint32_t* destination, const uint32_t* source, int count,
                                  const int32_t* weights);

struct TKernelTable
{
    TSpanKernel span[KernelGeometryCount][KernelFilterCount][KernelCompositionCount] = {};
    TSpanKernel transition[KernelGeometryCount][KernelFilterCount][KernelTransitionCount] = {};
    TFillKernel fillOpaque = nullptr;
    TFillKernel fillGeneral = nullptr;
    TAlphaWipeKernel alphaWipe = nullptr;

    TSpanKernel Span(TKernelGeometry g, TKernelFilter f, TKernelComposition c) const
    {
        return span[static_cast<int>(g)][static_cast<int>(f)][static_cast<int>(c)];
    }
    TSpanKernel Transition(TKernelGeometry g, TKernelFilter f, TKernelTransition t) const
    {
        return transition[static_cast<int>(g)][static_cast<int>(f)][static_cast<int>(t)];
    }
};

enum class TKernelLevel : int { Scalar = 0, Sse2 = 1, Avx2 = 2 };

// The levels this build and CPU can run, lowest first (Scalar always).
std::vector<TKernelLevel> AvailableKernelLevels();
// The table of one level (a level that is not available gives the best
// available one below it).
const TKernelTable& KernelsForLevel(TKernelLevel level);
// The table every draw uses: chosen once, on first call.
const TKernelTable& ActiveKernels();
TKernelLevel ActiveKernelLevel();
// The level for a TSUKIMI_KERNELS value (null or unknown: no cap): the best
// available level not above the named one.
TKernelLevel ChooseKernelLevel(const char* cap);
// "scalar", "sse2", "avx2".
std::string_view KernelLevelName(TKernelLevel level);

// Soft-wipe parameters for progress h and softness g: v = 2^g for g in
// 0 .. 7, else 16; step = 256 div v; threshold = ((step + 255) * (255 - h))
// div 255 - step.
struct TSoftWipeParameters
{
    int threshold;
    int scale;
};
TSoftWipeParameters SoftWipeParameters(int progress, int softness);

namespace kernels {
// Building blocks shared by the levels.
const TKernelTable& ScalarTable();
// Overrides entries of `table` with SSE2 kernels; false when this build has
// none.
bool InstallSse2(TKernelTable& table);
// The same for AVX2 (built with its own compiler flags).
bool InstallAvx2(TKernelTable& table);
// Whether the CPU runs SSE2 / AVX2 code (false on other architectures).
bool CpuHasSse2();
bool CpuHasAvx2();
} // namespace kernels

} // namespace tsukimi
