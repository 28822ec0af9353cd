#include "platform/SdlDialogWindow.h"

#include "platform/FreeTypeOverlayText.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tsukimi::platform {
namespace {

constexpr int kButtonWidth = 113;
constexpr int kButtonHeight = 25;
constexpr int kTextSize = 14;
constexpr int kLineHeight = 18;
constexpr uint32_t kFace = 0xFFF0F0F0u;
constexpr uint32_t kInk = 0xFF000000u;
constexpr uint32_t kEdge = 0xFF808080u;
constexpr uint32_t kFocus = 0xFF0060C0u;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

class DialogWindow
{
public:
    DialogWindow(const DialogRequest& request, FreeTypeOverlayText& text)
        : request_(request), text_(text), lines_(Lines(request.text))
    {
        width_ = std::max(request.width, 200);
        const int textHeight = static_cast<int>(lines_.size()) * kLineHeight + 16;
        height_ = std::max(request.height, textHeight + kButtonHeight + 20);
        focus_ = std::clamp(request.focus, 0, std::max(0, static_cast<int>(request.buttons.size()) - 1));
        for (size_t i = 0; i < request.buttons.size(); ++i) {
            int x = i < request.buttonX.size()
                        ? request.buttonX[i]
                        : width_ - static_cast<int>(request.buttons.size() - i) * (kButtonWidth + 23) + 10;
            // Captions wider than the button widen it, kept inside the window.
            MutableFrame none{nullptr, 0, 0, 0};
            const int w = std::max(kButtonWidth, text_.Draw(none, 0, 0, request.buttons[i], kTextSize, kInk, kFace) + 14);
            x = std::max(4, std::min(x, width_ - 4 - w));
            buttons_.push_back(SDL_Rect{x, height_ - kButtonHeight - 6, w, kButtonHeight});
        }
        pixels_.resize(static_cast<size_t>(width_) * height_);
    }

    bool Open(SDL_Window* owner)
    {
        int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
        if (owner && (SDL_GetWindowFlags(owner) & SDL_WINDOW_SHOWN)) {
            int ox, oy, ow, oh;
            SDL_GetWindowPosition(owner, &ox, &oy);
            SDL_GetWindowSize(owner, &ow, &oh);
            x = ox + (ow - width_) / 2;
            y = oy + (oh - height_) / 2;
        }
        const std::string caption = SjisToUtf8(request_.caption);
        window_ = SDL_CreateWindow(caption.c_str(), x, y, width_, height_, SDL_WINDOW_SHOWN);
        if (!window_)
            return false;
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (!renderer_)
            renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (renderer_)
            texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width_,
                                         height_);
        if (!texture_)
            return false;
        SDL_RaiseWindow(window_);
        return true;
    }

    ~DialogWindow()
    {
        if (texture_)
            SDL_DestroyTexture(texture_);
        if (renderer_)
            SDL_DestroyRenderer(renderer_);
        if (window_)
            SDL_DestroyWindow(window_);
    }

    // The modal loop; events of other windows are kept for their owner.
    int Run()
    {
        const uint32_t id = SDL_GetWindowID(window_);
        std::vector<SDL_Event> others;
        int result = -3;
        Draw();
        while (result == -3) {
            SDL_Event e;
            if (!SDL_WaitEventTimeout(&e, 100))
                continue;
            if (!Mine(e, id)) {
                if (e.type != SDL_QUIT)
                    others.push_back(e);
                continue;
            }
            result = Handle(e);
        }
        for (auto& e : others)
            SDL_PushEvent(&e);
        return result;
    }

private:
    static bool Mine(const SDL_Event& e, uint32_t id)
    {
        switch (e.type) {
        case SDL_WINDOWEVENT: return e.window.windowID == id;
        case SDL_KEYDOWN:
        case SDL_KEYUP: return e.key.windowID == id;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: return e.button.windowID == id;
        case SDL_MOUSEMOTION: return e.motion.windowID == id;
        default: return false;
        }
    }

