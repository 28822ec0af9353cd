// Full-screen layer blending at 1280 x 720 and 1920 x 1080 through the
// kernels, with pixman as the reference, all in one run so that ratios are
// taken between figures measured together:
//   Ours/Alpha/<size>/<level>    per-pixel-alpha layer, normal blend, unscaled
//   Pixman/Over/<size>           the same layer premultiplied, OVER
//   Ours/Sprite/<size>           runs of clear and opaque pixels (goal <= 0.6 x Alpha)
//   Ours/Mode<m>/<size>          blend modes 4 .. 10 (goal <= 1.5 x Alpha)
//   Ours/Opacity128/<size>       opaque layer, constant opacity (goal <= 1.5 x Copy)
//   Ours/Copy/<size>             opaque layer, straight copy
//   Ours/AlphaOpacity128/<size>  per-pixel-alpha layer, constant opacity (vs Alpha)
//   Ours/CrossFade/<size>        two per-pixel-alpha layers mixed half and half
//   Ours/Rotated/<size>          layer turned by 10 degrees, bilinear
//   Pixman/Rotated/<size>        the same through a pixman transform, bilinear
//   Ours/Scaled/<size>           a 3/4-size layer scaled up, bilinear
//   Pixman/Scaled/<size>         the same through a pixman scale, bilinear
//   Ours/ScaledNearest/<size>    the scaled layer with nearest filtering
// Run with --benchmark_repetitions=5 --benchmark_report_aggregates_only=true.
#include "graphics/ALSGBitmap.h"
#include "graphics/BlendRasterizer.h"
#include "graphics/PixelKernels.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace tsukimi {
namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double TurnDegrees = 10;
constexpr double ScaledSize = 0.75;

struct TSize
{
    const char* name;
    int width, height;
};
constexpr TSize Sizes[] = {{"720p", 1280, 720}, {"1080p", 1920, 1080}};

enum class TLayer { Alpha, Opaque, Sprite };

uint32_t SpriteAlpha(int x, int y, int w, int h)
{
    // A figure: clear outside an ellipse, opaque inside, a two-pixel soft
    // edge and a few translucent patches.
    const double dx = (x - w / 2.0) / (w * 0.35), dy = (y - h / 2.0) / (h * 0.48);
    const double r = std::sqrt(dx * dx + dy * dy);
    const double edge = (1.0 - r) * w * 0.35 / 2.0;
    if (edge <= 0) return 0;
    if (edge >= 1) return (x / 64 + y / 64) % 7 == 0 ? 0x80 : 0xFF;
    return static_cast<uint32_t>(edge * 255);
}

void Fill(TALSGBitmap& bitmap, int w, int h, uint32_t seed, TLayer layer)
{
    std::mt19937 random(seed);
    bitmap.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t p = static_cast<uint32_t>(random());
            uint32_t& out = bitmap.Row(y)[x];
            switch (layer) {
            case TLayer::Alpha:
                out = p;
                break;
            case TLayer::Opaque:
                out = p | 0xFF000000u;
                break;
            case TLayer::Sprite:
                out = (p & 0xFFFFFF) | SpriteAlpha(x, y, w, h) << 24;
                break;
            }
        }
    bitmap.UpdateBorder();
}

// The rectangle (0, 0) - (w, h) with full texture, each corner moved by
// `place`.
template <class Place> TVertexBlock Quad(float w, float h, const Place& place)
{
    TVertexBlock b;
    const float xs[4] = {0, w, w, 0}, ys[4] = {0, 0, h, h};
    const float us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        place(xs[i], ys[i], b.x[i], b.y[i]);
        b.u[i] = us[i];
        b.v[i] = vs[i];
    }
    return b;
}

struct TCase
{
    TLayer layer = TLayer::Alpha;
    int blendMode = 0;
    int opacity = 255;
    int filter = 0;
    enum { Flat, Rotated, Scaled } geometry = Flat;
    bool crossFade = false; // with a second layer, mix 128
};

