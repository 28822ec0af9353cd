#include "platform/Presenter.h"

#include <algorithm>
#include <cstring>

namespace tsukimi::platform {

bool Presenter::HasMode(int width, int height, int refresh, int depth)
{
    for (const auto& mode : Modes())
        if ((width == 0 || mode.width == width) && (height == 0 || mode.height == height) &&
            (refresh == 0 || mode.refresh == refresh) && (depth == 0 || mode.depth == depth))
            return true;
    return false;
}

SurfaceFormat FormatForDepth(int depth)
{
    switch (depth) {
    case 24: return SurfaceFormat::Rgb888;
    case 16: return SurfaceFormat::Rgb565;
    case 15: return SurfaceFormat::Rgb555;
    default: return SurfaceFormat::Xrgb8888;
    }
}

bool HeadlessPresenter::Present(const PresentRequest& request)
{
    const FrameView& frame = request.frame;
    if (!frame.pixels || frame.width <= 0 || frame.height <= 0 || frame.stride < frame.width)
        return false;
    bool force = request.force;
    if (frame.width != width_ || frame.height != height_) {
        width_ = frame.width;
        height_ = frame.height;
        pitch_ = (width_ + PitchPadding) * BytesPerPixel(format_);
        surface_.assign(static_cast<size_t>(pitch_) * height_, 0);
        force = true;
    }
    rowsConverted_ = 0;
    for (int y = 0; y < height_; ++y) {
        if (!force) {
            const int band = y / std::max(request.bandHeight, 1);
            if (!request.bandRedraws || band >= request.bandCount || request.bandRedraws[band] == 0)
                continue;
        }
        if (request.halfLine && (y & 1) != (request.lineParity & 1))
            continue;
        ConvertRow(format_, frame.pixels + static_cast<size_t>(y) * frame.stride,
                   surface_.data() + static_cast<size_t>(y) * pitch_, static_cast<size_t>(width_));
        ++rowsConverted_;
    }
    dest_ = request.dest;
    ++presents_;
    if (request.force)
        ++forced_;
    return true;
}

std::vector<uint32_t> HeadlessPresenter::Pixels() const
{
    std::vector<uint32_t> out(static_cast<size_t>(width_) * height_);
    for (int y = 0; y < height_; ++y) {
        const uint8_t* row = surface_.data() + static_cast<size_t>(y) * pitch_;
        for (int x = 0; x < width_; ++x) {
            uint32_t p = 0;
            switch (format_) {
            case SurfaceFormat::Xrgb8888: std::memcpy(&p, row + 4 * x, 4); break;
            case SurfaceFormat::Rgb888:
                p = 0xFF000000u | uint32_t{row[3 * x + 2]} << 16 | uint32_t{row[3 * x + 1]} << 8 | row[3 * x];
                break;
            case SurfaceFormat::Rgb565: {
                const uint32_t v = uint32_t{row[2 * x]} | uint32_t{row[2 * x + 1]} << 8;
                p = 0xFF000000u | ((v >> 11) & 0x1F) << 19 | ((v >> 5) & 0x3F) << 10 | (v & 0x1F) << 3;
                break;
            }
            case SurfaceFormat::Rgb555: {
                const uint32_t v = uint32_t{row[2 * x]} | uint32_t{row[2 * x + 1]} << 8;
                p = 0xFF000000u | ((v >> 10) & 0x1F) << 19 | ((v >> 5) & 0x1F) << 11 | (v & 0x1F) << 3;
                break;
            }
            }
            out[static_cast<size_t>(y) * width_ + x] = p;
        }
    }
    return out;
}

bool HeadlessPresenter::EnterWindowed(int width, int height)
{
    fullScreen_ = desktopFullScreen_ = false;
    format_ = SurfaceFormat::Xrgb8888;
    output_ = {width, height};
    width_ = height_ = 0; // the next present rebuilds the surface
    return true;
}

bool HeadlessPresenter::EnterFullScreen(int width, int height, int depth)
{
    if (!HasMode(width, height, 0, depth))
        return false;
    fullScreen_ = true;
    desktopFullScreen_ = false;
    format_ = FormatForDepth(depth);
    output_ = {width, height};
    width_ = height_ = 0;
    return true;
}

bool HeadlessPresenter::EnterDesktopFullScreen()
{
    fullScreen_ = false;
    desktopFullScreen_ = true;
    format_ = SurfaceFormat::Xrgb8888;
    width_ = height_ = 0;
    return true;
}

} // namespace tsukimi::platform
