#include "graphics/BlendTransitions.h"

#include "graphics/BlendHalfLine.h"
#include "graphics/BlendOps.h"

#include <algorithm>

namespace tsukimi {
namespace {

void SetParity(TALSGBitmap* buffer)
{
    if (buffer) buffer->SetLineParity(THalfLineMode::DrawParity());
}

TVertexBlock ToBlock(const TVertexList& l, const TALSGBitmap& source, const TALSGBitmap& third)
{
    TVertexBlock b;
    b.count = l.count;
    const float w = static_cast<float>(source.Width()), h = static_cast<float>(source.Height());
    const float w2 = static_cast<float>(third.Width()), h2 = static_cast<float>(third.Height());
    for (int i = 0; i < 4; ++i) {
        b.x[i] = l.x[i];
        b.y[i] = l.y[i];
        b.u[i] = l.u[i] / w;
        b.v[i] = l.v[i] / h;
        b.u2[i] = l.u2[i] / w2;
        b.v2[i] = l.v2[i] / h2;
    }
    return b;
}

// The vertex list with U2, V2 as its texture coordinates.
TVertexList ThirdAsTexture(const TVertexList& l)
{
    TVertexList t = l;
    std::copy(l.u2, l.u2 + 4, t.u);
    std::copy(l.v2, l.v2 + 4, t.v);
    return t;
}

void DrawTransition(const TARGB8888& source, TARGB8888& destination, const TARGB8888& third,
                    const TVertexList& vertices, const TDrawParams& params,
                    const TTransition& transition)
{
    const TALSGBitmap *src = source.Buffer(), *thr = third.Buffer();
    TALSGBitmap* dst = destination.Buffer();
    if (!src || !thr || !dst || params.opacity <= 0) return;
    if (src->Width() <= 0 || src->Height() <= 0 || thr->Width() <= 0 || thr->Height() <= 0) return;
    TTransition t = transition;
    t.third = thr;
    raster::DrawTextured(*dst, *src, !source.IsTransparent(), ToBlock(vertices, *src, *thr), params,
                         &t);
}

struct TAlphaWipe
{
    int64_t threshold;
    int64_t scale;

    TAlphaWipe(int t, uint32_t softness)
    {
        scale = int64_t{1} << (softness % 32);
        const int64_t step = 256 / scale;
        threshold = ((step + 255) * t) / 255 - step;
    }

    int Weight(int alpha) const
    {
        return static_cast<int>(std::clamp<int64_t>((alpha - threshold) * scale, 0, 255) >> 1);
    }
};

} // namespace

int AlphaWipeWeight(int alpha, int threshold, uint32_t softness)
{
    return TAlphaWipe(threshold, softness).Weight(alpha);
}

void DrawRuleMask(const TARGB8888& source, TARGB8888& destination, const TARGB8888& rule,
                  const TVertexList& vertices, const TDrawParams& params, int strength)
{
    SetParity(destination.Buffer());
    const int h = std::clamp(strength, 0, 255);
    if (h == 0) return DrawQuad(source, destination, vertices, params);
    DrawTransition(source, destination, rule, vertices, params,
                   {nullptr, TKernelTransition::RuleMask, h, 0});
}

void DrawSoftWipe(const TARGB8888& source, TARGB8888& destination, const TARGB8888& rule,
                  const TVertexList& vertices, const TDrawParams& params, int progress,
                  int softness)
{
    SetParity(destination.Buffer());
    const int h = std::clamp(progress, 0, 255);
    if (h == 255) return DrawQuad(source, destination, vertices, params);
    DrawTransition(source, destination, rule, vertices, params,
                   {nullptr, TKernelTransition::SoftWipe, h, softness});
}

void DrawCrossFade(const TARGB8888& source, TARGB8888& destination, const TARGB8888& third,
                   const TVertexList& vertices, const TDrawParams& params, int mix)
{
    SetParity(destination.Buffer());
    const int h = std::clamp(mix, 0, 255);
    if (h == 0) return DrawQuad(source, destination, vertices, params);
    if (h == 255) return DrawQuad(third, destination, ThirdAsTexture(vertices), params);
    DrawTransition(source, destination, third, vertices, params,
                   {nullptr, TKernelTransition::CrossFade, h, 0});
}

void DrawAlphaWipe(const TARGB8888& source, TARGB8888& destination, int x, int y, int sourceLeft,
                   int sourceTop, int sourceRight, int sourceBottom, int clipTop, int clipBottom,
                   int threshold, int softness)
{
    TALSGBitmap* dst = destination.Buffer();
    SetParity(dst);
    const TALSGBitmap* src = source.Buffer();
    if (!dst || !src || threshold <= 0) return;
    const auto clip = ClipUnscaledCopy(src->Width(), src->Height(), dst->Width(), dst->Height(), x,
                                       y, sourceLeft, sourceTop, sourceRight, sourceBottom);
    if (!clip || clip->width < 2) return;
    const TAlphaWipe wipe(threshold, static_cast<uint32_t>(softness));
    int32_t weights[256];
    for (int alpha = 0; alpha < 256; ++alpha)
        weights[alpha] = wipe.Weight(alpha);
    const TAlphaWipeKernel kernel = ActiveKernels().alphaWipe;
    const int pairs = clip->width / 2;
    const int parity = dst->LineParity();
    for (int i = 0; i < clip->height; ++i) {
        const int row = clip->destinationY + i;
        if (row < clipTop || row >= clipBottom) continue;
        if (parity >= 0 && (row & 1) == parity) continue;
        kernel(dst->Row(row) + clip->destinationX, src->Row(clip->sourceY + i) + clip->sourceX,
               2 * pairs, weights);
    }
}

} // namespace tsukimi
