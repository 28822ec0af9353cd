// Every kernel of every available level gives the bits of the scalar
// definition: all geometries, filters, compositions (every blend operator),
// transitions, fills and the alpha wipe, seeded random pixels, alphas and
// parameters, sprite-like sources with clear and opaque runs, widths 0 .. 67
// and 999, unaligned starts; plus whole draws through each level's table,
// half-line parities included.
#include "graphics/BlendRasterizer.h"
#include "graphics/BlendTestImages.h"
#include "graphics/DrawQuad.h"
#include "graphics/PixelKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <vector>

namespace tsukimi {
namespace {

constexpr int SourceWidth = 1100, SourceHeight = 8;
constexpr int Guard = 8;
constexpr int Operators[] = {0, 4, 5, 6, 7, 8, 9, 10};

std::vector<int> Widths()
{
    std::vector<int> widths;
    for (int w = 0; w <= 67; ++w)
        widths.push_back(w);
    widths.push_back(999);
    return widths;
}

struct TKernelBench
{
    TARGB8888 source, third, sprite;
    std::vector<uint32_t> mask; // per destination pixel
    std::mt19937 random{20261211};

    TKernelBench()
    {
        testing::Random(source, SourceWidth, SourceHeight, 1);
        testing::Random(third, SourceWidth, SourceHeight, 2);
        // Runs of clear and opaque pixels with a few translucent ones, as in
        // a character sprite (the kernels' fast paths).
        testing::Random(sprite, SourceWidth, SourceHeight, 3);
        for (int y = 0; y < SourceHeight; ++y)
            for (int x = 0; x < SourceWidth; ++x) {
                uint32_t& p = sprite.Buffer()->Row(y)[x];
                const int run = (x / 13 + y) % 4;
                if (run == 0) p &= 0x00FFFFFF;
                if (run == 1) p |= 0xFF000000;
            }
        sprite.UpdateBorder();
        mask.resize(1000 + 2 * Guard + 8);
        for (uint32_t& m : mask)
            m = static_cast<uint32_t>(random());
    }

    uint32_t Next() { return static_cast<uint32_t>(random()); }
    int Range(int lo, int hi)
    {
        return lo + static_cast<int>(Next() % static_cast<uint32_t>(hi - lo + 1));
    }

    // Random parameters for a span of `count` pixels that stays inside the
    // sources.
    TSpanArgs Args(int count, TKernelGeometry g, bool withMask)
    {
        TSpanArgs a;
        a.count = count;
        const TARGB8888& drawn = Next() % 2 ? source : sprite;
        a.source = {drawn.Buffer()->Origin(), drawn.Buffer()->StridePixels(), SourceWidth};
        a.third = {third.Buffer()->Origin(), third.Buffer()->StridePixels(), SourceWidth};
        // Steps up to three pixels (mirrored too) where the span allows,
        // starts anywhere the whole span stays inside the source.
        const int maxStep = std::min(0x30000, ((SourceWidth - 6) << 16) / std::max(count, 1));
        auto horizontal = [&](bool unit, int32_t& u, int32_t& du) {
            du = unit ? 0x10000 : Range(0x4000, std::max(0x4000, maxStep)) * (Next() % 4 ? 1 : -1);
            const int64_t reach = int64_t{std::abs(du)} * std::max(count - 1, 0);
            const int64_t lo = int64_t{1} << 16, hi = int64_t{SourceWidth - 3} << 16;
            const int64_t first = du > 0 ? lo : lo + reach, last = du > 0 ? hi - reach : hi;
            u = static_cast<int32_t>(first + Next() % static_cast<uint32_t>(last - first + 1));
        };
        horizontal(g == TKernelGeometry::Unscaled, a.u, a.du);
        horizontal(false, a.u2, a.du2);
        a.v = Range(2, 4) << 16 | Range(0, 0xFFFF);
        a.dv = g == TKernelGeometry::General ? Range(-0x10000, 0x10000) / (count + 1) : 0;
        a.v2 = Range(2, 4) << 16 | Range(0, 0xFFFF);
        a.dv2 = g == TKernelGeometry::General ? Range(-0x10000, 0x10000) / (count + 1) : 0;
        switch (Next() % 3) {
        case 0:
            a.modulation = 0xFFFFFFFFu;
            break;
        case 1:
            a.modulation = 0xFF000000u | Next();
            break;
        default:
            a.modulation = Next();
        }
        a.add = Next() % 2 ? 0 : Next() & 0xFFFFFF;
        a.h = Range(0, 255);
        const TSoftWipeParameters wipe = SoftWipeParameters(Range(0, 255), Range(0, 9));
        a.wipeThreshold = wipe.threshold;
        a.wipeScale = wipe.scale;
        a.mask = withMask ? mask.data() : nullptr;
        return a;
    }

