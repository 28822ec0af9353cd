#pragma once
// Presents frames through an SDL renderer: one streaming texture of the
// frame size, copied with nearest scaling into the destination rectangle.
#include "platform/Presenter.h"

#include <SDL.h>

namespace tsukimi::platform {

class SdlWindow;

class SdlPresenter final : public Presenter
{
public:
    explicit SdlPresenter(SdlWindow& window);
    ~SdlPresenter() override;
    SdlPresenter(const SdlPresenter&) = delete;
    SdlPresenter& operator=(const SdlPresenter&) = delete;

    bool Ready() override { return renderer_ != nullptr; }
    bool Present(const FrameView& frame, const Rect& dest) override;
    void Clear() override;
    void SetVSync(bool on) override;

private:
    bool EnsureTexture(int width, int height);
    void DropTexture();

    SdlWindow& window_;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0, textureHeight_ = 0;
    int maxWidth_ = 0, maxHeight_ = 0; // 0: no limit reported
};

} // namespace tsukimi::platform
