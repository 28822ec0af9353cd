#pragma once
#include <cstdint>

namespace tsukimi::platform {

struct Size
{
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// Half-open rectangle [left, right) x [top, bottom).
struct Rect
{
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// A 32-bit image owned by someone else: pixels 0xAARRGGBB, `stride` in pixels.
struct FrameView
{
    const uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

} // namespace tsukimi::platform