    // Runs `ref` and `test` on the same random destination at `offset` and
    // compares everything, guards included.
    template <class Run>
    void Compare(const Run& ref, const Run& test, int width, int offset, const char* what)
    {
        std::vector<uint32_t> start(static_cast<size_t>(width + offset + 2 * Guard));
        for (uint32_t& p : start)
            p = Next();
        std::vector<uint32_t> expected = start, actual = start;
        ref(expected.data() + Guard + offset);
        test(actual.data() + Guard + offset);
        const auto diff = std::mismatch(expected.begin(), expected.end(), actual.begin());
        ASSERT_TRUE(diff.first == expected.end())
            << what << " offset " << offset << ": pixel " << (diff.first - expected.begin())
            << " is " << std::hex << *diff.second << ", scalar gives " << *diff.first;
    }
};

TEST(KernelLevels, EveryKernelMatchesScalar)
{
    const TKernelTable& scalar = KernelsForLevel(TKernelLevel::Scalar);
    TKernelBench bench;
    for (const TKernelLevel level : AvailableKernelLevels()) {
        if (level == TKernelLevel::Scalar) continue;
        SCOPED_TRACE(std::string(KernelLevelName(level)));
        const TKernelTable& table = KernelsForLevel(level);
        for (const int width : Widths()) {
            SCOPED_TRACE(width);
            const int offset = (width * 5) % 8;
            for (int g = 0; g < KernelGeometryCount; ++g)
                for (int f = 0; f < KernelFilterCount; ++f) {
                    auto run = [](const TSpanArgs& a, TSpanKernel k) {
                        return [&a, k](uint32_t* d) {
                            TSpanArgs b = a;
                            b.destination = d;
                            k(b);
                        };
                    };
                    for (int c = 1; c < KernelCompositionCount; ++c) {
                        const TSpanArgs a = bench.Args(width, static_cast<TKernelGeometry>(g), false);
                        bench.Compare(run(a, scalar.span[g][f][c]), run(a, table.span[g][f][c]),
                                      width, offset, "span");
                    }
                    // The general rule with every operator, with and without a
                    // mask, and every transition with every operator.
                    for (const int op : Operators) {
                        TSpanArgs a = bench.Args(width, static_cast<TKernelGeometry>(g), op % 2);
                        a.op = op;
                        bench.Compare(run(a, scalar.span[g][f][0]), run(a, table.span[g][f][0]),
                                      width, offset, "general span");
                        for (int t = 0; t < KernelTransitionCount; ++t) {
                            TSpanArgs b =
                                bench.Args(width, static_cast<TKernelGeometry>(g), (op + t) % 2);
                            b.op = op;
                            bench.Compare(run(b, scalar.transition[g][f][t]),
                                          run(b, table.transition[g][f][t]), width, offset, "transition");
                        }
                    }
                }
            const uint32_t colour = bench.Next();
            const int op = bench.Range(0, 10);
            auto fill = [&](TFillKernel k, bool withMask) {
                return [&, k, withMask](uint32_t* d) {
                    k(d, width, colour, op, withMask ? bench.mask.data() : nullptr);
                };
            };
            bench.Compare(fill(scalar.fillOpaque, false), fill(table.fillOpaque, false), width,
                          offset, "opaque fill");
            bench.Compare(fill(scalar.fillGeneral, true), fill(table.fillGeneral, true), width,
                          offset, "general fill");
            bench.Compare(fill(scalar.fillGeneral, false), fill(table.fillGeneral, false), width,
                          offset, "general fill without mask");
            int32_t weights[256];
            for (int32_t& w : weights)
                w = bench.Range(0, 127);
            const TARGB8888& wiped = bench.Next() % 2 ? bench.source : bench.sprite;
            auto wipe = [&](TAlphaWipeKernel k) {
                return [&, k](uint32_t* d) { k(d, wiped.Buffer()->Row(1) + 3, width, weights); };
            };
            bench.Compare(wipe(scalar.alphaWipe), wipe(table.alphaWipe), width, offset, "alpha wipe");
        }
    }
}

// Draws q into a copy of `start` through the scalar table and through
// `level`'s and compares every pixel.
void CompareDraw(TKernelLevel level, int parity, const TVertexList& q, const TDrawParams& p,
                 const TARGB8888& source, TARGB8888* mask, const TTransition* transition,
                 const TARGB8888& start)
{
    TALSGBitmap expected, actual;
    expected.CopyFrom(*start.Buffer());
    actual.CopyFrom(*start.Buffer());
    for (TALSGBitmap* b : {&expected, &actual}) {
        b->SetLineParity(parity);
        b->SetMaskLink(mask ? mask->Buffer() : nullptr);
    }
    const float w = static_cast<float>(source.Width()), h = static_cast<float>(source.Height());
    TVertexBlock blk;
    for (int i = 0; i < 4; ++i) {
        blk.x[i] = q.x[i];
        blk.y[i] = q.y[i];
        blk.u[i] = blk.u2[i] = q.u[i] / w;
        blk.v[i] = q.v[i] / h;
        blk.v2[i] = 1.0f - blk.v[i];
    }
    const bool opaque = !source.IsTransparent();
    raster::DrawTextured(expected, *source.Buffer(), opaque, blk, p, transition,
                         KernelsForLevel(TKernelLevel::Scalar));
    raster::DrawTextured(actual, *source.Buffer(), opaque, blk, p, transition,
                         KernelsForLevel(level));
    for (int y = 0; y < expected.Height(); ++y)
        for (int x = 0; x < expected.Width(); ++x)
            ASSERT_EQ(expected.Row(y)[x], actual.Row(y)[x])
                << KernelLevelName(level) << " " << x << "," << y << " parity " << parity;
}

// Whole draws through each level's table: unscaled at odd offsets, scaled,
// turned, both filters, opacities, a mask, half-line parities and the three
// transitions.
TEST(KernelLevels, WholeDrawsMatchScalar)
{
    TARGB8888 source, opaque, mask, start, third;
    testing::Random(third, 53, 37, 9);
    testing::Random(source, 71, 23, 5);
    testing::Random(opaque, 71, 23, 6, true);
    testing::Random(mask, 97, 41, 7);
    testing::Random(start, 97, 41, 8);
    const TVertexList quads[] = {
        RectangleVertices(3, 1, 74, 24, 0, 0, 71, 23),
        RectangleVertices(-5.5f, 2.25f, 65.5f, 25.25f, 0, 0, 71, 23),
        RectangleVertices(1, 1, 96, 40, 2, 3, 60, 20),
        RectangleVertices(90, 5, 10, 35, 0, 0, 71, 23), // mirrored
        RectangleVertices(5, 5, 35, 15, 0, 0, 71, 23),  // reduced
        [] {
            TVertexList q = RectangleVertices(10, 0, 90, 30, 0, 0, 71, 23);
            q.x[0] = 20;
            q.y[3] = 40;
            return q;
        }(),
    };
    const TDrawParams params[] = {
        {0, 41, 0, 0, 255, 0xFFFFFF, 0},
        {0, 41, 0, 0, 128, 0xFFFFFF, 0},
        {3, 37, 2, 0, 255, 0x80C0FF, 0x102030},
        {0, 41, 0, 9, 200, 0xFFFFFF, 0},
    };
    // No transition, then each one with its parameters.
    std::vector<std::optional<TTransition>> transitions{std::nullopt};
    for (int t = 0; t < KernelTransitionCount; ++t)
        transitions.push_back(TTransition{third.Buffer(), static_cast<TKernelTransition>(t),
                                          90 + 50 * t, 2 * t + 1});
    for (const TKernelLevel level : AvailableKernelLevels()) {
        if (level == TKernelLevel::Scalar) continue;
        for (int parity = -1; parity <= 1; ++parity)
            for (const TVertexList& q : quads)
                for (const TDrawParams& p : params)
                    for (const TARGB8888* s : {&source, &opaque})
                        for (const bool masked : {false, true})
                            for (const auto& t : transitions) {
                                if (parity == 0 && t) continue; // one parity is enough
                                CompareDraw(level, parity, q, p, *s, masked ? &mask : nullptr,
                                            t ? &*t : nullptr, start);
                                if (::testing::Test::HasFatalFailure()) return;
                            }
    }
}

TEST(KernelLevels, LevelsAndNames)
{
    const auto levels = AvailableKernelLevels();
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels.front(), TKernelLevel::Scalar);
    EXPECT_EQ(KernelLevelName(TKernelLevel::Sse2), "sse2");
    // A level that is not available falls back to the best one below it.
    EXPECT_EQ(&KernelsForLevel(TKernelLevel::Avx2), &KernelsForLevel(levels.back()));
    EXPECT_EQ(&ActiveKernels(), &KernelsForLevel(ActiveKernelLevel()));
    EXPECT_EQ(ChooseKernelLevel("scalar"), TKernelLevel::Scalar);
    EXPECT_EQ(ChooseKernelLevel(nullptr), levels.back());
    EXPECT_EQ(ChooseKernelLevel("avx512"), levels.back());
    EXPECT_EQ(ChooseKernelLevel("sse2"), std::min(levels.back(), TKernelLevel::Sse2));
}

} // namespace
} // namespace tsukimi
