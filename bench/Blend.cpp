// Normal alpha blending of a 1280 x 720 layer with per-pixel alpha onto a
// 1280 x 720 opaque background, unscaled, through each kernel level's
// table (scalar, SSE2, AVX2); also the opaque copy and a constant opacity of 128. Goal: the SIMD
// level blends at least twice as fast as the scalar definition.
#include "graphics/ARGB8888.h"
#include "graphics/BlendRasterizer.h"
#include "graphics/PixelKernels.h"

#include <benchmark/benchmark.h>

#include <random>

namespace tsukimi {
namespace {

constexpr int Width = 1280, Height = 720;

void Fill(TALSGBitmap& bitmap, uint32_t seed, bool opaque)
{
    std::mt19937 random(seed);
    bitmap.SetSize(Width, Height);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            bitmap.Row(y)[x] = static_cast<uint32_t>(random()) | (opaque ? 0xFF000000u : 0);
    bitmap.UpdateBorder();
}

TVertexBlock FullScreen()
{
    TVertexBlock b;
    const float xs[4] = {0, Width, Width, 0}, ys[4] = {0, 0, Height, Height};
    const float us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        b.x[i] = xs[i];
        b.y[i] = ys[i];
        b.u[i] = us[i];
        b.v[i] = vs[i];
    }
    return b;
}

void Draw(benchmark::State& state, TKernelLevel level, bool opaqueSource, int opacity)
{
    const auto levels = AvailableKernelLevels();
    if (level > levels.back()) {
        state.SkipWithError("level not available");
        return;
    }
    TALSGBitmap layer, background;
    Fill(layer, 1, opaqueSource);
    Fill(background, 2, true);
    const TKernelTable& table = KernelsForLevel(level);
    const TDrawParams params{0, Height, 0, 0, opacity, 0xFFFFFF, 0};
    for (auto _ : state) {
        raster::DrawTextured(background, layer, opaqueSource, FullScreen(), params, nullptr, table);
        benchmark::DoNotOptimize(background.Row(0)[0]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

BENCHMARK_CAPTURE(Draw, AlphaBlendScalar, TKernelLevel::Scalar, false, 255)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, AlphaBlendSse2, TKernelLevel::Sse2, false, 255)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, AlphaBlendAvx2, TKernelLevel::Avx2, false, 255)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, Opacity128Scalar, TKernelLevel::Scalar, false, 128)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, Opacity128Sse2, TKernelLevel::Sse2, false, 128)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, Opacity128Avx2, TKernelLevel::Avx2, false, 128)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, OpaqueCopyScalar, TKernelLevel::Scalar, true, 255)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, OpaqueCopySse2, TKernelLevel::Sse2, true, 255)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, OpaqueCopyAvx2, TKernelLevel::Avx2, true, 255)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tsukimi
