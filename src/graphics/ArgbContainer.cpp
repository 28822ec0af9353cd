#include "graphics/ArgbContainer.h"

#include "graphics/BmpCodec.h"
#include "graphics/ImageErrors.h"
#include "graphics/JpegCodec.h"
#include "graphics/PngDecoder.h"

#include <cstring>
#include <string_view>

namespace tsukimi {
namespace {

constexpr size_t MagicSize = 16;
constexpr size_t HeaderSize = 25;
constexpr std::string_view Magic = "ARGBSaveData1";

bool MagicMatches(std::span<const uint8_t> bytes)
{
    size_t length = 0;
    while (length < MagicSize && bytes[length] != 0)
        ++length;
    if (length != Magic.size()) return false;
    for (size_t i = 0; i < length; ++i) {
        auto lower = [](uint8_t c) {
            return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c;
        };
        if (lower(bytes[i]) != lower(static_cast<uint8_t>(Magic[i]))) return false;
    }
    return true;
}

int32_t ReadI32(std::span<const uint8_t> bytes, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | bytes[at + static_cast<size_t>(i)];
    return static_cast<int32_t>(v);
}

// Payload `index` (0 or 1); a length of 0 or less is empty. A payload that
// runs past the data is an error.
std::span<const uint8_t> Payload(std::span<const uint8_t> bytes, int index)
{
    const int64_t first = ReadI32(bytes, 17), second = ReadI32(bytes, 21);
    const uint64_t length1 = first > 0 ? static_cast<uint64_t>(first) : 0;
    const uint64_t length2 = second > 0 ? static_cast<uint64_t>(second) : 0;
    const uint64_t start = HeaderSize + (index == 0 ? 0 : length1);
    const uint64_t length = index == 0 ? length1 : length2;
    if (start > bytes.size() || length > bytes.size() - start)
        throw ImageDecodeError("ARGB: payload past the end");
    return bytes.subspan(static_cast<size_t>(start), static_cast<size_t>(length));
}

// Alpha of every colour pixel := the mask's green byte (OR-ed into the
// colour's alpha when `combine`).
void ApplyMask(TALSGBitmap& colour, const TALSGBitmap& mask, bool combine)
{
    if (mask.Width() != colour.Width() || mask.Height() != colour.Height())
        throw ImageDecodeError("ARGB: mask size differs");
    for (int y = 0; y < colour.Height(); ++y) {
        uint32_t* c = colour.Row(y);
        const uint32_t* m = mask.Row(y);
        for (int x = 0; x < colour.Width(); ++x) {
            const uint32_t alpha = (m[x] << 16) & 0xFF000000u;
            c[x] = combine ? c[x] | alpha : (c[x] & 0x00FFFFFFu) | alpha;
        }
    }
}

// The PNG colour payload widened to 32 bits: without an alpha channel its
// fourth bytes are 0.
std::unique_ptr<TALSGBitmap> WidenedPng(std::span<const uint8_t> bytes, const TImageLimits& limits)
{
    TPngImage png = DecodePng(bytes, limits);
    if (!png.hasAlpha) {
        TALSGBitmap& b = *png.bitmap;
        for (int y = 0; y < b.Height(); ++y) {
            uint32_t* row = b.Row(y);
            for (int x = 0; x < b.Width(); ++x)
                row[x] &= 0x00FFFFFFu;
        }
    }
    return std::move(png.bitmap);
}

} // namespace

std::unique_ptr<TALSGBitmap> DecodeArgb(std::span<const uint8_t> bytes, const TImageLimits& limits)
{
    if (bytes.size() < MagicSize) throw ImageDecodeError("ARGB: truncated");
    if (!MagicMatches(bytes)) return nullptr;
    if (bytes.size() < HeaderSize) throw ImageDecodeError("ARGB: truncated");
    const uint8_t type = bytes[16];
    switch (type) {
    case 0:
        return DecodeBmp(Payload(bytes, 0), 0, limits);
    case 1:
        return DecodePng(Payload(bytes, 0), limits).bitmap;
    case 2: {
        auto colour = DecodeJpeg(Payload(bytes, 0), JpegOutput::Colour, limits);
        ApplyMask(*colour, *DecodeJpeg(Payload(bytes, 1), JpegOutput::Grey, limits), false);
        return colour;
    }
    case 3: {
        auto colour = DecodeJpeg(Payload(bytes, 0), JpegOutput::Colour, limits);
        ApplyMask(*colour, *DecodePng(Payload(bytes, 1), limits).bitmap, false);
        return colour;
    }
    case 4: {
        auto colour = WidenedPng(Payload(bytes, 0), limits);
        ApplyMask(*colour, *DecodeJpeg(Payload(bytes, 1), JpegOutput::Grey, limits), true);
        return colour;
    }
    default:
        return nullptr;
    }
}

} // namespace tsukimi
