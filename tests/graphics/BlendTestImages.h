#pragma once
// Small images for the drawing tests.
#include "graphics/ARGB8888.h"

#include <cstdint>
#include <random>
#include <vector>

namespace tsukimi::testing {

// A w x h image of one colour, border and transparent flag up to date.
inline void Solid(TARGB8888& image, int w, int h, uint32_t colour)
{
    image.SetSize(w, h);
    image.Buffer()->Fill(colour);
    image.UpdateBorder();
    image.UpdateTransparency();
}

// A w x h image of seeded random pixels; alphas random unless `opaque`.
inline void Random(TARGB8888& image, int w, int h, uint32_t seed, bool opaque = false)
{
    std::mt19937 random(seed);
    image.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.Buffer()->Row(y)[x] =
                static_cast<uint32_t>(random()) | (opaque ? 0xFF000000u : 0);
    image.UpdateBorder();
    image.UpdateTransparency();
}

inline uint32_t PixelAt(const TARGB8888& image, int x, int y)
{
    return image.Buffer()->Row(y)[x];
}

} // namespace tsukimi::testing