    int ButtonAt(int x, int y) const
    {
        for (size_t i = 0; i < buttons_.size(); ++i) {
            const SDL_Rect& r = buttons_[i];
            if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h)
                return static_cast<int>(i);
        }
        return -1;
    }

    // -3: keep going.
    int Handle(const SDL_Event& e)
    {
        const int count = static_cast<int>(buttons_.size());
        switch (e.type) {
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                return -1;
            Draw();
            return -3;
        case SDL_MOUSEBUTTONDOWN:
            pressed_ = e.button.button == SDL_BUTTON_LEFT ? ButtonAt(e.button.x, e.button.y) : -1;
            return -3;
        case SDL_MOUSEBUTTONUP: {
            const int at = ButtonAt(e.button.x, e.button.y);
            if (e.button.button == SDL_BUTTON_LEFT && at >= 0 && at == pressed_)
                return at;
            pressed_ = -1;
            return -3;
        }
        case SDL_KEYDOWN: {
            const SDL_Keycode key = e.key.keysym.sym;
            if (key == SDLK_RETURN || key == SDLK_KP_ENTER || key == SDLK_SPACE)
                return count > 0 ? focus_ : -1;
            if (key == SDLK_ESCAPE)
                return -1;
            if (count > 0 && (key == SDLK_TAB || key == SDLK_RIGHT || key == SDLK_LEFT)) {
                const bool back = key == SDLK_LEFT || (key == SDLK_TAB && (e.key.keysym.mod & KMOD_SHIFT));
                focus_ = (focus_ + (back ? count - 1 : 1)) % count;
                Draw();
                return -3;
            }
            if (key > 0 && key < 128) {
                const int chosen = AcceleratorAnswer(request_, static_cast<char>(key));
                if (chosen >= 0)
                    return chosen;
            }
            return -3;
        }
        default: return -3;
        }
    }

    void Fill(int x, int y, int w, int h, uint32_t colour)
    {
        for (int j = std::max(y, 0); j < std::min(y + h, height_); ++j)
            for (int i = std::max(x, 0); i < std::min(x + w, width_); ++i)
                pixels_[static_cast<size_t>(j) * width_ + i] = colour;
    }

    void Frame(const SDL_Rect& r, uint32_t colour, int thickness)
    {
        Fill(r.x, r.y, r.w, thickness, colour);
        Fill(r.x, r.y + r.h - thickness, r.w, thickness, colour);
        Fill(r.x, r.y, thickness, r.h, colour);
        Fill(r.x + r.w - thickness, r.y, thickness, r.h, colour);
    }

    void Draw()
    {
        std::fill(pixels_.begin(), pixels_.end(), kFace);
        MutableFrame frame{pixels_.data(), width_, height_, width_};
        const int textArea = height_ - kButtonHeight - 12;
        const int textTop = std::max(4, (textArea - static_cast<int>(lines_.size()) * kLineHeight) / 2);
        for (size_t i = 0; i < lines_.size(); ++i)
            text_.Draw(frame, 8, textTop + static_cast<int>(i) * kLineHeight, lines_[i], kTextSize, kInk, kFace);
        Fill(0, textArea, width_, 1, kEdge);
        for (size_t i = 0; i < buttons_.size(); ++i) {
            const SDL_Rect& r = buttons_[i];
            Frame(r, static_cast<int>(i) == focus_ ? kFocus : kEdge, static_cast<int>(i) == focus_ ? 2 : 1);
            const std::string& label = request_.buttons[i];
            // Measure by drawing off the frame, then centre.
            MutableFrame none{nullptr, 0, 0, 0};
            const int w = text_.Draw(none, 0, 0, label, kTextSize, kInk, kFace);
            text_.Draw(frame, r.x + (r.w - w) / 2, r.y + (r.h - kLineHeight) / 2 + 1, label, kTextSize, kInk, kFace);
        }
        SDL_UpdateTexture(texture_, nullptr, pixels_.data(), width_ * 4);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
    }

    const DialogRequest& request_;
    FreeTypeOverlayText& text_;
    std::vector<std::string> lines_;
    std::vector<SDL_Rect> buttons_;
    std::vector<uint32_t> pixels_;
    int width_ = 0, height_ = 0;
    int focus_ = 0;
    int pressed_ = -1;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
};

} // namespace

int RunDialogWindow(const DialogRequest& request, SDL_Window* owner, FreeTypeOverlayText& text)
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::string(driver) == "dummy" || std::string(driver) == "offscreen" || !text.HasFont())
        return -2;
    DialogWindow dialog(request, text);
    if (!dialog.Open(owner))
        return -2;
    return dialog.Run();
}

} // namespace tsukimi::platform
