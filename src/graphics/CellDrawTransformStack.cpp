#include "graphics/CellDrawTransformStack.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tsukimi {

uint32_t AddColours(uint32_t a, uint32_t b)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t sum = ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF);
        out |= std::min<uint32_t>(sum, 255) << shift;
    }
    return out;
}

uint32_t MultiplyColours(uint32_t a, uint32_t b)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
        out |= (((a >> shift) & 0xFF) * ((b >> shift) & 0xFF) / 255) << shift;
    return out;
}

TCellDrawTransformStack::TCellDrawTransformStack()
{
    Reset();
}

void TCellDrawTransformStack::SetScreenSize(int width, int height)
{
    width_ = width;
    height_ = height;
}

void TCellDrawTransformStack::Reset()
{
    depth_ = 0;
    overflow_ = 0;
    entries_[0] = TCellTransform{};
}

void TCellDrawTransformStack::Push(const TCellTransform& p)
{
    if (depth_ >= Capacity - 1) {
        ++overflow_;
        return;
    }
    const TCellTransform& t = Top();
    TCellTransform n;
    n.translateX = t.translateX + p.translateX;
    n.translateY = t.translateY + p.translateY;
    n.translateZ = t.translateZ + p.translateZ;
    n.scaleX = t.scaleX * p.scaleX;
    n.scaleY = t.scaleY * p.scaleY;
    n.scaleZ = t.scaleZ * p.scaleZ;
    n.rotation = t.rotation + p.rotation;
    n.add = AddColours(t.add, p.add);
    n.multiply = MultiplyColours(t.multiply, p.multiply);
    n.opacity = std::clamp(t.opacity, 0, 255) * std::clamp(p.opacity, 0, 255) / 255;
    n.blendMode = p.blendMode != 1 ? p.blendMode : t.blendMode;
    n.filter = p.filter != 0 ? p.filter : t.filter;
    entries_[static_cast<size_t>(++depth_)] = n;
}

void TCellDrawTransformStack::Pop()
{
    if (overflow_ > 0)
        --overflow_;
    else if (depth_ > 0)
        --depth_;
}

void TCellDrawTransformStack::Apply(TCellRecord& record)
{
    if (depth_ < 1) return;
    const TCellTransform& e = Top();
    TCellVertices& v = record.vertices;
    const double cx = width_ / 2.0, cy = height_ / 2.0;
    for (int i = 0; i < 4; ++i) {
        v.x[i] += e.translateX;
        v.y[i] += e.translateY;
        v.z[i] += e.translateZ;
    }
    if (e.rotation != 0) {
        if (e.rotation != cachedRotation_) {
            const double a = 2 * std::numbers::pi * static_cast<double>(e.rotation);
            cachedSin_ = std::sin(a);
            cachedCos_ = std::cos(a);
            cachedRotation_ = e.rotation;
        }
        for (int i = 0; i < 4; ++i) {
            const double dx = v.x[i] - cx, dy = v.y[i] - cy;
            v.x[i] = static_cast<float>(cx + cachedCos_ * dx + cachedSin_ * dy);
            v.y[i] = static_cast<float>(cy - cachedSin_ * dx + cachedCos_ * dy);
        }
    }
    if (e.scaleX != 1 || e.scaleY != 1 || e.scaleZ != 1) {
        for (int i = 0; i < 4; ++i) {
            v.x[i] = static_cast<float>(cx + (v.x[i] - cx) * e.scaleX);
            v.y[i] = static_cast<float>(cy + (v.y[i] - cy) * e.scaleY);
        }
    }
    record.add = AddColours(record.add, e.add);
    record.multiply = MultiplyColours(record.multiply, e.multiply);
    record.opacity = std::clamp(record.opacity, 0, 255) * e.opacity / 255;
    if (e.blendMode != 1) record.blendMode = e.blendMode;
    if (e.filter != 0) record.filter = e.filter;
}

} // namespace tsukimi
