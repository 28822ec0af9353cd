#pragma once
// Ties the window, the presenter and the settings together: the rectangle of
// the client area the game image is shown in, and point mapping between
// window and game coordinates.
#include "platform/Geometry.h"
#include "shell/Input.h"

#include <functional>

namespace tsukimi {
namespace platform {
class Window;
class Presenter;
} // namespace platform
struct TSystemData;
struct TGameDefinition;

class TDirectXPack
{
public:
    TDirectXPack(platform::Window& window, platform::Presenter& presenter, TSystemData& settings);

    // Applies the screen settings (windowed at the game size for now) and
    // computes the game rectangle; calls the two switch callbacks around it.
    bool ApplyScreenMode();
    bool ToggleFullScreen();
    // The screen size of the settings, with sizes out of 1..4096 replaced
    // by 800 x 600.
    static void NormaliseScreenSize(TGameDefinition& game);
    bool Ready() const { return ready_; }

    TPoint WindowToGame(int x, int y) const;
    TPoint GameToWindow(int x, int y) const;
    platform::Rect GameRect() const { return rect_; }
    // Recomputes the game rectangle for the current client size.
    void UpdateGameRect();

    void SetSwitchCallbacks(std::function<void()> before, std::function<void()> after)
    {
        beforeSwitch_ = std::move(before);
        afterSwitch_ = std::move(after);
    }

    platform::Window& Window() { return window_; }
    platform::Presenter& Presenter() { return presenter_; }

private:
    platform::Window& window_;
    platform::Presenter& presenter_;
    TSystemData& settings_;
    bool ready_ = true;
    platform::Rect rect_;
    float scaleX_ = 1.0f, scaleY_ = 1.0f;
    std::function<void()> beforeSwitch_, afterSwitch_;
};

} // namespace tsukimi
