#pragma once
// One recorded cell of the frame compositor: a draw command with its
// vertices, images, colours and sort keys. Band entries are copies with the
// sort keys cleared; two entries are equal when everything they would draw
// is equal (images by identity, floats bit for bit).
#include "graphics/ARGB8888.h"

#include <cstdint>

namespace tsukimi {

enum class TCellKind : int {
    Quad = 0,
    AlphaWipe = 1,
    CrossFade = 2,
    SoftWipe = 3,
    RuleMask = 4,
    MaskLevel = 5,
    MaskQuad = 6,
    MaskCrossFade = 7,
    MaskSoftWipe = 8,
    MaskRuleMask = 9,
    ResetTransform = 10,
    PushTransform = 11,
    PopTransform = 12,
};

// Vertices of a cell: X, Y in screen pixels, Z = 1000 on the screen plane,
// U, V in image pixels, U2, V2 in third-image pixels. A count below 3 is
// taken as 4.
struct TCellVertices
{
    int count = 4;
    float x[4] = {}, y[4] = {}, z[4] = {1000, 1000, 1000, 1000};
    float u[4] = {}, v[4] = {}, u2[4] = {}, v2[4] = {};
};

struct TCellRecord
{
    TCellKind kind = TCellKind::Quad;
    int blendMode = 0;
    int filter = 0;
    const TARGB8888* image = nullptr;
    const TARGB8888* third = nullptr;
    TCellVertices vertices;
    int cullMode = 0;
    int priority = 0;
    int depth = 0;
    int sequence = 0;
    int opacity = 255;
    uint32_t add = 0;
    uint32_t multiply = 0xFFFFFF;
    uint32_t serial = 0;
    int h = 0;
    int g = 0;
    int imageFrame = 0;
    int thirdFrame = 0;
    bool noCull = false;
};

// Compares kind .. g (sort keys included, so compare band entries).
bool SameCell(const TCellRecord& a, const TCellRecord& b);

// Rectangle corners top-left, top-right, bottom-right, bottom-left at Z 1000.
TCellVertices RectangleCell(float left, float top, float right, float bottom, float u0 = 0,
                            float v0 = 0, float u1 = 0, float v1 = 0);

} // namespace tsukimi
