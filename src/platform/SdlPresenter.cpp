#include "platform/SdlPresenter.h"

#include "platform/SdlWindow.h"

#include <climits>

namespace tsukimi::platform {

SdlPresenter::SdlPresenter(SdlWindow& window) : window_(window)
{
    renderer_ = SDL_CreateRenderer(window.Handle(), -1, SDL_RENDERER_ACCELERATED);
    if (renderer_ == nullptr)
        renderer_ = SDL_CreateRenderer(window.Handle(), -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) return;
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer_, &info) == 0) {
        maxWidth_ = info.max_texture_width;
        maxHeight_ = info.max_texture_height;
    }
}

SdlPresenter::~SdlPresenter()
{
    DropTexture();
    if (renderer_) SDL_DestroyRenderer(renderer_);
}

void SdlPresenter::DropTexture()
{
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = nullptr;
    textureWidth_ = textureHeight_ = 0;
}

bool SdlPresenter::EnsureTexture(int width, int height)
{
    if (window_.TakeRenderReset()) DropTexture();
    if (texture_ && width == textureWidth_ && height == textureHeight_) return true;
    DropTexture();
    if ((maxWidth_ > 0 && width > maxWidth_) || (maxHeight_ > 0 && height > maxHeight_))
        return false;
    // 0xAARRGGBB words: ARGB8888 in SDL's packed, native-endian naming.
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                 width, height);
    if (texture_ == nullptr) return false;
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
    textureWidth_ = width;
    textureHeight_ = height;
    return true;
}

bool SdlPresenter::Present(const FrameView& frame, const Rect& dest)
{
    if (renderer_ == nullptr || frame.pixels == nullptr || frame.width <= 0 || frame.height <= 0 ||
        frame.stride < frame.width)
        return false;
    if (!EnsureTexture(frame.width, frame.height)) return false;
    if (SDL_UpdateTexture(texture_, nullptr, frame.pixels,
                          frame.stride * static_cast<int>(sizeof(uint32_t))) != 0)
        return false;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    const SDL_Rect target{dest.left, dest.top, dest.Width(), dest.Height()};
    const bool copied = target.w <= 0 || target.h <= 0 ||
                        SDL_RenderCopy(renderer_, texture_, nullptr, &target) == 0;
    SDL_RenderPresent(renderer_);
    return copied;
}

void SdlPresenter::Clear()
{
    if (renderer_ == nullptr) return;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
}

void SdlPresenter::SetVSync(bool on)
{
    if (renderer_) SDL_RenderSetVSync(renderer_, on ? 1 : 0);
}

} // namespace tsukimi::platform
