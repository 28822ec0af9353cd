#pragma once
// The software rasteriser under every draw: a convex polygon of 3 or 4
// vertices is scanned row by row into the destination buffer's edge table,
// then each row span is handed to a kernel of PixelKernels.h chosen by
// geometry, filter and composition.
#include "graphics/ALSGBitmap.h"
#include "graphics/PixelKernels.h"

#include <cstdint>

namespace tsukimi {

// Vertex block: destination positions in destination pixels, texture
// coordinates normalised 0 .. 1 (U2, V2 for the third image of the
// transitions). Order around the polygon; rectangles top-left, top-right,
// bottom-right, bottom-left. A count below 3 is taken as 4.
struct TVertexBlock
{
    float x[4] = {}, y[4] = {};
    float u[4] = {}, v[4] = {};
    float u2[4] = {}, v2[4] = {};
    float unused[4] = {};
    int32_t count = 4;
};

// Parameters of a textured draw.
struct TDrawParams
{
    int clipTop = 0;
    int clipBottom = 0x7FFFFFFF; // rows clipTop <= row < clipBottom are drawn
    int filter = 0;              // 2 = bilinear, anything else nearest
    int blendMode = 0;           // low 7 bits: 4 .. 10 operators, else normal
    int opacity = 255;           // 0 .. 255, 0 draws nothing
    uint32_t multiply = 0xFFFFFF;
    uint32_t add = 0;
};

// Geometry classes of a quad.
enum class TQuadClass : int { Unscaled = 0, AxisAligned = 1, General = 2 };

// Third image and combination of a transition draw.
struct TTransition
{
    const TALSGBitmap* third = nullptr;
    TKernelTransition kind = TKernelTransition::CrossFade;
    int h = 0;        // strength / progress / mix, 0 .. 255
    int softness = 0; // soft wipe only
};

namespace raster {

// Texture positions to 16.16: trunc((x + 8192) * 65536 + 0.51) - 0x20000000,
// saturated to int32 (NaN gives 0).
int32_t ToFixed(double x);
// Truncation towards zero saturated to int32; NaN gives 0.
int32_t TruncSaturate(double x);

// Classifies a vertex block whose U, V are already in source pixels.
TQuadClass Classify(const TVertexBlock& pixels);

// Textured draw of `source` into `destination` (U, V normalised). The
// source's `opaque` tells whether every pixel has alpha 255. With a
// transition the kernels first combine with the third image.
void DrawTextured(TALSGBitmap& destination, const TALSGBitmap& source, bool sourceOpaque,
                  TVertexBlock block, const TDrawParams& params,
                  const TTransition* transition = nullptr,
                  const TKernelTable& kernels = ActiveKernels());

// Solid fill of the polygon (X, Y of the block) with colour 0xAARRGGBB.
void FillPolygon(TALSGBitmap& destination, const TVertexBlock& block, int clipTop, int clipBottom,
                 int blendMode, uint32_t colour, const TKernelTable& kernels = ActiveKernels());

} // namespace raster
} // namespace tsukimi
