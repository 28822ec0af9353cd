#include "shell/Input.h"

namespace tsukimi {
namespace {

size_t ButtonIndex(platform::MouseButton button)
{
    return static_cast<size_t>(button) % 3;
}

} // namespace

void TInput::Apply(const platform::Event& event)
{
    using platform::EventKind;
    switch (event.kind) {
    case EventKind::KeyDown:
        if (event.key > 0 && event.key < 256) {
            const auto k = static_cast<size_t>(event.key);
            if (!keys_[k])
                ++pendingKeyPresses_[k];
            keys_[k] = true;
        }
        break;
    case EventKind::KeyUp:
        if (event.key > 0 && event.key < 256)
            keys_[static_cast<size_t>(event.key)] = false;
        break;
    case EventKind::MouseDown:
        buttons_[ButtonIndex(event.button)] = true;
        ++pendingClicks_[ButtonIndex(event.button)];
        [[fallthrough]];
    case EventKind::MouseMove:
        mouse_ = windowToGame_ ? windowToGame_(event.x, event.y) : TPoint{event.x, event.y};
        break;
    case EventKind::MouseUp:
        buttons_[ButtonIndex(event.button)] = false;
        mouse_ = windowToGame_ ? windowToGame_(event.x, event.y) : TPoint{event.x, event.y};
        break;
    case EventKind::Wheel:
        pendingWheel_ += event.wheel;
        break;
    default:
        break;
    }
}

void TInput::Poll()
{
    keyPresses_ = pendingKeyPresses_;
    pendingKeyPresses_.fill(0);
    clicks_ = pendingClicks_;
    pendingClicks_.fill(0);
    frameWheel_ = pendingWheel_;
    pendingWheel_ = 0;
}

void TInput::Clear()
{
    keys_.fill(false);
    pendingKeyPresses_.fill(0);
    keyPresses_.fill(0);
    buttons_.fill(false);
    pendingClicks_.fill(0);
    clicks_.fill(0);
    pendingWheel_ = frameWheel_ = 0;
}

bool TInput::KeyDown(int virtualKey) const
{
    return virtualKey > 0 && virtualKey < 256 && keys_[static_cast<size_t>(virtualKey)];
}

bool TInput::ButtonDown(platform::MouseButton button) const
{
    return buttons_[ButtonIndex(button)];
}

int TInput::Clicks(platform::MouseButton button) const
{
    return clicks_[ButtonIndex(button)];
}

int TInput::KeyPresses(int virtualKey) const
{
    return (virtualKey > 0 && virtualKey < 256) ? keyPresses_[static_cast<size_t>(virtualKey)] : 0;
}

} // namespace tsukimi
