#include "platform/FreeTypeOverlayText.h"

#include "platform/TextCodec.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace tsukimi::platform {
namespace {

constexpr size_t kMaxCachedBytes = size_t{8} << 20;
// A line longer than this is cut; it could never fit a frame anyway.
constexpr size_t kMaxCharacters = 4096;

std::vector<uint32_t> CodePoints(std::string_view utf8)
{
    std::vector<uint32_t> out;
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
        if (lead >= 0x80 && lead < 0xC0) length = 1, c = 0xFFFD;
        for (size_t k = 1; k < length; ++k) {
            if (i + k >= utf8.size()) {
                c = 0xFFFD;
                length = k;
                break;
            }
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        out.push_back(c);
        i += length;
    }
    return out;
}

uint32_t Blend(uint32_t under, uint32_t over, unsigned alpha)
{
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const unsigned a = (under >> shift) & 0xFF;
        const unsigned b = (over >> shift) & 0xFF;
        const unsigned mixed = (a * (255 - alpha) + b * alpha + 127) / 255;
        result |= mixed << shift;
    }
    return result;
}

void FillBox(MutableFrame frame, int left, int top, int right, int bottom, uint32_t colour)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, frame.width);
    bottom = std::min(bottom, frame.height);
    for (int y = top; y < bottom; ++y)
        std::fill_n(frame.pixels + static_cast<size_t>(y) * frame.stride + left,
                    std::max(right - left, 0), colour);
}

} // namespace

FreeTypeOverlayText::FreeTypeOverlayText(const std::string& fontFile, int faceIndex)
{
    if (fontFile.empty() || FT_Init_FreeType(&library_) != 0) {
        library_ = nullptr;
        return;
    }
    if (FT_New_Face(library_, fontFile.c_str(), faceIndex, &face_) != 0) face_ = nullptr;
}

FreeTypeOverlayText::~FreeTypeOverlayText()
{
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
}

bool FreeTypeOverlayText::SetSize(int pixelSize)
{
    if (sizeSet_ != pixelSize && FT_Set_Pixel_Sizes(face_, 0, pixelSize) == 0) sizeSet_ = pixelSize;
    return sizeSet_ == pixelSize;
}

const FreeTypeOverlayText::Glyph& FreeTypeOverlayText::GlyphFor(uint32_t codePoint, int pixelSize)
{
    const uint64_t key = (static_cast<uint64_t>(pixelSize) << 32) | codePoint;
    if (const auto found = glyphs_.find(key); found != glyphs_.end()) return found->second;
    if (cachedBytes_ >= kMaxCachedBytes) {
        glyphs_.clear();
        cachedBytes_ = 0;
    }
    Glyph& glyph = glyphs_[key];
    if (!SetSize(pixelSize) || FT_Load_Char(face_, codePoint, FT_LOAD_RENDER) != 0) {
        glyph.advance = pixelSize / 2;
        return glyph;
    }
    const FT_GlyphSlot slot = face_->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.advance = static_cast<int>(slot->advance.x >> 6);
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return glyph;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.height = static_cast<int>(bitmap.rows);
    glyph.coverage.resize(static_cast<size_t>(glyph.width) * glyph.height);
    cachedBytes_ += glyph.coverage.size() + sizeof(Glyph);
    for (int row = 0; row < glyph.height; ++row)
        std::copy_n(bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch, glyph.width,
                    glyph.coverage.begin() + static_cast<ptrdiff_t>(row) * glyph.width);
    return glyph;
}

int FreeTypeOverlayText::Draw(MutableFrame frame, int x, int y, std::string_view sjis,
                              int pixelSize, uint32_t foreground, uint32_t background)
{
    if (pixelSize <= 0 || sjis.empty()) return 0;
    pixelSize = std::min(pixelSize, kMaxPixelSize);
    // Far-off positions draw nothing (and keep the box arithmetic in range).
    constexpr int kFar = 1 << 24;
    const bool canDraw = frame.pixels != nullptr && frame.width > 0 && frame.height > 0 &&
                         frame.stride >= frame.width && x > -kFar && x < kFar && y > -kFar &&
                         y < kFar;
    if (face_ == nullptr) {
        const int width =
            static_cast<int>(std::min<size_t>(sjis.size(), 1 << 16)) * (pixelSize / 2);
        if (canDraw) FillBox(frame, x, y, x + width, y + pixelSize, background);
        return width;
    }

    std::vector<uint32_t> text = CodePoints(SjisToUtf8(sjis));
    if (text.size() > kMaxCharacters) text.resize(kMaxCharacters);
    int width = 0;
    for (const uint32_t c : text)
        width += GlyphFor(c, pixelSize).advance;
    if (!canDraw) return width;
    FillBox(frame, x, y, x + width, y + pixelSize, background);
    if (!SetSize(pixelSize)) return width;

    // Baseline so that the ascender and descender share the box.
    const FT_Size_Metrics& metrics = face_->size->metrics;
    const int ascender = static_cast<int>(metrics.ascender >> 6);
    const int descender = static_cast<int>(-metrics.descender >> 6);
    const int extra = pixelSize - (ascender + descender);
    const int baseline = y + ascender + extra / 2;
    int pen = x;
    for (const uint32_t c : text) {
        const Glyph& glyph = GlyphFor(c, pixelSize);
        for (int row = 0; row < glyph.height; ++row) {
            const int py = baseline - glyph.top + row;
            if (py < y || py >= y + pixelSize || py < 0 || py >= frame.height) continue;
            uint32_t* line = frame.pixels + static_cast<size_t>(py) * frame.stride;
            for (int col = 0; col < glyph.width; ++col) {
                const int px = pen + glyph.left + col;
                if (px < x || px >= x + width || px < 0 || px >= frame.width) continue;
                const unsigned alpha = glyph.coverage[static_cast<size_t>(row) * glyph.width + col];
                if (alpha != 0) line[px] = Blend(line[px], foreground, alpha);
            }
        }
        pen += glyph.advance;
    }
    return width;
}

} // namespace tsukimi::platform
