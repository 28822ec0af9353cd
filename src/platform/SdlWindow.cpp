#include "platform/SdlWindow.h"

#include "platform/SdlKeys.h"
#include "platform/TextCodec.h"

#include <cstring>

namespace tsukimi::platform {

std::unique_ptr<SdlWindow> SdlWindow::Create(std::string* error)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        if (error) *error = std::string("SDL_Init: ") + SDL_GetError();
        SDL_Quit();
        return nullptr;
    }
    SDL_Window* window = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 319,
                                          240, SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
    if (window == nullptr) {
        if (error) *error = std::string("SDL_CreateWindow: ") + SDL_GetError();
        SDL_Quit();
        return nullptr;
    }
    SDL_DisableScreenSaver();
    SDL_StopTextInput(); // keys only; no input method in the way
    return std::unique_ptr<SdlWindow>(new SdlWindow(window));
}

SdlWindow::SdlWindow(SDL_Window* window) : window_(window)
{
    const char* driver = SDL_GetCurrentVideoDriver();
    focusless_ = driver != nullptr &&
                 (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
}

SdlWindow::~SdlWindow()
{
    SDL_DestroyWindow(window_);
    SDL_EnableScreenSaver();
    SDL_Quit();
}

Size SdlWindow::DesktopSize()
{
    int display = SDL_GetWindowDisplayIndex(window_);
    if (display < 0) display = 0;
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(display, &mode) != 0) return {};
    return {mode.w, mode.h};
}

void SdlWindow::SetClientSize(int width, int height)
{
    if (width > 0 && height > 0) SDL_SetWindowSize(window_, width, height);
}

Size SdlWindow::ClientSize()
{
    Size size;
    SDL_GetWindowSize(window_, &size.width, &size.height);
    return size;
}

void SdlWindow::SetPosition(int left, int top)
{
    SDL_SetWindowPosition(window_, left, top);
}

void SdlWindow::SetCaption(std::string_view sjis)
{
    SDL_SetWindowTitle(window_, SjisToUtf8(sjis).c_str());
}

void SdlWindow::SetIcon(const uint32_t* pixels, int width, int height)
{
    if (pixels == nullptr || width <= 0 || height <= 0 || width > 1024 || height > 1024) return;
    // SDL only reads the pixels while making the icon.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(pixels), width, height, 32, width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) return;
    SDL_SetWindowIcon(window_, surface);
    SDL_FreeSurface(surface);
}

void SdlWindow::Show()
{
    SDL_ShowWindow(window_);
    showing_ = true;
}

void SdlWindow::Minimise()
{
    SDL_MinimizeWindow(window_);
    minimised_ = true;
}

void SdlWindow::Restore()
{
    SDL_RestoreWindow(window_);
    minimised_ = false;
}

bool SdlWindow::IsMinimised()
{
    return minimised_ || (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0;
}

bool SdlWindow::IsActive()
{
    if (!showing_ || IsMinimised()) return false;
    return focusless_ || focused_ || (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

bool SdlWindow::TakeRenderReset()
{
    const bool reset = renderReset_;
    renderReset_ = false;
    return reset;
}

std::vector<Event> SdlWindow::PollEvents()
{
    std::vector<Event> events;
    SDL_Event in;
    while (SDL_PollEvent(&in))
        Translate(in, events);
    return events;
}

void SdlWindow::Translate(const SDL_Event& in, std::vector<Event>& out)
{
    Event event;
    switch (in.type) {
    case SDL_QUIT:
        // Closing the last window also posts a quit: report one close.
        if (!out.empty() && out.back().kind == EventKind::Close) return;
        event.kind = EventKind::Close;
        break;
    case SDL_WINDOWEVENT:
        if (in.window.windowID == SDL_GetWindowID(window_)) TranslateWindowEvent(in.window, out);
        return;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        event.kind = in.type == SDL_KEYDOWN ? EventKind::KeyDown : EventKind::KeyUp;
        event.key = VirtualKeyFromSdl(in.key.keysym.sym);
        if (event.key == 0) return;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        event.kind = in.type == SDL_MOUSEBUTTONDOWN ? EventKind::MouseDown : EventKind::MouseUp;
        if (in.button.button == SDL_BUTTON_LEFT)
            event.button = MouseButton::Left;
        else if (in.button.button == SDL_BUTTON_RIGHT)
            event.button = MouseButton::Right;
        else if (in.button.button == SDL_BUTTON_MIDDLE)
            event.button = MouseButton::Middle;
        else
            return;
        event.x = in.button.x;
        event.y = in.button.y;
        break;
    case SDL_MOUSEMOTION:
        event.kind = EventKind::MouseMove;
        event.x = in.motion.x;
        event.y = in.motion.y;
        break;
    case SDL_MOUSEWHEEL:
        event.kind = EventKind::Wheel;
        event.wheel = in.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -in.wheel.y : in.wheel.y;
        if (event.wheel == 0) return;
        SDL_GetMouseState(&event.x, &event.y);
        break;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
        renderReset_ = true;
        event.kind = EventKind::Expose;
        break;
    default:
        return;
    }
    out.push_back(event);
}

void SdlWindow::TranslateWindowEvent(const SDL_WindowEvent& in, std::vector<Event>& out)
{
    Event event;
    switch (in.event) {
    case SDL_WINDOWEVENT_CLOSE:
        event.kind = EventKind::Close;
        break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
        event.kind = EventKind::Expose;
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        minimised_ = true;
        return;
    case SDL_WINDOWEVENT_RESTORED:
        minimised_ = false;
        event.kind = EventKind::Expose;
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        focused_ = true;
        return;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        focused_ = false;
        return;
    default:
        return;
    }
    out.push_back(event);
}

} // namespace tsukimi::platform
