#include "graphics/DrawQuad.h"

#include "graphics/BlendHalfLine.h"
#include "graphics/BlendOps.h"

#include <algorithm>

namespace tsukimi {
namespace {

void SetParity(TALSGBitmap* buffer)
{
    if (buffer) buffer->SetLineParity(THalfLineMode::DrawParity());
}

TVertexBlock ToBlock(const TVertexList& list, int width, int height)
{
    TVertexBlock b;
    b.count = list.count;
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    for (int i = 0; i < 4; ++i) {
        b.x[i] = list.x[i];
        b.y[i] = list.y[i];
        b.u[i] = list.u[i] / w;
        b.v[i] = list.v[i] / h;
    }
    return b;
}

} // namespace

TVertexList RectangleVertices(float left, float top, float right, float bottom, float u0, float v0,
                              float u1, float v1)
{
    TVertexList l;
    l.count = 4;
    const float xs[4] = {left, right, right, left}, ys[4] = {top, top, bottom, bottom};
    const float us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
    for (int i = 0; i < 4; ++i) {
        l.x[i] = xs[i];
        l.y[i] = ys[i];
        l.u[i] = us[i];
        l.v[i] = vs[i];
    }
    return l;
}

void DrawQuad(const TALSGBitmap& source, bool sourceOpaque, TALSGBitmap& destination,
              const TVertexList& vertices, const TDrawParams& params)
{
    SetParity(&destination);
    if (source.Width() <= 0 || source.Height() <= 0 || params.opacity <= 0) return;
    raster::DrawTextured(destination, source, sourceOpaque,
                         ToBlock(vertices, source.Width(), source.Height()), params);
}

void DrawQuad(const TARGB8888& source, TARGB8888& destination, const TVertexList& vertices,
              const TDrawParams& params)
{
    SetParity(destination.Buffer());
    if (!source.Buffer() || !destination.Buffer()) return;
    DrawQuad(*source.Buffer(), !source.IsTransparent(), *destination.Buffer(), vertices, params);
}

void DrawQuad(const TARGB8888& source, TARGB8888& destination, const TVertexList& vertices,
              int clipTop, int clipBottom, int filter, int blendMode, int opacity,
              uint32_t multiply, uint32_t add)
{
    DrawQuad(source, destination, vertices,
             TDrawParams{clipTop, clipBottom, filter, blendMode, opacity, multiply, add});
}

void DrawRect(const TARGB8888& source, TARGB8888& destination, int x, int y, int sourceLeft,
              int sourceTop, int sourceRight, int sourceBottom, int clipTop, int clipBottom,
              int blendMode, int opacity, uint32_t multiply, uint32_t add)
{
    const float left = static_cast<float>(x), top = static_cast<float>(y);
    const float w = static_cast<float>(int64_t{sourceRight} - sourceLeft);
    const float h = static_cast<float>(int64_t{sourceBottom} - sourceTop);
    const TVertexList quad = RectangleVertices(
        left, top, left + w, top + h, static_cast<float>(sourceLeft), static_cast<float>(sourceTop),
        static_cast<float>(sourceRight), static_cast<float>(sourceBottom));
    DrawQuad(source, destination, quad,
             TDrawParams{clipTop, clipBottom, 0, blendMode, opacity, multiply, add});
}

void FillPolygon(TALSGBitmap& destination, const TVertexList& vertices, int clipTop, int clipBottom,
                 int blendMode, uint32_t colour)
{
    SetParity(&destination);
    TVertexBlock b;
    b.count = vertices.count;
    std::copy(vertices.x, vertices.x + 4, b.x);
    std::copy(vertices.y, vertices.y + 4, b.y);
    raster::FillPolygon(destination, b, clipTop, clipBottom, blendMode, colour);
}

void FillPolygon(TARGB8888& destination, const TVertexList& vertices, int clipTop, int clipBottom,
                 int blendMode, int alpha, uint32_t colour, uint32_t add)
{
    SetParity(destination.Buffer());
    if (!destination.Buffer()) return;
    FillPolygon(*destination.Buffer(), vertices, clipTop, clipBottom, blendMode,
                blend::SumColour(colour, add, std::clamp(alpha, 0, 255)));
}

void FillQuad(TARGB8888& destination, uint32_t colour, int blendMode, float left, float top,
              float right, float bottom, int clipTop, int clipBottom)
{
    SetParity(destination.Buffer());
    if (!destination.Buffer()) return;
    FillPolygon(*destination.Buffer(), RectangleVertices(left, top, right, bottom), clipTop,
                clipBottom, blendMode, colour);
}

void FillQuadSum(TARGB8888& destination, uint32_t a, uint32_t b, int alpha, int blendMode,
                 float left, float top, float right, float bottom, int clipTop, int clipBottom)
{
    FillQuad(destination, blend::SumColour(a, b, std::clamp(alpha, 0, 255)), blendMode, left, top,
             right, bottom, clipTop, clipBottom);
}

} // namespace tsukimi
