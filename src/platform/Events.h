#pragma once
// Input and window events as the engine sees them. Keys are Windows
// virtual-key codes (VK_RETURN = 13, VK_F10 = 121, 'A' = 65 ...), the codes
// the game's key maps are written in.
#include <cstdint>
#include <string_view>

namespace tsukimi::platform {

enum class EventKind : uint8_t {
    KeyDown,
    KeyUp,
    MouseDown,
    MouseUp,
    MouseMove,
    Wheel,
    Close,  // the window's close button
    Expose, // the client area must be painted again
};

enum class MouseButton : uint8_t { Left = 0, Right = 1, Middle = 2 };

struct Event
{
    EventKind kind = EventKind::Expose;
    int key = 0;        // KeyDown/KeyUp: virtual-key code
    int x = 0, y = 0;   // mouse events: window client pixels
    MouseButton button = MouseButton::Left;
    int wheel = 0;      // Wheel: notches, positive away from the user
};

// Virtual-key code of a key name as SDL spells it ("Return", "Space",
// "Escape", "F5", "A", "Left" ...); 0 when the name is unknown.
int VirtualKeyFromName(std::string_view name);

} // namespace tsukimi::platform