void Ours(benchmark::State& state, TSize size, TKernelLevel level, TCase c)
{
    if (level > AvailableKernelLevels().back()) {
        state.SkipWithError("level not available");
        return;
    }
    const int w = size.width, h = size.height;
    const int lw = c.geometry == TCase::Scaled ? static_cast<int>(w * ScaledSize) : w;
    const int lh = c.geometry == TCase::Scaled ? static_cast<int>(h * ScaledSize) : h;
    TALSGBitmap layer, background, other;
    Fill(layer, lw, lh, 1, c.layer);
    Fill(background, w, h, 2, TLayer::Opaque);
    Fill(other, lw, lh, 3, c.layer);
    const TTransition fade{&other, TKernelTransition::CrossFade, 128, 0};
    const double a = TurnDegrees * Pi / 180, cs = std::cos(a), sn = std::sin(a);
    const float cx = w / 2.0f, cy = h / 2.0f;
    TVertexBlock block = Quad(static_cast<float>(w), static_cast<float>(h),
                                    [&](float x, float y, float& ox, float& oy) {
                                        ox = x;
                                        oy = y;
                                        if (c.geometry != TCase::Rotated) return;
                                        ox = static_cast<float>(cx + cs * (x - cx) - sn * (y - cy));
                                        oy = static_cast<float>(cy + sn * (x - cx) + cs * (y - cy));
                                    });
    for (int i = 0; i < 4; ++i) {
        block.u2[i] = block.u[i];
        block.v2[i] = block.v[i];
    }
    const TKernelTable& table = KernelsForLevel(level);
    const TDrawParams params{0, h, c.filter, c.blendMode, c.opacity, 0xFFFFFF, 0};
    const bool opaque = c.layer == TLayer::Opaque;
    for (auto _ : state) {
        raster::DrawTextured(background, layer, opaque, block, params, c.crossFade ? &fade : nullptr,
                             table);
        benchmark::DoNotOptimize(background.Row(0)[0]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

// Straight alpha to premultiplied, as pixman takes it.
std::vector<uint32_t> Premultiplied(const TALSGBitmap& b)
{
    std::vector<uint32_t> out(static_cast<size_t>(b.Width()) * static_cast<size_t>(b.Height()));
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const uint32_t p = b.Row(y)[x], a = p >> 24;
            uint32_t q = a << 24;
            for (int s = 0; s < 24; s += 8)
                q |= ((p >> s & 0xFF) * a + 127) / 255 << s;
            out[static_cast<size_t>(y) * static_cast<size_t>(b.Width()) + static_cast<size_t>(x)] = q;
        }
    return out;
}

void Pixman(benchmark::State& state, TSize size, TCase c)
{
    const int w = size.width, h = size.height;
    const int lw = c.geometry == TCase::Scaled ? static_cast<int>(w * ScaledSize) : w;
    const int lh = c.geometry == TCase::Scaled ? static_cast<int>(h * ScaledSize) : h;
    TALSGBitmap layer, background;
    Fill(layer, lw, lh, 1, c.layer);
    Fill(background, w, h, 2, TLayer::Opaque);
    std::vector<uint32_t> src = Premultiplied(layer), dst = Premultiplied(background);
    pixman_image_t* s = pixman_image_create_bits(PIXMAN_a8r8g8b8, lw, lh, src.data(), lw * 4);
    pixman_image_t* d = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, dst.data(), w * 4);
    if (c.geometry != TCase::Flat) {
        // Destination to source.
        pixman_f_transform ft;
        pixman_f_transform_init_identity(&ft);
        if (c.geometry == TCase::Rotated) {
            const double a = -TurnDegrees * Pi / 180;
            pixman_f_transform_translate(&ft, nullptr, -w / 2.0, -h / 2.0);
            pixman_f_transform_rotate(&ft, nullptr, std::cos(a), std::sin(a));
            pixman_f_transform_translate(&ft, nullptr, w / 2.0, h / 2.0);
        } else {
            pixman_f_transform_scale(&ft, nullptr, static_cast<double>(lw) / w,
                                     static_cast<double>(lh) / h);
        }
        pixman_transform_t t;
        pixman_transform_from_pixman_f_transform(&t, &ft);
        pixman_image_set_transform(s, &t);
        pixman_image_set_filter(s, c.filter == 2 ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST,
                                nullptr, 0);
    }
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 0, 0, w, h);
        benchmark::DoNotOptimize(dst[0]);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    state.SetItemsProcessed(state.iterations() * w * h);
}

