#pragma once
// Ties the window, the display and the settings together: applies the
// screen settings (window or full screen, and which kind of full screen),
// keeps the rectangle of the client area the game image is shown in, and
// maps points between window and game coordinates.
#include "platform/Geometry.h"
#include "platform/Presenter.h"
#include "shell/Input.h"

#include <functional>
#include <optional>

namespace tsukimi {
namespace platform {
class Window;
} // namespace platform
struct TSystemData;
struct TGameDefinition;
struct TUserSettings;
class TMessageTable;
class TSystemDialogs;

// The exclusive full-screen mode for the settings, or the message key that
// says why there is none.
struct TModeChoice
{
    std::optional<platform::DisplayMode> Mode;
    const char* Error = nullptr; // "FullScreenSmallSizeError" or "FullScreenError"
};

TModeChoice ChooseFullScreenMode(const std::vector<platform::DisplayMode>& modes, platform::Size desktop,
                                 int gameWidth, int gameHeight, const TUserSettings& user);

class TDirectXPack
{
public:
    TDirectXPack(platform::Window& window, platform::Presenter& presenter, TSystemData& settings,
                 TSystemDialogs* dialogs = nullptr, const TMessageTable* messages = nullptr);

    // Applies the screen settings and computes the game rectangle; calls the
    // two switch callbacks around it. Always true.
    bool ApplyScreenMode();
    bool ToggleFullScreen();
    bool Ready() const { return ready_; }
    // Stay on top in full screen as a window, or when asked for.
    bool StayOnTop() const;

    // Recorded once at boot when at least 320 x 240.
    void SetDesktopSize(platform::Size size);
    platform::Size DesktopSize() const { return desktop_; }

    TPoint WindowToGame(int x, int y) const;
    TPoint GameToWindow(int x, int y) const;
    platform::Rect GameRect() const { return rect_; }
    float ScaleX() const { return scaleX_; }
    float ScaleY() const { return scaleY_; }
    // Recomputes the game rectangle for the current client size.
    void UpdateGameRect();

    void SetSwitchCallbacks(std::function<void()> before, std::function<void()> after)
    {
        beforeSwitch_ = std::move(before);
        afterSwitch_ = std::move(after);
    }

    // The screen size of the settings, with sizes out of 1..4096 replaced
    // by 800 x 600.
    static void NormaliseScreenSize(TGameDefinition& game);

    platform::Window& Window() { return window_; }
    platform::Presenter& Presenter() { return presenter_; }

private:
    void WindowStyleSwitch();
    void DisplayModeSwitch();
    void EnterWindowed();
    void Message(const char* key);

    platform::Window& window_;
    platform::Presenter& presenter_;
    TSystemData& settings_;
    TSystemDialogs* dialogs_;
    const TMessageTable* messages_;
    bool ready_ = true;
    platform::Size desktop_{1920, 1080};
    platform::Rect rect_;
    float scaleX_ = 1.0f, scaleY_ = 1.0f;
    std::function<void()> beforeSwitch_, afterSwitch_;
};

} // namespace tsukimi
