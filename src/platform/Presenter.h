#pragma once
// Shows 32-bit frames in the main window's client area.
#include "platform/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tsukimi::platform {

class Presenter
{
public:
    virtual ~Presenter() = default;
    // False until the output can take frames (and while it is lost).
    virtual bool Ready() = 0;
    // Copies `frame` to `dest` (client pixels), scaling when the sizes differ.
    virtual bool Present(const FrameView& frame, const Rect& dest) = 0;
    // Fills the client area with black (the window before the engine exists).
    virtual void Clear() = 0;
    virtual void SetVSync(bool on) = 0;
};

// Keeps the last frame in memory.
class HeadlessPresenter final : public Presenter
{
public:
    bool Ready() override { return true; }
    bool Present(const FrameView& frame, const Rect& dest) override
    {
        width_ = frame.width;
        height_ = frame.height;
        dest_ = dest;
        pixels_.resize(static_cast<size_t>(frame.width) * frame.height);
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x)
                pixels_[static_cast<size_t>(y) * frame.width + x] =
                    frame.pixels[static_cast<size_t>(y) * frame.stride + x];
        ++presents_;
        return true;
    }
    void Clear() override { ++clears_; }
    void SetVSync(bool on) override { vsync_ = on; }

    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::vector<uint32_t>& Pixels() const { return pixels_; }
    Rect Destination() const { return dest_; }
    int PresentCount() const { return presents_; }
    int ClearCount() const { return clears_; }
    bool VSync() const { return vsync_; }

private:
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
    Rect dest_;
    int presents_ = 0, clears_ = 0;
    bool vsync_ = false;
};

} // namespace tsukimi::platform