std::string Name(const char* who, const std::string& what, const TSize& size, const char* level)
{
    std::string n = std::string(who) + "/" + what + "/" + size.name;
    if (level) n += std::string("/") + level;
    return n;
}

const int Registered = [] {
    auto ours = [&](const std::string& what, const TSize& s, TKernelLevel level, TCase c) {
        const std::string levelName(KernelLevelName(level));
        benchmark::RegisterBenchmark(Name("Ours", what, s, levelName.c_str()).c_str(),
                                     [s, level, c](benchmark::State& st) { Ours(st, s, level, c); })
            ->Unit(benchmark::kMillisecond);
    };
    auto pixman = [](const std::string& what, const TSize& s, TCase c) {
        benchmark::RegisterBenchmark(Name("Pixman", what, s, nullptr).c_str(),
                                     [s, c](benchmark::State& st) { Pixman(st, s, c); })
            ->Unit(benchmark::kMillisecond);
    };
    for (const TSize& s : Sizes) {
        for (const TKernelLevel level : {TKernelLevel::Scalar, TKernelLevel::Sse2, TKernelLevel::Avx2})
            ours("Alpha", s, level, TCase{});
        pixman("Over", s, TCase{});
        for (const TKernelLevel level : {TKernelLevel::Sse2, TKernelLevel::Avx2}) {
            ours("Sprite", s, level, TCase{TLayer::Sprite});
            for (int m = 4; m <= 10; ++m)
                ours("Mode" + std::to_string(m), s, level, TCase{TLayer::Alpha, m});
            ours("Copy", s, level, TCase{TLayer::Opaque});
            ours("Opacity128", s, level, TCase{TLayer::Opaque, 0, 128});
            ours("AlphaOpacity128", s, level, TCase{TLayer::Alpha, 0, 128});
            ours("CrossFade", s, level, TCase{TLayer::Alpha, 0, 255, 0, TCase::Flat, true});
            ours("Rotated", s, level, TCase{TLayer::Alpha, 0, 255, 2, TCase::Rotated});
            ours("Scaled", s, level, TCase{TLayer::Alpha, 0, 255, 2, TCase::Scaled});
            ours("ScaledNearest", s, level, TCase{TLayer::Alpha, 0, 255, 0, TCase::Scaled});
        }
        pixman("Sprite", s, TCase{TLayer::Sprite});
        pixman("Rotated", s, TCase{TLayer::Alpha, 0, 255, 2, TCase::Rotated});
        pixman("Scaled", s, TCase{TLayer::Alpha, 0, 255, 2, TCase::Scaled});
        // The scalar definition of the other hot kernels, for the level ratios.
        ours("Mode4", s, TKernelLevel::Scalar, TCase{TLayer::Alpha, 4});
        ours("Opacity128", s, TKernelLevel::Scalar, TCase{TLayer::Opaque, 0, 128});
        ours("CrossFade", s, TKernelLevel::Scalar, TCase{TLayer::Alpha, 0, 255, 0, TCase::Flat, true});
        ours("Rotated", s, TKernelLevel::Scalar, TCase{TLayer::Alpha, 0, 255, 2, TCase::Rotated});
        ours("Scaled", s, TKernelLevel::Scalar, TCase{TLayer::Alpha, 0, 255, 2, TCase::Scaled});
        ours("ScaledNearest", s, TKernelLevel::Scalar, TCase{TLayer::Alpha, 0, 255, 0, TCase::Scaled});
    }
    return 0;
}();

} // namespace
} // namespace tsukimi
