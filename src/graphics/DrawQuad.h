#pragma once
// The drawing entry points on images: textured quads and rectangles,
// solid fills, and the transition draws. Each first sets the destination
// buffer's line parity from THalfLineMode, then rasterises through
// BlendRasterizer. None of them reports errors: missing buffers, zero
// sizes, zero opacity and polygons outside the image draw nothing.
#include "graphics/ARGB8888.h"
#include "graphics/BlendRasterizer.h"

#include <cstdint>

namespace tsukimi {

// Vertices in pixels: X, Y in the destination, U, V in the drawn image,
// U2, V2 in the third image of a transition. A count below 3 is taken as 4.
struct TVertexList
{
    int count = 4;
    float x[4] = {}, y[4] = {};
    float u[4] = {}, v[4] = {};
    float u2[4] = {}, v2[4] = {};
};

// The rectangle quad (left, top) - (right, bottom) with texture corners
// (u0, v0) - (u1, v1), corners in the order top-left, top-right,
// bottom-right, bottom-left.
TVertexList RectangleVertices(float left, float top, float right, float bottom, float u0 = 0,
                              float v0 = 0, float u1 = 0, float v1 = 0);

// Draws `source` through the vertex list (U, V in source pixels).
void DrawQuad(const TARGB8888& source, TARGB8888& destination, const TVertexList& vertices,
              const TDrawParams& params);
void DrawQuad(const TARGB8888& source, TARGB8888& destination, const TVertexList& vertices,
              int clipTop, int clipBottom, int filter, int blendMode, int opacity,
              uint32_t multiply, uint32_t add);

// The source rectangle drawn unscaled at (x, y) with nearest filtering.
void DrawRect(const TARGB8888& source, TARGB8888& destination, int x, int y, int sourceLeft,
              int sourceTop, int sourceRight, int sourceBottom, int clipTop, int clipBottom,
              int blendMode, int opacity, uint32_t multiply, uint32_t add);

// Solid rectangle of colour 0xAARRGGBB (its alpha used).
void FillQuad(TARGB8888& destination, uint32_t colour, int blendMode, float left, float top,
              float right, float bottom, int clipTop, int clipBottom);
// Solid polygon (X, Y of the list) of colour min(255, colour + add) per
// channel with the given alpha.
void FillPolygon(TARGB8888& destination, const TVertexList& vertices, int clipTop, int clipBottom,
                 int blendMode, int alpha, uint32_t colour, uint32_t add);
// FillQuad with the colour min(255, a + b) per channel and the given alpha.
void FillQuadSum(TARGB8888& destination, uint32_t a, uint32_t b, int alpha, int blendMode,
                 float left, float top, float right, float bottom, int clipTop, int clipBottom);

// --- The same on bare buffers (the compositor's targets). The source's
// `sourceOpaque` says that every pixel has alpha 255.
void DrawQuad(const TALSGBitmap& source, bool sourceOpaque, TALSGBitmap& destination,
              const TVertexList& vertices, const TDrawParams& params);
void FillPolygon(TALSGBitmap& destination, const TVertexList& vertices, int clipTop, int clipBottom,
                 int blendMode, uint32_t colour);

} // namespace tsukimi
