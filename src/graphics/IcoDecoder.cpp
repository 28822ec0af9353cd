#include "graphics/IcoDecoder.h"

#include <algorithm>

namespace tsukimi {
namespace {

uint32_t U16(std::span<const uint8_t> b, size_t at)
{
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8;
}

uint32_t U32(std::span<const uint8_t> b, size_t at)
{
    return U16(b, at) | U16(b, at + 2) << 16;
}

struct Entry
{
    int width, height, bits;
    uint32_t size, offset;
};

// Decodes one device-independent bitmap of an icon: header, palette, colour
// rows bottom-up, then the 1-bit transparency mask.
std::optional<TIconImage> DecodeEntry(std::span<const uint8_t> file, const Entry& e)
{
    if (e.offset > file.size() || e.size > file.size() - e.offset || e.size < 40)
        return std::nullopt;
    const auto dib = file.subspan(e.offset, e.size);
    const uint32_t headerSize = U32(dib, 0);
    if (headerSize < 40 || headerSize > dib.size())
        return std::nullopt;
    const int32_t width = static_cast<int32_t>(U32(dib, 4));
    const int32_t height = static_cast<int32_t>(U32(dib, 8)) / 2;
    const uint32_t bits = U16(dib, 14);
    const uint32_t compression = U32(dib, 16);
    if (width <= 0 || height <= 0 || width > 1024 || height > 1024 || compression != 0 || (bits != 32 && bits != 8))
        return std::nullopt;
    uint32_t colours = U32(dib, 32);
    if (bits == 8 && (colours == 0 || colours > 256))
        colours = 256;
    const size_t palette = headerSize;
    const size_t pixelsAt = palette + (bits == 8 ? size_t{colours} * 4 : 0);
    const size_t rowBytes = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    const size_t maskRow = ((static_cast<size_t>(width) + 31) / 32) * 4;
    const size_t needed = pixelsAt + rowBytes * height;
    if (needed > dib.size())
        return std::nullopt;
    const bool haveMask = needed + maskRow * height <= dib.size();
    TIconImage image;
    image.Width = width;
    image.Height = height;
    image.Pixels.resize(static_cast<size_t>(width) * height);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const size_t row = pixelsAt + rowBytes * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            uint32_t argb;
            if (bits == 32) {
                argb = U32(dib, row + static_cast<size_t>(x) * 4);
            } else {
                const uint32_t index = dib[row + static_cast<size_t>(x)];
                argb = index < colours ? (U32(dib, palette + index * 4) & 0xFFFFFFu) | 0xFF000000u : 0xFF000000u;
            }
            anyAlpha = anyAlpha || (argb >> 24) != 0;
            image.Pixels[static_cast<size_t>(y) * width + x] = argb;
        }
    }
    // 32-bit images without any alpha use the mask, as 8-bit ones do.
    if (haveMask && (bits == 8 || !anyAlpha)) {
        const size_t maskAt = needed;
        for (int y = 0; y < height; ++y) {
            const size_t row = maskAt + maskRow * static_cast<size_t>(height - 1 - y);
            for (int x = 0; x < width; ++x) {
                const bool transparent = (dib[row + static_cast<size_t>(x) / 8] >> (7 - x % 8)) & 1;
                auto& p = image.Pixels[static_cast<size_t>(y) * width + x];
                p = transparent ? (p & 0xFFFFFFu) : (p | 0xFF000000u);
            }
        }
    }
    return image;
}

} // namespace

std::optional<TIconImage> DecodeIco(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 6 || U16(bytes, 0) != 0 || U16(bytes, 2) != 1)
        return std::nullopt;
    const uint32_t count = U16(bytes, 4);
    if (count == 0 || 6 + size_t{count} * 16 > bytes.size())
        return std::nullopt;
    std::vector<Entry> entries;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = 6 + size_t{i} * 16;
        Entry e{bytes[at] == 0 ? 256 : bytes[at], bytes[at + 1] == 0 ? 256 : bytes[at + 1],
                static_cast<int>(U16(bytes, at + 6)), U32(bytes, at + 8), U32(bytes, at + 12)};
        // Entries may leave the depth to the bitmap header.
        if (e.bits == 0 && e.offset <= bytes.size() && bytes.size() - e.offset >= 16)
            e.bits = static_cast<int>(U16(bytes, e.offset + 14));
        if (e.bits == 32 || e.bits == 8)
            entries.push_back(e);
    }
    // Largest first, 32-bit before 8-bit; the first that decodes wins
    // (compressed entries do not).
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const long areaA = static_cast<long>(a.width) * a.height, areaB = static_cast<long>(b.width) * b.height;
        return areaA != areaB ? areaA > areaB : a.bits > b.bits;
    });
    for (const auto& e : entries)
        if (auto image = DecodeEntry(bytes, e))
            return image;
    return std::nullopt;
}

} // namespace tsukimi
