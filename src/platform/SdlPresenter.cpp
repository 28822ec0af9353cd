#include "platform/SdlPresenter.h"

#include "platform/SdlWindow.h"

#include <algorithm>
#include <climits>
#include <string>

namespace tsukimi::platform {
namespace {

constexpr size_t kMaxModes = 511;

Uint32 SdlFormat(SurfaceFormat format)
{
    switch (format) {
    case SurfaceFormat::Rgb888: return SDL_PIXELFORMAT_RGB24;
    case SurfaceFormat::Rgb565: return SDL_PIXELFORMAT_RGB565;
    case SurfaceFormat::Rgb555: return SDL_PIXELFORMAT_RGB555;
    default: return SDL_PIXELFORMAT_RGB888; // XRGB8888: alpha is not uploaded
    }
}

// 24-bit textures upload bytes B, G, R in memory order.
bool RowsIn(const PresentRequest& request, int y, bool force)
{
    if (request.halfLine && (y & 1) != (request.lineParity & 1))
        return false;
    if (force)
        return true;
    const int band = y / std::max(request.bandHeight, 1);
    return request.bandRedraws && band < request.bandCount && request.bandRedraws[band] > 0;
}

bool AnyBand(const PresentRequest& request)
{
    for (int b = 0; b < request.bandCount; ++b)
        if (request.bandRedraws && request.bandRedraws[b] > 0)
            return true;
    return false;
}

} // namespace

SdlPresenter::SdlPresenter(SdlWindow& window) : window_(window)
{
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    CreateRenderer();
}

SdlPresenter::~SdlPresenter()
{
    DropRenderer();
}

void SdlPresenter::Fail(const char* what)
{
    if (Log)
        Log(std::string(what) + "(" + SDL_GetError() + ")");
}

void SdlPresenter::Note(const std::string& what)
{
    if (Log)
        Log(what);
}

bool SdlPresenter::CreateRenderer()
{
    renderer_ = SDL_CreateRenderer(window_.Handle(), -1, SDL_RENDERER_ACCELERATED);
    if (renderer_ == nullptr)
        renderer_ = SDL_CreateRenderer(window_.Handle(), -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) {
        Fail("DirectDrawオブジェクトが作成できません");
        return false;
    }
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer_, &info) == 0) {
        maxWidth_ = info.max_texture_width;
        maxHeight_ = info.max_texture_height;
    }
    SDL_RenderSetVSync(renderer_, vsync_ ? 1 : 0);
    forceNext_ = true;
    return true;
}

void SdlPresenter::DropRenderer()
{
    DropTexture();
    if (renderer_)
        SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
}

void SdlPresenter::DropTexture()
{
    if (texture_)
        SDL_DestroyTexture(texture_);
    texture_ = nullptr;
    textureWidth_ = textureHeight_ = 0;
}

bool SdlPresenter::EnsureTexture(int width, int height)
{
    if (window_.TakeRenderReset()) {
        // Lost textures come back empty: recreate and show everything.
        DropTexture();
        forceNext_ = true;
    }
    if (texture_ && width == textureWidth_ && height == textureHeight_)
        return true;
    DropTexture();
    forceNext_ = true;
    // Larger than the output can take: clip to the largest texture.
    width = maxWidth_ > 0 ? std::min(width, maxWidth_) : width;
    height = maxHeight_ > 0 ? std::min(height, maxHeight_) : height;
    texture_ = SDL_CreateTexture(renderer_, SdlFormat(format_), SDL_TEXTUREACCESS_STREAMING, width, height);
    if (texture_ == nullptr) {
        Fail("バックバッファの作成に失敗しました");
        return false;
    }
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
    textureWidth_ = width;
    textureHeight_ = height;
    return true;
}

bool SdlPresenter::Upload(const PresentRequest& request, bool force)
{
    const FrameView& frame = request.frame;
    // A texture smaller than the frame (clipped) is never overrun.
    const int width = std::min(frame.width, textureWidth_);
    const int height = std::min(frame.height, textureHeight_);
    const size_t pitch = static_cast<size_t>(width) * static_cast<size_t>(BytesPerPixel(format_));
    const bool direct = format_ == SurfaceFormat::Xrgb8888 && !request.halfLine;
    if (!direct)
        shadow_.resize(pitch * static_cast<size_t>(height));
    int y = 0;
    while (y < height) {
        if (!RowsIn(request, y, force) && !(request.halfLine && RowsIn(request, y ^ 1, force))) {
            ++y;
            continue;
        }
        int end = y + 1;
        while (end < height && (RowsIn(request, end, force) || (request.halfLine && RowsIn(request, end ^ 1, force))))
            ++end;
        const SDL_Rect rect{0, y, width, end - y};
        int result;
        if (direct) {
            // The texture ignores the alpha byte: the rows go up as they are.
            result = SDL_UpdateTexture(texture_, &rect, frame.pixels + static_cast<size_t>(y) * frame.stride,
                                       frame.stride * 4);
        } else {
            for (int row = y; row < end; ++row)
                if (RowsIn(request, row, force))
                    ConvertRow(format_, frame.pixels + static_cast<size_t>(row) * frame.stride,
                               shadow_.data() + static_cast<size_t>(row) * pitch, static_cast<size_t>(width));
            result = SDL_UpdateTexture(texture_, &rect, shadow_.data() + static_cast<size_t>(y) * pitch,
                                       static_cast<int>(pitch));
        }
        if (result != 0) {
            Fail("サーフェスのアンロックに失敗しました");
            return false;
        }
        y = end;
    }
    return true;
}

