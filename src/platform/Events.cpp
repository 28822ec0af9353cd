#include "platform/Events.h"

#include <array>
#include <charconv>

namespace tsukimi::platform {
namespace {

struct NamedKey
{
    std::string_view name;
    int key;
};

// Key names as SDL spells them, plus a few common aliases. Letters, digits,
// function keys and keypad digits are handled by pattern below.
constexpr std::array kNamedKeys{
    NamedKey{"Backspace", 0x08},   NamedKey{"Tab", 0x09},        NamedKey{"Clear", 0x0C},
    NamedKey{"Return", 0x0D},      NamedKey{"Enter", 0x0D},      NamedKey{"Keypad Enter", 0x0D},
    NamedKey{"Return2", 0x0D},     NamedKey{"Shift", 0x10},      NamedKey{"Left Shift", 0x10},
    NamedKey{"Right Shift", 0x10}, NamedKey{"Ctrl", 0x11},       NamedKey{"Control", 0x11},
    NamedKey{"Left Ctrl", 0x11},   NamedKey{"Right Ctrl", 0x11}, NamedKey{"Alt", 0x12},
    NamedKey{"Left Alt", 0x12},    NamedKey{"Right Alt", 0x12},  NamedKey{"AltGr", 0x12},
    NamedKey{"Pause", 0x13},       NamedKey{"CapsLock", 0x14},   NamedKey{"Escape", 0x1B},
    NamedKey{"Esc", 0x1B},         NamedKey{"Space", 0x20},      NamedKey{"PageUp", 0x21},
    NamedKey{"PageDown", 0x22},    NamedKey{"End", 0x23},        NamedKey{"Home", 0x24},
    NamedKey{"Left", 0x25},        NamedKey{"Up", 0x26},         NamedKey{"Right", 0x27},
    NamedKey{"Down", 0x28},        NamedKey{"Select", 0x29},     NamedKey{"Execute", 0x2B},
    NamedKey{"PrintScreen", 0x2C}, NamedKey{"Insert", 0x2D},     NamedKey{"Delete", 0x2E},
    NamedKey{"Help", 0x2F},        NamedKey{"Left GUI", 0x5B},   NamedKey{"Right GUI", 0x5C},
    NamedKey{"Application", 0x5D}, NamedKey{"Menu", 0x5D},       NamedKey{"Sleep", 0x5F},
    NamedKey{"Keypad *", 0x6A},    NamedKey{"Keypad +", 0x6B},   NamedKey{"Keypad ,", 0x6C},
    NamedKey{"Keypad -", 0x6D},    NamedKey{"Keypad .", 0x6E},   NamedKey{"Keypad /", 0x6F},
    NamedKey{"Numlock", 0x90},     NamedKey{"ScrollLock", 0x91}, NamedKey{";", 0xBA},
    NamedKey{"=", 0xBB},           NamedKey{",", 0xBC},          NamedKey{"-", 0xBD},
    NamedKey{".", 0xBE},           NamedKey{"/", 0xBF},          NamedKey{"`", 0xC0},
    NamedKey{"[", 0xDB},           NamedKey{"\\", 0xDC},         NamedKey{"]", 0xDD},
    NamedKey{"'", 0xDE},
};

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// Decimal number making up all of `text`, or -1.
int WholeNumber(std::string_view text)
{
    int value = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || text.size() > 2)
        return -1;
    return value;
}

} // namespace

int VirtualKeyFromName(std::string_view name)
{
    if (name.size() == 1) {
        const char c = name[0];
        if (c >= '0' && c <= '9') return c;
        if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
        if (c >= 'A' && c <= 'Z') return c;
    }
    if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
        const int n = WholeNumber(name.substr(1));
        if (n >= 1 && n <= 24) return 0x70 + n - 1;
    }
    if (StartsWithNoCase(name, "Keypad ")) {
        const std::string_view rest = name.substr(7);
        if (rest.size() == 1 && rest[0] >= '0' && rest[0] <= '9') return 0x60 + (rest[0] - '0');
    }
    for (const NamedKey& entry : kNamedKeys)
        if (EqualsNoCase(entry.name, name)) return entry.key;
    return 0;
}

} // namespace tsukimi::platform
