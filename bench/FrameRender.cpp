// A typical frame of play through TARGB8888CellDraw::Render at 1280 x 720
// and 1920 x 1080: an opaque background picture, three character sprites
// (clear and opaque runs with soft edges), a translucent message window, a
// translucent fill (name box) and 48 glyphs of 32 x 32. Goals on one core:
// every band redrawn (Invalidate) <= 3 ms at 720p, <= 6 ms at 1080p; an
// unchanged frame near zero. The kernel level is the active one
// (TSUKIMI_KERNELS = scalar | sse2 | avx2 caps it).
// Run with --benchmark_repetitions=5 --benchmark_report_aggregates_only=true.
#include "graphics/ARGB8888.h"
#include "graphics/ARGB8888CellDraw.h"
#include "graphics/PixelKernels.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>

namespace tsukimi {
namespace {

constexpr int Glyphs = 48;
constexpr int GlyphSize = 32;

template <class Pixel> void Paint(TARGB8888& image, int w, int h, uint32_t seed, const Pixel& pixel)
{
    std::mt19937 random(seed);
    image.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.Buffer()->Row(y)[x] = pixel(x, y, static_cast<uint32_t>(random()));
    image.UpdateBorder();
    image.UpdateTransparency();
}

// Clear outside an ellipse, opaque inside, a soft two-pixel edge.
uint32_t FigureAlpha(int x, int y, int w, int h)
{
    const double dx = (x - w / 2.0) / (w * 0.45), dy = (y - h / 2.0) / (h * 0.5);
    const double edge = (1.0 - std::sqrt(dx * dx + dy * dy)) * w * 0.45 / 2.0;
    if (edge <= 0) return 0;
    return edge >= 1 ? 0xFF : static_cast<uint32_t>(edge * 255);
}

struct TScene
{
    int width, height;
    TARGB8888 background, figures[3], window, glyphs;
    TARGB8888CellDraw draw;

    TScene(int w, int h) : width(w), height(h)
    {
        draw.SetSize(w, h);
        Paint(background, w, h, 1, [](int, int, uint32_t r) { return r | 0xFF000000u; });
        const int fw = w * 2 / 5, fh = h * 9 / 10;
        for (int i = 0; i < 3; ++i)
            Paint(figures[i], fw, fh, 2 + static_cast<uint32_t>(i), [fw, fh](int x, int y, uint32_t r) {
                return (r & 0xFFFFFF) | FigureAlpha(x, y, fw, fh) << 24;
            });
        Paint(window, w * 9 / 10, h / 4, 5, [](int, int, uint32_t r) { return (r & 0xFFFFFF) | 0xB0000000u; });
        // 16 glyphs side by side: thin opaque strokes with soft edges on clear.
        Paint(glyphs, 16 * GlyphSize, GlyphSize, 6, [](int x, int y, uint32_t r) {
            const int gx = x % GlyphSize;
            const bool stroke = (gx + y) % 11 < 3 || (gx * 3 + y * 5) % 17 < 2;
            const uint32_t a = stroke ? 0xFF : ((gx + y) % 11 == 3 ? 0x60 : 0);
            return (r & 0xFFFFFF) | a << 24;
        });
    }

    void Record()
    {
        const int w = width, h = height;
        draw.AddImageRect(&background, 0, 0, 1, 0xFFFFFF, 0, 255, 0, 0, 0, w, h, 0, 0);
        const int fw = figures[0].Width(), fh = figures[0].Height();
        for (int i = 0; i < 3; ++i)
            draw.AddImageRect(&figures[i], 0, 0, 1, 0xFFFFFF, 0, 255, 10 + i, 0, 0, fw, fh,
                              w / 20 + i * w * 3 / 10, h - fh);
        const int ww = window.Width(), wh = window.Height();
        const int wx = (w - ww) / 2, wy = h - wh - h / 40;
        draw.AddImageRect(&window, 0, 0, 1, 0xFFFFFF, 0, 255, 20, 0, 0, ww, wh, wx, wy);
        draw.AddFill(128, 1, 0x203040, 21, static_cast<float>(wx), static_cast<float>(wy - h / 16),
                     static_cast<float>(wx + w / 5), static_cast<float>(wy));
        for (int i = 0; i < Glyphs; ++i) {
            const int g = i % 16, column = i % 24, line = i / 24;
            draw.AddImageRect(&glyphs, 0, 0, 1, 0xFFFFFF, 0, 255, 30, g * GlyphSize, 0, (g + 1) * GlyphSize,
                              GlyphSize, wx + 24 + column * (GlyphSize + 2), wy + 20 + line * (GlyphSize + 8));
        }
    }
};

void Frame(benchmark::State& state, int w, int h, bool invalidate)
{
    auto scene = std::make_unique<TScene>(w, h);
    scene->Record();
    scene->draw.Render(TCellRenderParams{});
    int redrawn = 0;
    for (auto _ : state) {
        scene->Record();
        if (invalidate) scene->draw.InvalidateAll();
        scene->draw.Render(TCellRenderParams{});
        redrawn = 0;
        for (int i = 0; i < scene->draw.RedrawCountSize(); ++i)
            redrawn += scene->draw.RedrawCounts()[i] > 0;
        benchmark::ClobberMemory();
    }
    state.counters["bands_redrawn"] = redrawn;
    state.SetLabel(std::string(KernelLevelName(ActiveKernelLevel())));
}

BENCHMARK_CAPTURE(Frame, Invalidate720p, 1280, 720, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Frame, Unchanged720p, 1280, 720, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Frame, Invalidate1080p, 1920, 1080, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Frame, Unchanged1080p, 1920, 1080, false)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tsukimi
