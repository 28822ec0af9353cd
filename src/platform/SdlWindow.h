#pragma once
// The main window over SDL2. It owns the SDL video subsystem: SDL is
// initialised by Create and shut down by the destructor.
#include "platform/Window.h"

#include <SDL.h>
#include <memory>
#include <string>

namespace tsukimi::platform {

class SdlWindow final : public Window
{
public:
    // A hidden, fixed-size window; null with `error` filled when SDL cannot
    // make one.
    static std::unique_ptr<SdlWindow> Create(std::string* error);
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    Size DesktopSize() override;
    void SetClientSize(int width, int height) override;
    Size ClientSize() override;
    void SetPosition(int left, int top) override;
    void SetCaption(std::string_view sjis) override;
    void Show() override;
    bool IsShowing() override { return showing_; }
    void Minimise() override;
    void Restore() override;
    bool IsMinimised() override;
    bool IsActive() override;
    std::vector<Event> PollEvents() override;
    void SetIcon(const uint32_t* pixels, int width, int height) override;

    SDL_Window* Handle() const { return window_; }
    // True once after the renderer's textures were lost (seen while polling).
    bool TakeRenderReset();

private:
    explicit SdlWindow(SDL_Window* window);
    void Translate(const SDL_Event& in, std::vector<Event>& out);
    void TranslateWindowEvent(const SDL_WindowEvent& in, std::vector<Event>& out);

    SDL_Window* window_;
    bool focusless_; // video driver without input focus (the dummy driver)
    bool showing_ = false;
    bool minimised_ = false;
    bool focused_ = false;
    bool renderReset_ = false;
};

} // namespace tsukimi::platform