SDL_Rect SdlPresenter::OutputRect(const Rect& dest)
{
    int cw = 0, ch = 0, ow = 0, oh = 0;
    SDL_GetWindowSize(window_.Handle(), &cw, &ch);
    if (SDL_GetRendererOutputSize(renderer_, &ow, &oh) != 0 || cw <= 0 || ch <= 0 || (ow == cw && oh == ch))
        return SDL_Rect{dest.left, dest.top, dest.Width(), dest.Height()};
    const auto sx = [&](int v) { return static_cast<int>(static_cast<int64_t>(v) * ow / cw); };
    const auto sy = [&](int v) { return static_cast<int>(static_cast<int64_t>(v) * oh / ch); };
    return SDL_Rect{sx(dest.left), sy(dest.top), sx(dest.right) - sx(dest.left), sy(dest.bottom) - sy(dest.top)};
}

bool SdlPresenter::Present(const PresentRequest& request)
{
    const FrameView& frame = request.frame;
    if (frame.pixels == nullptr || frame.width <= 0 || frame.height <= 0 || frame.stride < frame.width)
        return false;
    if (windowSurface_)
        return PresentToWindowSurface(request);
    if (renderer_ == nullptr && !CreateRenderer())
        return false;
    if (!EnsureTexture(frame.width, frame.height))
        return false;
    const bool force = request.force || forceNext_;
    // Nothing changed and nothing forced: the window still shows the frame.
    if (!force && !AnyBand(request) && !capture_)
        return true;
    if (!Upload(request, force))
        return false;
    forceNext_ = false;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    const SDL_Rect target = OutputRect(request.dest);
    const SDL_Rect source{0, 0, textureWidth_, textureHeight_};
    bool copied = true;
    if (target.w > 0 && target.h > 0 && SDL_RenderCopy(renderer_, texture_, &source, &target) != 0) {
        Fail("画面への転送に失敗しました");
        copied = false;
    }
    if (capture_) {
        capture_ = false;
        const Size size = OutputSize();
        captured_.assign(static_cast<size_t>(size.width) * size.height, 0);
        capturedSize_ = size;
        if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGB888, captured_.data(), size.width * 4) != 0)
            captured_.clear();
    }
    SDL_RenderPresent(renderer_);
    return copied;
}

bool SdlPresenter::PresentToWindowSurface(const PresentRequest& request)
{
    SDL_Surface* surface = SDL_GetWindowSurface(window_.Handle());
    if (!surface) {
        Fail("プライマリ・サーフェスの作成に失敗しました");
        return false;
    }
    const FrameView& frame = request.frame;
    const Rect& dest = request.dest;
    const bool sameSize = dest.Width() == frame.width && dest.Height() == frame.height;
    int changed = 0;
    const int bands = std::max(request.bandCount, 0);
    for (int b = 0; b < bands; ++b)
        changed += request.bandRedraws && request.bandRedraws[b] > 0;
    const bool force = request.force || forceNext_;
    if (!force && changed == 0)
        return true;
    if (SDL_MUSTLOCK(surface))
        SDL_LockSurface(surface);
    std::vector<SDL_Rect> rects;
    if (force)
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    const bool all = force || !sameSize || changed * 2 >= bands;
    const SDL_Rect target{dest.left, dest.top, dest.Width(), dest.Height()};
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(frame.pixels), frame.width,
                                                             frame.height, 32, frame.stride * 4,
                                                             SDL_PIXELFORMAT_RGB888);
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
    if (!source) {
        Fail("バックバッファの作成に失敗しました");
        return false;
    }
    if (all) {
        SDL_Rect to = target;
        if (sameSize)
            SDL_BlitSurface(source, nullptr, surface, &to);
        else
            SDL_BlitScaled(source, nullptr, surface, &to);
        rects.push_back(force ? SDL_Rect{0, 0, surface->w, surface->h} : target);
    } else {
        const int bandHeight = std::max(request.bandHeight, 1);
        for (int b = 0; b < bands; ++b) {
            if (!request.bandRedraws[b])
                continue;
            SDL_Rect from{0, b * bandHeight, frame.width, std::min(bandHeight, frame.height - b * bandHeight)};
            SDL_Rect to{dest.left, dest.top + from.y, from.w, from.h};
            SDL_BlitSurface(source, &from, surface, &to);
            rects.push_back(to);
        }
    }
    SDL_FreeSurface(source);
    forceNext_ = false;
    return SDL_UpdateWindowSurfaceRects(window_.Handle(), rects.data(), static_cast<int>(rects.size())) == 0;
}

