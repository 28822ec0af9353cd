#include "graphics/CellDrawRecord.h"

#include <cstring>

namespace tsukimi {
namespace {

bool SameFloats(const float (&a)[4], const float (&b)[4])
{
    return std::memcmp(a, b, sizeof a) == 0;
}

bool SameVertices(const TCellVertices& a, const TCellVertices& b)
{
    return a.count == b.count && SameFloats(a.x, b.x) && SameFloats(a.y, b.y) &&
           SameFloats(a.z, b.z) && SameFloats(a.u, b.u) && SameFloats(a.v, b.v) &&
           SameFloats(a.u2, b.u2) && SameFloats(a.v2, b.v2);
}

} // namespace

bool SameCell(const TCellRecord& a, const TCellRecord& b)
{
    return a.kind == b.kind && a.blendMode == b.blendMode && a.filter == b.filter &&
           a.image == b.image && a.third == b.third && SameVertices(a.vertices, b.vertices) &&
           a.cullMode == b.cullMode && a.priority == b.priority && a.depth == b.depth &&
           a.sequence == b.sequence && a.opacity == b.opacity && a.add == b.add &&
           a.multiply == b.multiply && a.serial == b.serial && a.h == b.h && a.g == b.g;
}

TCellVertices RectangleCell(float left, float top, float right, float bottom, float u0, float v0,
                            float u1, float v1)
{
    TCellVertices c;
    const float xs[4] = {left, right, right, left}, ys[4] = {top, top, bottom, bottom};
    const float us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
    for (int i = 0; i < 4; ++i) {
        c.x[i] = xs[i];
        c.y[i] = ys[i];
        c.u[i] = us[i];
        c.v[i] = vs[i];
    }
    return c;
}

} // namespace tsukimi
