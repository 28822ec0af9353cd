#pragma once
// Draws single lines of text into 32-bit images for the debugger overlay.
#include <cstdint>
#include <memory>
#include <string_view>

namespace tsukimi::platform {

struct MutableFrame
{
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0; // pixels
};

class OverlayText
{
public:
    virtual ~OverlayText() = default;
    // Draws `sjis` with its top-left corner at (x, y), `pixelSize` high, text
    // colour `foreground` on an opaque `background` box (0xAARRGGBB),
    // clipped to the frame. Returns the width drawn in pixels.
    virtual int Draw(MutableFrame frame, int x, int y, std::string_view sjis, int pixelSize,
                     uint32_t foreground, uint32_t background) = 0;
};

// FreeType over the Japanese system font that fontconfig picks for
// `family` (Shift-JIS); falls back to any Japanese font. Never null: without
// a font it draws only the background boxes.
std::unique_ptr<OverlayText> CreateOverlayText(std::string_view family);

} // namespace tsukimi::platform
