#pragma once
// Shows 32-bit frames in the main window's client area: the display modes,
// full screen, and the per-band upload of changed rows.
#include "platform/Geometry.h"
#include "platform/PixelConvert.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tsukimi::platform {

struct DisplayMode
{
    int width = 0, height = 0, depth = 0, refresh = 0;
    bool operator==(const DisplayMode&) const = default;
};

// One frame to show. Without `force`, only the bands (rows b * bandHeight
// .. b * bandHeight + bandHeight - 1) whose redraw count is above 0 are
// converted and uploaded; the whole output is shown either way.
struct PresentRequest
{
    FrameView frame;
    Rect dest;
    bool force = true;
    const uint8_t* bandRedraws = nullptr;
    int bandCount = 0;
    int bandHeight = 100;
    // Half-line mode: rows whose parity differs from `lineParity` are left.
    bool halfLine = false;
    int lineParity = 0;
};

class Presenter
{
public:
    virtual ~Presenter() = default;
    // False until the output can take frames (and while it is lost).
    virtual bool Ready() = 0;
    virtual bool Present(const PresentRequest& request) = 0;
    // Copies the whole of `frame` to `dest` (client pixels), scaling when
    // the sizes differ.
    bool Present(const FrameView& frame, const Rect& dest)
    {
        PresentRequest request;
        request.frame = frame;
        request.dest = dest;
        return Present(request);
    }
    // Fills the client area with black (the window before the engine exists).
    virtual void Clear() = 0;
    virtual void SetVSync(bool on) = 0;
    // Tries to bring a lost output back; true when it is ready again.
    virtual bool Restore() { return Ready(); }

    // The display modes (at most 511), each size at each depth it offers.
    virtual std::vector<DisplayMode> Modes() { return {}; }
    // Some mode matches every argument that is not 0.
    bool HasMode(int width, int height, int refresh, int depth);
    // A window with a client area of that size.
    virtual bool EnterWindowed(int width, int height)
    {
        (void)width;
        (void)height;
        return true;
    }
    // Exclusive full screen in that mode; the depth picks the surface format.
    virtual bool EnterFullScreen(int width, int height, int depth)
    {
        (void)width;
        (void)height;
        (void)depth;
        return false;
    }
    // Full screen as a borderless window over the desktop.
    virtual bool EnterDesktopFullScreen() { return false; }
    virtual void SetAlwaysOnTop(bool on) { (void)on; }
    // Present through the window's own surface instead of the renderer.
    virtual void SetWindowSurfaceMode(bool on) { (void)on; }
    // The output's size in pixels (larger than the client size on scaled
    // desktops).
    virtual Size OutputSize() { return {}; }
    virtual SurfaceFormat Format() const { return SurfaceFormat::Xrgb8888; }

    // Receives the display's log lines.
    std::function<void(const std::string&)> Log;
};

// Keeps the last frame in memory, in the surface format with a padded
// pitch, and records what was asked of it.
class HeadlessPresenter final : public Presenter
{
public:
    static constexpr int PitchPadding = 16;

    using Presenter::Present;
    bool Ready() override { return true; }
    bool Present(const PresentRequest& request) override;
    void Clear() override { ++clears_; }
    void SetVSync(bool on) override { vsyncRequests_.push_back(on); }
    std::vector<DisplayMode> Modes() override { return modes_; }
    bool EnterWindowed(int width, int height) override;
    bool EnterFullScreen(int width, int height, int depth) override;
    bool EnterDesktopFullScreen() override;
    void SetAlwaysOnTop(bool on) override { onTop_ = on; }
    void SetWindowSurfaceMode(bool on) override { windowSurface_ = on; }
    Size OutputSize() override { return output_; }
    SurfaceFormat Format() const override { return format_; }

    void SetModes(std::vector<DisplayMode> modes) { modes_ = std::move(modes); }
    void SetOutputSize(Size size) { output_ = size; }

    int Width() const { return width_; }
    int Height() const { return height_; }
    // The presented image as 0xAARRGGBB (converted back from the surface).
    std::vector<uint32_t> Pixels() const;
    const std::vector<uint8_t>& Surface() const { return surface_; }
    int Pitch() const { return pitch_; }
    Rect Destination() const { return dest_; }
    int PresentCount() const { return presents_; }
    int ForcedCount() const { return forced_; }
    // Rows converted by the last present.
    int RowsConverted() const { return rowsConverted_; }
    int ClearCount() const { return clears_; }
    bool VSync() const { return !vsyncRequests_.empty() && vsyncRequests_.back(); }
    const std::vector<bool>& VSyncRequests() const { return vsyncRequests_; }
    bool FullScreen() const { return fullScreen_; }
    bool DesktopFullScreen() const { return desktopFullScreen_; }
    bool OnTop() const { return onTop_; }
    bool WindowSurface() const { return windowSurface_; }

private:
    int width_ = 0, height_ = 0, pitch_ = 0;
    std::vector<uint8_t> surface_;
    SurfaceFormat format_ = SurfaceFormat::Xrgb8888;
    Rect dest_;
    Size output_;
    int presents_ = 0, forced_ = 0, clears_ = 0, rowsConverted_ = 0;
    std::vector<bool> vsyncRequests_;
    std::vector<DisplayMode> modes_;
    bool fullScreen_ = false, desktopFullScreen_ = false, onTop_ = false, windowSurface_ = false;
};

// The depth of a mode as a surface format (15 and 16 are 555 and 565).
SurfaceFormat FormatForDepth(int depth);

} // namespace tsukimi::platform
