#include "platform/Events.h"
#include "platform/SdlKeys.h"

#include <gtest/gtest.h>

namespace tsukimi::platform {
namespace {

TEST(VirtualKeyFromNameTest, MapsSdlKeyNames)
{
    const struct
    {
        const char* name;
        int key;
    } cases[] = {
        // clang-format off
        {"Return", 13}, {"return", 13}, {"Keypad Enter", 13}, {"Space", 32}, {"Escape", 27},
        {"F1", 112}, {"f10", 121}, {"F12", 123}, {"A", 'A'}, {"z", 'Z'}, {"0", '0'}, {"9", '9'},
        {"Left", 37}, {"Up", 38}, {"Right", 39}, {"Down", 40}, {"Tab", 9}, {"Backspace", 8},
        {"Delete", 46}, {"Home", 36}, {"End", 35}, {"PageUp", 33}, {"PageDown", 34},
        {"Insert", 45}, {"Left Shift", 16}, {"Right Shift", 16}, {"Left Ctrl", 17},
        {"RIGHT CTRL", 17}, {"Left Alt", 18}, {"Right Alt", 18}, {"Keypad 0", 0x60},
        {"Keypad 9", 0x69}, {"Keypad +", 0x6B}, {";", 0xBA}, {"\\", 0xDC},
        // Unknown or malformed names.
        {"", 0}, {"F0", 0}, {"F25", 0}, {"F1x", 0}, {"Keypad 10", 0}, {"NoSuchKey", 0}, {"AB", 0},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(VirtualKeyFromName(c.name), c.key) << '"' << c.name << '"';
}

TEST(VirtualKeyFromSdlTest, TranslatesLiveKeycodes)
{
    // SDL keycodes: printable keys are their character, the others carry
    // bit 30 with the scancode.
    const struct
    {
        int32_t keycode;
        int key;
    } cases[] = {
        {'a', 'A'},         {'7', '7'},       {'\r', 13},
        {' ', 32},          {0x1B, 27},       {0x40000043, 121},
        {0x40000058, 13},   {0x400000E1, 16}, {0x400000E4, 17},
        {0x400000E6, 18},   {0x40000050, 37}, {0x40000062, 0x60},
        {0x400000E3, 0x5B}, {0, 0},           {0x40000199, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VirtualKeyFromSdl(c.keycode), c.key) << std::hex << c.keycode;
}

} // namespace
} // namespace tsukimi::platform
