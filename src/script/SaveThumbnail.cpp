#include "script/SaveThumbnail.h"

#include "graphics/BmpCodec.h"

#include <exception>

namespace tsukimi {

namespace {

constexpr size_t FileHeaderSize = 14;
constexpr size_t InfoHeaderSize = 40;

void PutU16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint16_t Pixel555(uint32_t argb)
{
    const uint32_t r = (argb >> 19) & 0x1F, g = (argb >> 11) & 0x1F, b = (argb >> 3) & 0x1F;
    return static_cast<uint16_t>(r << 10 | g << 5 | b);
}

} // namespace

std::vector<uint8_t> EncodeThumbnailBmp(const TARGB8888& image)
{
    const TALSGBitmap* bitmap = image.Buffer();
    if (!bitmap || bitmap->Width() <= 0 || bitmap->Height() <= 0) return {};
    const uint32_t width = static_cast<uint32_t>(bitmap->Width());
    const uint32_t height = static_cast<uint32_t>(bitmap->Height());
    const uint32_t rowSize = (width * 2 + 3) / 4 * 4;
    const uint32_t pixelBytes = rowSize * height;
    const uint32_t offset = FileHeaderSize + InfoHeaderSize;

    std::vector<uint8_t> out;
    out.reserve(offset + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    PutU32(out, offset + pixelBytes);
    PutU32(out, 0);
    PutU32(out, offset);
    PutU32(out, InfoHeaderSize);
    PutU32(out, width);
    PutU32(out, height);
    PutU16(out, 1);  // planes
    PutU16(out, 16); // bits per pixel
    PutU32(out, 0);  // BI_RGB: 5-5-5
    PutU32(out, pixelBytes);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    for (int y = bitmap->Height() - 1; y >= 0; --y) {
        const uint32_t* row = bitmap->Row(y);
        for (uint32_t x = 0; x < width; ++x)
            PutU16(out, Pixel555(row[x]));
        for (uint32_t pad = width * 2; pad < rowSize; ++pad)
            out.push_back(0);
    }
    return out;
}

std::unique_ptr<TARGB8888> DecodeThumbnailBmp(std::span<const uint8_t> file)
{
    std::unique_ptr<TALSGBitmap> decoded;
    try {
        decoded = DecodeBmp(file, 0xFF, ThumbnailLimits);
    } catch (const std::exception&) {
        // ImageDecodeError, or an allocation the limits allowed but the
        // machine did not.
        return nullptr;
    }
    if (!decoded) return nullptr;
    decoded->UpdateBorder();
    auto image = std::make_unique<TARGB8888>();
    image->AdoptBuffer(std::move(decoded));
    image->UpdateTransparency();
    return image;
}

} // namespace tsukimi
