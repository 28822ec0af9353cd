#pragma once
// Overlay text through FreeType over a font file that fontconfig picked.
#include "platform/OverlayText.h"

#include <string>
#include <unordered_map>
#include <vector>

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace tsukimi::platform {

class FreeTypeOverlayText final : public OverlayText
{
public:
    // Without a usable font (`fontFile` empty or unreadable) only the
    // background boxes are drawn.
    FreeTypeOverlayText(const std::string& fontFile, int faceIndex);
    ~FreeTypeOverlayText() override;
    FreeTypeOverlayText(const FreeTypeOverlayText&) = delete;
    FreeTypeOverlayText& operator=(const FreeTypeOverlayText&) = delete;

    int Draw(MutableFrame frame, int x, int y, std::string_view sjis, int pixelSize,
             uint32_t foreground, uint32_t background) override;
    bool HasFont() const { return face_ != nullptr; }

    static constexpr int kMaxPixelSize = 256;

private:
    struct Glyph
    {
        int left = 0, top = 0; // bitmap offset from the pen on the baseline
        int width = 0, height = 0;
        int advance = 0;
        std::vector<uint8_t> coverage;
    };
    bool SetSize(int pixelSize);
    const Glyph& GlyphFor(uint32_t codePoint, int pixelSize);

    FT_LibraryRec_* library_ = nullptr;
    FT_FaceRec_* face_ = nullptr;
    int sizeSet_ = 0;
    std::unordered_map<uint64_t, Glyph> glyphs_;
    size_t cachedBytes_ = 0;
};

// The font file fontconfig offers for `familyUtf8` with Japanese coverage,
// else any Japanese font; empty when there is none.
std::string FindJapaneseFont(const std::string& familyUtf8, int* faceIndex);

} // namespace tsukimi::platform
