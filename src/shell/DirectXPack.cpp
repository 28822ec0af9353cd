#include "shell/DirectXPack.h"

#include "platform/Window.h"
#include "shell/MessageTable.h"
#include "shell/SystemData.h"
#include "shell/SystemDialogs.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tsukimi {
namespace {

int RatioKey(int width, int height)
{
    if (height == 0)
        return 100 * 320 / 240;
    return static_cast<int>(100LL * width / height);
}

std::optional<platform::DisplayMode> SmallestWithRatio(const std::vector<platform::DisplayMode>& modes, int key,
                                                       int gameWidth, int gameHeight)
{
    std::optional<platform::DisplayMode> best;
    for (const auto& mode : modes) {
        if (mode.height <= 0 || RatioKey(mode.width, mode.height) != key)
            continue;
        if (mode.width < gameWidth || mode.height < gameHeight)
            continue;
        if (!best || int64_t{mode.width} * mode.height < int64_t{best->width} * best->height)
            best = mode;
    }
    return best;
}

bool Has(const std::vector<platform::DisplayMode>& modes, int w, int h, int depth)
{
    return std::any_of(modes.begin(), modes.end(),
                       [&](const auto& m) { return m.width == w && m.height == h && m.depth == depth; });
}

} // namespace

TModeChoice ChooseFullScreenMode(const std::vector<platform::DisplayMode>& modes, platform::Size desktop,
                                 int gameWidth, int gameHeight, const TUserSettings& user)
{
    TModeChoice choice;
    platform::DisplayMode mode;
    if (user.NoChangeSizeFullScreenMode == 1) {
        if (desktop.width < gameWidth || desktop.height < gameHeight) {
            choice.Error = "FullScreenSmallSizeError";
            return choice;
        }
        mode.width = desktop.width;
        mode.height = desktop.height;
    } else {
        std::optional<platform::DisplayMode> found;
        if (user.ManualAspectMode == 0)
            found = SmallestWithRatio(modes, RatioKey(desktop.width, desktop.height), gameWidth, gameHeight);
        if (!found)
            found = SmallestWithRatio(modes, RatioKey(user.AspectWidth, user.AspectHeight), gameWidth, gameHeight);
        if (!found) {
            choice.Error = "FullScreenError";
            return choice;
        }
        mode.width = found->width;
        mode.height = found->height;
    }
    const int first = user.ColorMode == 1 ? 32 : 16;
    const int second = user.ColorMode == 1 ? 24 : 15;
    if (Has(modes, mode.width, mode.height, first))
        mode.depth = first;
    else if (Has(modes, mode.width, mode.height, second))
        mode.depth = second;
    else {
        choice.Error = "FullScreenError";
        return choice;
    }
    choice.Mode = mode;
    return choice;
}

TDirectXPack::TDirectXPack(platform::Window& window, platform::Presenter& presenter, TSystemData& settings,
                           TSystemDialogs* dialogs, const TMessageTable* messages)
    : window_(window), presenter_(presenter), settings_(settings), dialogs_(dialogs), messages_(messages)
{
    UpdateGameRect();
}

void TDirectXPack::SetDesktopSize(platform::Size size)
{
    if (size.width >= 320 && size.height >= 240)
        desktop_ = size;
}

void TDirectXPack::NormaliseScreenSize(TGameDefinition& game)
{
    // A size of 0 or below is as unusable as one above 4096.
    if (game.ScreenWidth <= 0 || game.ScreenWidth > 4096)
        game.ScreenWidth = 800;
    if (game.ScreenHeight <= 0 || game.ScreenHeight > 4096)
        game.ScreenHeight = 600;
}

bool TDirectXPack::StayOnTop() const
{
    const auto& user = settings_.User;
    return (user.FullScreenDispMode == 1 && user.FullScreen == 1) || user.StyOnTop != 0;
}

void TDirectXPack::Message(const char* key)
{
    if (dialogs_ && messages_)
        dialogs_->ShowDialog1("", messages_->Get(key), messages_->Get("OK"));
}

void TDirectXPack::EnterWindowed()
{
    const auto& game = settings_.Game;
    presenter_.EnterWindowed(game.ScreenWidth, game.ScreenHeight);
    window_.SetClientSize(game.ScreenWidth, game.ScreenHeight);
}

void TDirectXPack::WindowStyleSwitch()
{
    auto& user = settings_.User;
    const auto& game = settings_.Game;
    if (user.FullScreen == 1) {
        if (desktop_.width >= game.ScreenWidth && desktop_.height >= game.ScreenHeight) {
            EnterWindowed();
            if (presenter_.EnterDesktopFullScreen())
                return;
            Message("FullScreenError");
        } else {
            Message("FullScreenSmallSizeError");
        }
        user.FullScreen = 0;
    }
    EnterWindowed();
}

void TDirectXPack::DisplayModeSwitch()
{
    auto& user = settings_.User;
    const auto& game = settings_.Game;
    while (user.FullScreen == 1) {
        const TModeChoice choice =
            ChooseFullScreenMode(presenter_.Modes(), desktop_, game.ScreenWidth, game.ScreenHeight, user);
        if (choice.Mode && presenter_.EnterFullScreen(choice.Mode->width, choice.Mode->height, choice.Mode->depth))
            return;
        Message(choice.Error ? choice.Error : "FullScreenError");
        user.FullScreen = 0;
    }
    EnterWindowed();
}

bool TDirectXPack::ApplyScreenMode()
{
    ready_ = false;
    if (beforeSwitch_)
        beforeSwitch_();
    auto& user = settings_.User;
    NormaliseScreenSize(settings_.Game);
    if (user.FullScreen != 0)
        user.FullScreen = 1;
    if (user.FullScreenDispMode == 1)
        WindowStyleSwitch();
    else
        DisplayModeSwitch();
    presenter_.SetAlwaysOnTop(StayOnTop());
    presenter_.SetWindowSurfaceMode(user.BitBltMode != 0);
    ready_ = true;
    presenter_.Clear();
    UpdateGameRect();
    if (afterSwitch_)
        afterSwitch_();
    return true;
}

bool TDirectXPack::ToggleFullScreen()
{
    settings_.User.FullScreen = settings_.User.FullScreen != 0 ? 0 : 1;
    return ApplyScreenMode();
}

void TDirectXPack::UpdateGameRect()
{
    const int w = settings_.Game.ScreenWidth;
    const int h = settings_.Game.ScreenHeight;
    const platform::Size client = window_.ClientSize();
    if (w <= 0 || h <= 0)
        return;
    int dw = w, dh = h;
    if (settings_.User.AspectStretchBlt != 0 || settings_.User.FullScreenDispMode != 0) {
        const double s = std::min(static_cast<double>(client.width) / w, static_cast<double>(client.height) / h);
        dw = std::min(static_cast<int>(w * s + 0.5), client.width);
        dh = std::min(static_cast<int>(h * s + 0.5), client.height);
    }
    // A zero scale (a minimised window) keeps the previous mapping.
    if (dw <= 0 || dh <= 0)
        return;
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
    return {static_cast<int>((x - rect_.left) / scaleX_ + 0.5f), static_cast<int>((y - rect_.top) / scaleY_ + 0.5f)};
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