void SdlPresenter::Clear()
{
    if (windowSurface_) {
        if (SDL_Surface* surface = SDL_GetWindowSurface(window_.Handle())) {
            SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
            SDL_UpdateWindowSurface(window_.Handle());
        }
        return;
    }
    if (renderer_ == nullptr)
        return;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
}

void SdlPresenter::SetVSync(bool on)
{
    vsync_ = on;
    if (renderer_)
        SDL_RenderSetVSync(renderer_, on ? 1 : 0);
}

std::vector<DisplayMode> SdlPresenter::Modes()
{
    std::vector<DisplayMode> modes;
    const int display = std::max(SDL_GetWindowDisplayIndex(window_.Handle()), 0);
    const int count = SDL_GetNumDisplayModes(display);
    auto add = [&](DisplayMode mode) {
        if (modes.size() < kMaxModes && std::find(modes.begin(), modes.end(), mode) == modes.end())
            modes.push_back(mode);
    };
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode{};
        if (SDL_GetDisplayMode(display, i, &mode) != 0)
            continue;
        // The 16-, 15- and 24-bit surfaces are emulated with textures of
        // that format, so every size offers every depth.
        for (int depth : {32, 24, 16, 15})
            add({mode.w, mode.h, depth, mode.refresh_rate});
    }
    return modes;
}

bool SdlPresenter::EnterWindowed(int width, int height)
{
    Note("スクリーンモード" + std::to_string(width) + " x " + std::to_string(height) + " x 32 として初期化を開始します");
    Note("ウィンドウモードで初期化を開始します");
    SDL_SetWindowFullscreen(window_.Handle(), 0);
    SDL_SetWindowBordered(window_.Handle(), SDL_TRUE);
    SDL_SetWindowSize(window_.Handle(), width, height);
    if (format_ != SurfaceFormat::Xrgb8888) {
        format_ = SurfaceFormat::Xrgb8888;
        DropTexture();
    }
    forceNext_ = true;
    return true;
}

bool SdlPresenter::EnterFullScreen(int width, int height, int depth)
{
    Note("スクリーンモード" + std::to_string(width) + " x " + std::to_string(height) + " x " + std::to_string(depth) +
         " として初期化を開始します");
    Note("フルスクリーンで初期化を開始します");
    if (!HasMode(width, height, 0, depth))
        return false;
    SDL_DisplayMode wanted{}, closest{};
    wanted.w = width;
    wanted.h = height;
    const int display = std::max(SDL_GetWindowDisplayIndex(window_.Handle()), 0);
    if (!SDL_GetClosestDisplayMode(display, &wanted, &closest) || SDL_SetWindowDisplayMode(window_.Handle(), &closest) != 0 ||
        SDL_SetWindowFullscreen(window_.Handle(), SDL_WINDOW_FULLSCREEN) != 0) {
        Fail(("画面モード" + std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth) + "の初期化に失敗しました").c_str());
        return false;
    }
    format_ = FormatForDepth(depth);
    DropTexture();
    forceNext_ = true;
    return true;
}

bool SdlPresenter::EnterDesktopFullScreen()
{
    if (SDL_SetWindowFullscreen(window_.Handle(), SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        Fail("フルスクリーンでの初期化に失敗しました");
        return false;
    }
    format_ = SurfaceFormat::Xrgb8888;
    DropTexture();
    forceNext_ = true;
    return true;
}

void SdlPresenter::SetAlwaysOnTop(bool on)
{
    SDL_SetWindowAlwaysOnTop(window_.Handle(), on ? SDL_TRUE : SDL_FALSE);
}

void SdlPresenter::SetWindowSurfaceMode(bool on)
{
    if (on == windowSurface_)
        return;
    // The window's surface and a renderer cannot share one window.
    windowSurface_ = on;
    if (on)
        DropRenderer();
    else
        CreateRenderer();
    forceNext_ = true;
}

Size SdlPresenter::OutputSize()
{
    int w = 0, h = 0;
    if (renderer_ && SDL_GetRendererOutputSize(renderer_, &w, &h) == 0)
        return {w, h};
    SDL_GetWindowSize(window_.Handle(), &w, &h);
    return {w, h};
}

} // namespace tsukimi::platform
