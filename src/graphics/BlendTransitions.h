#pragma once
// The transition draws: the drawn image combined with a third image (a grey
// rule image or the picture faded to) sampled through U2, V2 of the vertex
// list, and the alpha-threshold wipe of an image by its own alpha.
#include "graphics/DrawQuad.h"

namespace tsukimi {

// Alpha := a' + (((s.A - a') * ((255 - strength) >> 1)) >> 7) with
// a' = (s.A * rule.B) >> 8; colours kept. Strength 0 draws the image plainly.
void DrawRuleMask(const TARGB8888& source, TARGB8888& destination, const TARGB8888& rule,
                  const TVertexList& vertices, const TDrawParams& params, int strength);
// The rule's high blue values appear first as progress goes 0 .. 255; a
// larger softness (0 .. 7) gives a harder edge. Progress 255 draws plainly.
void DrawSoftWipe(const TARGB8888& source, TARGB8888& destination, const TARGB8888& rule,
                  const TVertexList& vertices, const TDrawParams& params, int progress,
                  int softness);
// Mix 0 draws the image, 255 the third image, between them both channels
// interpolated (alpha included).
void DrawCrossFade(const TARGB8888& source, TARGB8888& destination, const TARGB8888& third,
                   const TVertexList& vertices, const TDrawParams& params, int mix);
// Unscaled wipe by the source's alpha: threshold 0 draws nothing, 255
// replaces the destination by the image; low alphas are replaced first.
// Pairs of pixels: an odd clipped width leaves the last column.
void DrawAlphaWipe(const TARGB8888& source, TARGB8888& destination, int x, int y, int sourceLeft,
                   int sourceTop, int sourceRight, int sourceBottom, int clipTop, int clipBottom,
                   int threshold, int softness);

// The weight of one alpha-wipe pixel: clamp((alpha - T) * v, 0, 255) >> 1
// with v = 2^(softness mod 32), step = 256 div v,
// T = ((step + 255) * threshold) div 255 - step; computed in 64 bits.
int AlphaWipeWeight(int alpha, int threshold, uint32_t softness);

} // namespace tsukimi
