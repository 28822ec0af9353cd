#pragma once
// Everything the engine takes from the operating system, handed over once at
// start. Real parts sit over SDL2 and POSIX; headless parts are deterministic.
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/OverlayText.h"
#include "platform/Presenter.h"
#include "platform/Window.h"

#include <memory>
#include <string>

namespace tsukimi::platform {

struct Platform
{
    std::unique_ptr<Clock> clock;
    std::unique_ptr<Window> window;
    std::unique_ptr<Presenter> presenter;
    std::unique_ptr<Dialogs> dialogs;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<OverlayText> overlayText;
    bool headless = false;

    Platform();
    ~Platform();
    Platform(Platform&&) noexcept;
    Platform& operator=(Platform&&) noexcept;
};

// SDL2 window (hidden until shown), renderer presenter, message boxes, the
// monotonic clock, the native file system below `gameFolder`. Null with
// `error` filled when SDL cannot open a window.
std::unique_ptr<Platform> CreateRealPlatform(const std::string& gameFolder, std::string* error);

// No window, no device: HeadlessWindow, HeadlessPresenter, HeadlessDialogs,
// a VirtualClock starting at `clockStart`, the native file system.
std::unique_ptr<Platform> CreateHeadlessPlatform(const std::string& gameFolder,
                                                 uint32_t clockStart = 0);

} // namespace tsukimi::platform
