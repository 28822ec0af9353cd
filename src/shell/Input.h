#pragma once
// The input state: keys and mouse as the engine has seen them in window
// events. It keeps its own state (the platform's key state is not relied
// on), maps the pointer to game coordinates and is polled once a frame.
#include "platform/Events.h"

#include <array>
#include <cstdint>
#include <functional>

namespace tsukimi {

struct TPoint
{
    int x = 0, y = 0;
    bool operator==(const TPoint&) const = default;
};

class TInput
{
public:
    using Mapping = std::function<TPoint(int, int)>;

    void SetWindowToGame(Mapping mapping) { windowToGame_ = std::move(mapping); }
    void SetGameToWindow(Mapping mapping) { gameToWindow_ = std::move(mapping); }
    void SetKeyRepeatDelay(uint32_t ms) { keyRepeatDelay_ = ms; }
    void SetMouseHideTime(uint32_t ms) { mouseHideTime_ = ms; }
    void SetMouseAutoHide(bool on) { mouseAutoHide_ = on; }

    // Folds one window event into the state.
    void Apply(const platform::Event& event);
    // Takes the events seen since the last poll into the frame's state.
    void Poll();
    // Forgets every pressed key and button and pending click.
    void Clear();

    bool KeyDown(int virtualKey) const;
    bool ButtonDown(platform::MouseButton button) const;
    // Presses since the last poll (counted at the poll).
    int Clicks(platform::MouseButton button) const;
    int KeyPresses(int virtualKey) const;
    int Wheel() const { return frameWheel_; }
    TPoint MouseGame() const { return mouse_; }
    bool MouseAutoHide() const { return mouseAutoHide_; }
    uint32_t KeyRepeatDelay() const { return keyRepeatDelay_; }
    uint32_t MouseHideTime() const { return mouseHideTime_; }

private:
    Mapping windowToGame_, gameToWindow_;
    std::array<bool, 256> keys_{};
    std::array<uint16_t, 256> pendingKeyPresses_{}, keyPresses_{};
    std::array<bool, 3> buttons_{};
    std::array<int, 3> pendingClicks_{}, clicks_{};
    int pendingWheel_ = 0, frameWheel_ = 0;
    TPoint mouse_;
    uint32_t keyRepeatDelay_ = 500;
    uint32_t mouseHideTime_ = 10000;
    bool mouseAutoHide_ = false;
};

} // namespace tsukimi
