#pragma once
// The one main window: fixed-size client area, caption, minimise and restore,
// and the stream of input events.
#include "platform/Events.h"
#include "platform/Geometry.h"

#include <string>
#include <string_view>
#include <vector>

namespace tsukimi::platform {

class Window
{
public:
    virtual ~Window() = default;
    virtual Size DesktopSize() = 0;
    virtual void SetClientSize(int width, int height) = 0;
    virtual Size ClientSize() = 0;
    virtual void SetPosition(int left, int top) = 0;
    // Caption text in Shift-JIS.
    virtual void SetCaption(std::string_view sjis) = 0;
    virtual void Show() = 0;
    virtual bool IsShowing() = 0;
    virtual void Minimise() = 0;
    virtual void Restore() = 0;
    virtual bool IsMinimised() = 0;
    // Has the input focus and is not minimised.
    virtual bool IsActive() = 0;
    // Events since the last call, oldest first.
    virtual std::vector<Event> PollEvents() = 0;
    // The window's icon (0xAARRGGBB pixels, top row first).
    virtual void SetIcon(const uint32_t* pixels, int width, int height)
    {
        (void)pixels;
        (void)width;
        (void)height;
    }
};

// Records what was asked of it; active once shown; events come from Inject.
class HeadlessWindow final : public Window
{
public:
    explicit HeadlessWindow(Size desktop = {1920, 1080}) : desktop_(desktop) {}
    Size DesktopSize() override { return desktop_; }
    void SetClientSize(int width, int height) override { client_ = {width, height}; }
    Size ClientSize() override { return client_; }
    void SetPosition(int left, int top) override { left_ = left; top_ = top; }
    void SetCaption(std::string_view sjis) override { caption_ = std::string(sjis); }
    void Show() override { showing_ = true; }
    bool IsShowing() override { return showing_; }
    void Minimise() override { minimised_ = true; }
    void Restore() override { minimised_ = false; }
    bool IsMinimised() override { return minimised_; }
    bool IsActive() override { return showing_ && focused_ && !minimised_; }
    std::vector<Event> PollEvents() override
    {
        std::vector<Event> out;
        out.swap(queue_);
        return out;
    }

    void SetIcon(const uint32_t*, int width, int height) override { icon_ = {width, height}; }

    void Inject(const Event& event) { queue_.push_back(event); }
    Size IconSize() const { return icon_; }
    void SetFocused(bool focused) { focused_ = focused; }
    const std::string& Caption() const { return caption_; }
    int Left() const { return left_; }
    int Top() const { return top_; }

private:
    Size desktop_;
    Size client_{319, 240};
    int left_ = 0, top_ = 0;
    std::string caption_;
    bool showing_ = false;
    bool minimised_ = false;
    bool focused_ = true;
    std::vector<Event> queue_;
    Size icon_;
};

} // namespace tsukimi::platform
