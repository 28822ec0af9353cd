#pragma once
// Presents frames through an SDL renderer: one streaming texture of the
// frame size in the surface format, updated band by band and copied with
// nearest scaling into the destination rectangle, black around it. With the
// window-surface mode the window's own surface takes the rows instead.
#include "platform/Presenter.h"

#include <SDL.h>
#include <string>
#include <vector>

namespace tsukimi::platform {

class SdlWindow;

class SdlPresenter final : public Presenter
{
public:
    explicit SdlPresenter(SdlWindow& window);
    ~SdlPresenter() override;
    SdlPresenter(const SdlPresenter&) = delete;
    SdlPresenter& operator=(const SdlPresenter&) = delete;

    using Presenter::Present;
    bool Ready() override { return renderer_ != nullptr || windowSurface_; }
    bool Present(const PresentRequest& request) override;
    void Clear() override;
    void SetVSync(bool on) override;
    bool Restore() override { return Ready() || CreateRenderer(); }
    std::vector<DisplayMode> Modes() override;
    bool EnterWindowed(int width, int height) override;
    bool EnterFullScreen(int width, int height, int depth) override;
    bool EnterDesktopFullScreen() override;
    void SetAlwaysOnTop(bool on) override;
    void SetWindowSurfaceMode(bool on) override;
    Size OutputSize() override;
    SurfaceFormat Format() const override { return format_; }
    // Reads the output back during the next present (XRGB8888 pixels of the
    // whole output), for checks of what reached the window.
    void CaptureNextPresent() { capture_ = true; }
    const std::vector<uint32_t>& Captured() const { return captured_; }
    Size CapturedSize() const { return capturedSize_; }

private:
    bool CreateRenderer();
    void DropRenderer();
    bool EnsureTexture(int width, int height);
    void DropTexture();
    bool Upload(const PresentRequest& request, bool force);
    bool PresentToWindowSurface(const PresentRequest& request);
    // The destination in output pixels (client pixels scaled on HiDPI).
    SDL_Rect OutputRect(const Rect& dest);
    void Fail(const char* what);
    void Note(const std::string& what);

    SdlWindow& window_;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0, textureHeight_ = 0;
    int maxWidth_ = 0, maxHeight_ = 0; // 0: no limit reported
    SurfaceFormat format_ = SurfaceFormat::Xrgb8888;
    bool vsync_ = false;
    bool windowSurface_ = false;
    bool forceNext_ = true;
    std::vector<uint8_t> shadow_; // converted rows for the non-32-bit formats
    bool capture_ = false;
    std::vector<uint32_t> captured_;
    Size capturedSize_;
};

} // namespace tsukimi::platform
