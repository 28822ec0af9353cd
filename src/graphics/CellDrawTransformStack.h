#pragma once
// The transform stack of the cell drawer: nested translations, scales,
// rotations and colour / opacity modulations applied to recorded cells
// while a frame is composed. Entry 0 is the identity; the stack is empty
// (depth 0) until something is pushed.
#include "graphics/CellDrawRecord.h"

#include <array>
#include <cstdint>

namespace tsukimi {

struct TCellTransform
{
    float translateX = 0, translateY = 0, translateZ = 0;
    float scaleX = 1, scaleY = 1, scaleZ = 1;
    float rotation = 0; // turns
    int opacity = 255;
    uint32_t add = 0;
    uint32_t multiply = 0xFFFFFF;
    int blendMode = 1; // 1 = keep the cell's
    int filter = 0;    // 0 = keep the cell's
};

class TCellDrawTransformStack
{
public:
    static constexpr int Capacity = 64;

    TCellDrawTransformStack();

    int Depth() const { return depth_; }
    const TCellTransform& Top() const { return entries_[static_cast<size_t>(depth_)]; }
    void SetScreenSize(int width, int height);
    int ScreenWidth() const { return width_; }
    int ScreenHeight() const { return height_; }

    // Depth 0, entry 0 the identity.
    void Reset();
    // Combines `pushed` with the top entry. At depth 63 the push is only
    // counted, so that its matching Pop does not drop an outer entry.
    void Push(const TCellTransform& pushed);
    // Undoes the last Push; nothing at depth 0.
    void Pop();
    // Applies the top entry to the cell (nothing at depth 0).
    void Apply(TCellRecord& record);

private:
    std::array<TCellTransform, Capacity> entries_{};
    int depth_ = 0;
    int overflow_ = 0; // pushes refused at full depth
    int width_ = 640, height_ = 480;
    float cachedRotation_ = 0;
    double cachedSin_ = 0, cachedCos_ = 1;
};

// Per channel min(255, a + b) and (a * b) div 255 of 24-bit colours.
uint32_t AddColours(uint32_t a, uint32_t b);
uint32_t MultiplyColours(uint32_t a, uint32_t b);

} // namespace tsukimi
