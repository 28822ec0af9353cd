// Every kernel of every available level gives the bits of the scalar
// definition: all geometries, filters, compositions, transitions and fills,
// seeded random pixels, alphas and parameters, widths 0 .. 67 and 999,
// unaligned starts; plus whole draws through each level's table.
#include "graphics/BlendRasterizer.h"
#include "graphics/BlendTestImages.h"
#include "graphics/DrawQuad.h"
#include "graphics/PixelKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace tsukimi {
namespace {

constexpr int SourceWidth = 1100, SourceHeight = 8;
constexpr int Guard = 8;

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
    TARGB8888 source, third;
    std::vector<uint32_t> destination, mask;
    std::mt19937 random{20261211};

    TKernelBench()
    {
        testing::Random(source, SourceWidth, SourceHeight, 1);
        testing::Random(third, SourceWidth, SourceHeight, 2);
        destination.resize(1000 + 2 * Guard + 8);
        mask.resize(destination.size());
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
        a.source = {source.Buffer()->Origin(), source.Buffer()->StridePixels()};
        a.third = {third.Buffer()->Origin(), third.Buffer()->StridePixels()};
        const int spare = SourceWidth - count - 2;
        a.u = Range(1, std::max(1, spare / 2)) << 16 | Range(0, 0xFFFF);
        a.v = Range(2, 4) << 16 | Range(0, 0xFFFF);
        a.du = g == TKernelGeometry::Unscaled ? 0x10000 : Range(0x4000, 0x10000);
        a.dv = g == TKernelGeometry::General ? Range(-0x10000, 0x10000) / (count + 1) : 0;
        a.u2 = Range(1, std::max(1, spare / 2)) << 16 | Range(0, 0xFFFF);
        a.v2 = Range(2, 4) << 16 | Range(0, 0xFFFF);
        a.du2 = Range(0x4000, 0x10000);
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
        a.op = Next() % 3 ? 0 : Range(4, 10);
        a.h = Range(0, 255);
        const TSoftWipeParameters wipe = SoftWipeParameters(Range(0, 255), Range(0, 9));
        a.wipeThreshold = wipe.threshold;
        a.wipeScale = wipe.scale;
        a.mask = withMask ? mask.data() : nullptr;
        return a;
    }

    // Runs `ref` and `test` on the same random destination at `offset` and
    // compares everything, guards included.
    template <class Run> void Compare(const Run& ref, const Run& test, int offset, const char* what)
    {
        std::vector<uint32_t> start(destination.size());
        for (uint32_t& p : start)
            p = Next();
        std::vector<uint32_t> expected = start, actual = start;
        ref(expected.data() + Guard + offset);
        test(actual.data() + Guard + offset);
        ASSERT_EQ(expected, actual) << what << " offset " << offset;
    }
};

TEST(KernelLevels, EveryKernelMatchesScalar)
{
    const TKernelTable& scalar = KernelsForLevel(TKernelLevel::Scalar);
    TKernelBench bench;
    for (const TKernelLevel level : AvailableKernelLevels()) {
        SCOPED_TRACE(std::string(KernelLevelName(level)));
        const TKernelTable& table = KernelsForLevel(level);
        for (const int width : Widths()) {
            SCOPED_TRACE(width);
            const int offset = width % 4;
            for (int g = 0; g < KernelGeometryCount; ++g)
                for (int f = 0; f < KernelFilterCount; ++f) {
                    for (int c = 0; c < KernelCompositionCount; ++c) {
                        TSpanArgs a = bench.Args(width, static_cast<TKernelGeometry>(g), c == 0);
                        auto run = [&](TSpanKernel k) {
                            return [&a, k](uint32_t* d) {
                                TSpanArgs b = a;
                                b.destination = d;
                                k(b);
                            };
                        };
                        bench.Compare(run(scalar.span[g][f][c]), run(table.span[g][f][c]), offset,
                                      "span");
                    }
                    for (int t = 0; t < KernelTransitionCount; ++t) {
                        TSpanArgs a = bench.Args(width, static_cast<TKernelGeometry>(g), t == 1);
                        auto run = [&](TSpanKernel k) {
                            return [&a, k](uint32_t* d) {
                                TSpanArgs b = a;
                                b.destination = d;
                                k(b);
                            };
                        };
                        bench.Compare(run(scalar.transition[g][f][t]),
                                      run(table.transition[g][f][t]), offset, "transition");
                    }
                }
            const uint32_t colour = bench.Next();
            const int op = bench.Range(0, 10);
            auto fill = [&](TFillKernel k, bool withMask) {
                return [&, k, withMask](uint32_t* d) {
                    k(d, width, colour, op, withMask ? bench.mask.data() : nullptr);
                };
            };
            bench.Compare(fill(scalar.fillOpaque, false), fill(table.fillOpaque, false), offset,
                          "opaque fill");
            bench.Compare(fill(scalar.fillGeneral, true), fill(table.fillGeneral, true), offset,
                          "general fill");
        }
    }
}

// Whole draws through each level's table: unscaled at odd offsets, scaled,
// turned, both filters, opacities, a mask and half-line parity.
TEST(KernelLevels, WholeDrawsMatchScalar)
{
    TARGB8888 source, opaque, mask, start;
    testing::Random(source, 71, 23, 5);
    testing::Random(opaque, 71, 23, 6, true);
    testing::Random(mask, 97, 41, 7);
    testing::Random(start, 97, 41, 8);
    const TVertexList quads[] = {
        RectangleVertices(3, 1, 74, 24, 0, 0, 71, 23),
        RectangleVertices(-5.5f, 2.25f, 65.5f, 25.25f, 0, 0, 71, 23),
        RectangleVertices(1, 1, 96, 40, 2, 3, 60, 20),
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
    for (const TKernelLevel level : AvailableKernelLevels())
        for (int parity = -1; parity <= 1; ++parity)
            for (const TVertexList& q : quads)
                for (const TDrawParams& p : params)
                    for (const TARGB8888* s : {&source, &opaque})
                        for (const bool masked : {false, true}) {
                            TALSGBitmap expected, actual;
                            expected.CopyFrom(*start.Buffer());
                            actual.CopyFrom(*start.Buffer());
                            for (TALSGBitmap* b : {&expected, &actual}) {
                                b->SetLineParity(parity);
                                b->SetMaskLink(masked ? mask.Buffer() : nullptr);
                            }
                            TVertexBlock blk;
                            for (int i = 0; i < 4; ++i) {
                                blk.x[i] = q.x[i];
                                blk.y[i] = q.y[i];
                                blk.u[i] = q.u[i] / 71.0f;
                                blk.v[i] = q.v[i] / 23.0f;
                            }
                            raster::DrawTextured(expected, *s->Buffer(), !s->IsTransparent(), blk,
                                                 p, nullptr, KernelsForLevel(TKernelLevel::Scalar));
                            raster::DrawTextured(actual, *s->Buffer(), !s->IsTransparent(), blk, p,
                                                 nullptr, KernelsForLevel(level));
                            for (int y = 0; y < 41; ++y)
                                for (int x = 0; x < 97; ++x)
                                    ASSERT_EQ(expected.Row(y)[x], actual.Row(y)[x])
                                        << KernelLevelName(level) << " " << x << "," << y;
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
