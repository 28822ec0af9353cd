#include "shell/DirectXPack.h"

#include "platform/Presenter.h"
#include "platform/Window.h"
#include "shell/SystemData.h"

#include <algorithm>

namespace tsukimi {

TDirectXPack::TDirectXPack(platform::Window& window, platform::Presenter& presenter,
                           TSystemData& settings)
    : window_(window), presenter_(presenter), settings_(settings)
{
    UpdateGameRect();
}

bool TDirectXPack::ApplyScreenMode()
{
    ready_ = false;
    if (beforeSwitch_)
        beforeSwitch_();
    auto& game = settings_.Game;
    NormaliseScreenSize(game);
    // Full screen arrives with the display modes; until then every switch
    // ends windowed, and the settings record the window mode.
    settings_.User.FullScreen = 0;
    window_.SetClientSize(game.ScreenWidth, game.ScreenHeight);
    ready_ = true;
    presenter_.Clear();
    UpdateGameRect();
    if (afterSwitch_)
        afterSwitch_();
    return true;
}

void TDirectXPack::NormaliseScreenSize(TGameDefinition& game)
{
    // A size of 0 or below is as unusable as one above 4096.
    if (game.ScreenWidth <= 0 || game.ScreenWidth > 4096)
        game.ScreenWidth = 800;
    if (game.ScreenHeight <= 0 || game.ScreenHeight > 4096)
        game.ScreenHeight = 600;
}

bool TDirectXPack::ToggleFullScreen()
{
    settings_.User.FullScreen = 1 - (settings_.User.FullScreen != 0 ? 1 : 0);
    return ApplyScreenMode();
}

void TDirectXPack::UpdateGameRect()
{
    const int w = std::max(settings_.Game.ScreenWidth, 1);
    const int h = std::max(settings_.Game.ScreenHeight, 1);
    const platform::Size client = window_.ClientSize();
    int dw = w, dh = h;
    if (settings_.User.AspectStretchBlt != 0 || settings_.User.FullScreenDispMode != 0) {
        const double s = std::min(static_cast<double>(client.width) / w,
                                  static_cast<double>(client.height) / h);
        dw = std::min(static_cast<int>(w * s + 0.5), client.width);
        dh = std::min(static_cast<int>(h * s + 0.5), client.height);
    }
    rect_.left = (client.width - dw) / 2;
    rect_.top = (client.height - dh) / 2;
    rect_.right = rect_.left + dw;
    rect_.bottom = rect_.top + dh;
    scaleX_ = static_cast<float>(dw) / static_cast<float>(w);
    scaleY_ = static_cast<float>(dh) / static_cast<float>(h);
}

TPoint TDirectXPack::WindowToGame(int x, int y) const
{
    x = std::clamp(x, rect_.left, std::max(rect_.left, rect_.right));
    y = std::clamp(y, rect_.top, std::max(rect_.top, rect_.bottom));
    const float sx = scaleX_ > 0 ? scaleX_ : 1.0f;
    const float sy = scaleY_ > 0 ? scaleY_ : 1.0f;
    return {static_cast<int>((x - rect_.left) / sx + 0.5f), static_cast<int>((y - rect_.top) / sy + 0.5f)};
}

TPoint TDirectXPack::GameToWindow(int x, int y) const
{
    int wx = static_cast<int>(x * scaleX_ + rect_.left + 0.5f);
    int wy = static_cast<int>(y * scaleY_ + rect_.top + 0.5f);
    wx = std::clamp(wx, rect_.left, std::max(rect_.left, rect_.right));
    wy = std::clamp(wy, rect_.top, std::max(rect_.top, rect_.bottom));
    return {wx, wy};
}

} // namespace tsukimi
