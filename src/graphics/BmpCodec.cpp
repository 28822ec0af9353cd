#include "graphics/BmpCodec.h"

#include "graphics/ImageErrors.h"

#include <array>
#include <bit>
#include <cstring>

namespace tsukimi {
namespace {

constexpr uint32_t BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3, BiAlphaBitfields = 6;
constexpr size_t FileHeaderSize = 14;

[[noreturn]] void Fail()
{
    throw ImageDecodeError(texts::kBitmapReadFailed);
}

// Bounds-checked little-endian reads over the whole file.
class Reader
{
public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    size_t Size() const { return bytes_.size(); }
    void Need(uint64_t offset, uint64_t count) const
    {
        if (offset > bytes_.size() || count > bytes_.size() - offset) Fail();
    }
    uint8_t U8(size_t offset) const
    {
        Need(offset, 1);
        return bytes_[offset];
    }
    uint16_t U16(size_t offset) const
    {
        Need(offset, 2);
        return static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    }
    uint32_t U32(size_t offset) const
    {
        Need(offset, 4);
        return static_cast<uint32_t>(bytes_[offset]) |
               static_cast<uint32_t>(bytes_[offset + 1]) << 8 |
               static_cast<uint32_t>(bytes_[offset + 2]) << 16 |
               static_cast<uint32_t>(bytes_[offset + 3]) << 24;
    }
    const uint8_t* At(size_t offset) const { return bytes_.data() + offset; }

private:
    std::span<const uint8_t> bytes_;
};

// One colour channel described by a bit mask, scaled to 0 .. 255.
struct Channel
{
    uint32_t mask = 0;
    int shift = 0;
    uint64_t max = 0;

    explicit Channel(uint32_t m = 0) : mask(m)
    {
        if (!m) return;
        shift = std::countr_zero(m);
        max = m >> shift;
    }
    uint32_t Get(uint32_t word) const
    {
        if (!mask) return 0;
        const uint64_t value = (word & mask) >> shift;
        return static_cast<uint32_t>((value * 255 + max / 2) / max);
    }
};

struct Header
{
    int32_t width = 0;
    int32_t height = 0; // rows, positive
    bool topDown = false;
    int bits = 0;
    uint32_t compression = BiRgb;
    uint32_t offBits = 0;
    uint32_t sizeImage = 0;
    std::array<uint32_t, 4> masks{}; // red, green, blue, alpha
    bool hasMasks = false;
    std::array<uint32_t, 256> palette{};
};

bool ValidCombination(int bits, uint32_t compression)
{
    switch (compression) {
    case BiRgb:
        return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case BiRle8:
        return bits == 8;
    case BiRle4:
        return bits == 4;
    case BiBitfields:
    case BiAlphaBitfields:
        return bits == 16 || bits == 32;
    default:
        return false;
    }
}

Header ReadHeader(const Reader& in, uint8_t alpha, const TImageLimits& limits)
{
    if (in.U8(0) != 'B' || in.U8(1) != 'M') Fail();
    Header h;
    h.offBits = in.U32(10);
    const uint32_t headerSize = in.U32(FileHeaderSize);
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        Fail();
    in.Need(FileHeaderSize, headerSize);
    const size_t base = FileHeaderSize;
    int64_t height = 0;
    uint32_t colorsUsed = 0;
    if (core) {
        h.width = in.U16(base + 4);
        height = in.U16(base + 6);
        h.bits = in.U16(base + 10);
    } else {
        h.width = static_cast<int32_t>(in.U32(base + 4));
        height = static_cast<int32_t>(in.U32(base + 8));
        h.bits = in.U16(base + 14);
        h.compression = in.U32(base + 16);
        h.sizeImage = in.U32(base + 20);
        colorsUsed = in.U32(base + 32);
    }
    h.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (h.width <= 0 || height <= 0 || !limits.Allows(h.width, height)) Fail();
    h.height = static_cast<int32_t>(height);
    if (!ValidCombination(h.bits, h.compression)) Fail();
    const bool rle = h.compression == BiRle8 || h.compression == BiRle4;
    if (rle && h.topDown) Fail();

    size_t paletteOffset = base + headerSize;
    if (h.compression == BiBitfields || h.compression == BiAlphaBitfields) {
        const int count = h.compression == BiAlphaBitfields ? 4 : 3;
        // The 40-byte header has its masks after it; the larger ones inside.
        const size_t at = headerSize == 40 ? paletteOffset : base + 40;
        const int inside = headerSize >= 56 ? 4 : headerSize >= 52 ? 3 : 0;
        const int read = headerSize == 40 ? count : inside;
        for (int i = 0; i < read; ++i)
            h.masks[static_cast<size_t>(i)] = in.U32(at + 4 * static_cast<size_t>(i));
        if (headerSize == 40) paletteOffset += 4 * static_cast<size_t>(count);
        h.hasMasks = true;
    }

    uint64_t paletteCount = 0;
    if (h.bits <= 8) {
        const uint64_t full = uint64_t{1} << h.bits;
        paletteCount = colorsUsed ? colorsUsed : full;
        if (paletteCount > full) Fail();
    }
    const size_t entrySize = core ? 3 : 4;
    const uint64_t paletteEnd = paletteOffset + paletteCount * entrySize;
    if (paletteEnd > in.Size() || h.offBits < paletteEnd || h.offBits > in.Size()) Fail();
    const uint32_t a = static_cast<uint32_t>(alpha) << 24;
    for (size_t i = 0; i < 256; ++i)
        h.palette[i] = a;
    for (uint64_t i = 0; i < paletteCount; ++i) {
        const uint8_t* p = in.At(paletteOffset + i * entrySize);
        h.palette[i] =
            a | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
    }
    return h;
}

uint32_t* DestinationRow(TALSGBitmap& bitmap, const Header& h, int storedRow)
{
    return bitmap.Row(h.topDown ? storedRow : h.height - 1 - storedRow);
}

void DecodeRows(const Reader& in, const Header& h, uint8_t alpha, TALSGBitmap& bitmap)
{
    const uint64_t rowSize =
        (static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.bits) + 31) / 32 * 4;
    in.Need(h.offBits, rowSize * static_cast<uint64_t>(h.height));
    const uint32_t a = static_cast<uint32_t>(alpha) << 24;
    const bool standard32 =
        !h.hasMasks || (h.masks[0] == 0x00FF0000 && h.masks[1] == 0x0000FF00 &&
                        h.masks[2] == 0x000000FF && (h.masks[3] == 0 || h.masks[3] == 0xFF000000));
    uint32_t m16[3] = {0x7C00, 0x03E0, 0x001F};
    if (h.bits == 16 && h.hasMasks) {
        m16[0] = h.masks[0];
        m16[1] = h.masks[1];
        m16[2] = h.masks[2];
    }
    const Channel r(h.bits == 16 ? m16[0] : h.masks[0]), g(h.bits == 16 ? m16[1] : h.masks[1]),
        b(h.bits == 16 ? m16[2] : h.masks[2]), al(h.masks[3]);
    for (int row = 0; row < h.height; ++row) {
        const uint8_t* src =
            in.At(h.offBits + static_cast<size_t>(rowSize) * static_cast<size_t>(row));
        uint32_t* dst = DestinationRow(bitmap, h, row);
        const int w = h.width;
        switch (h.bits) {
        case 1:
            for (int x = 0; x < w; ++x)
                dst[x] = h.palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                dst[x] = h.palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
            break;
        case 8:
            for (int x = 0; x < w; ++x)
                dst[x] = h.palette[src[x]];
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                const uint32_t v = static_cast<uint32_t>(src[2 * x] | src[2 * x + 1] << 8);
                dst[x] = a | r.Get(v) << 16 | g.Get(v) << 8 | b.Get(v);
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = src + 3 * x;
                dst[x] =
                    a | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
            }
            break;
        default: // 32
            if (standard32) {
                std::memcpy(dst, src, static_cast<size_t>(w) * 4);
            } else {
                for (int x = 0; x < w; ++x) {
                    uint32_t v;
                    std::memcpy(&v, src + 4 * x, 4);
                    const uint32_t alphaValue = h.masks[3] ? al.Get(v) : v >> 24;
                    dst[x] = alphaValue << 24 | r.Get(v) << 16 | g.Get(v) << 8 | b.Get(v);
                }
            }
            break;
        }
    }
}

// RLE8 and RLE4. Every run, absolute block and delta is checked against the
// row and the image; data ending before the end-of-bitmap code fails unless
// every row has been reached.
void DecodeRle(const Reader& in, const Header& h, TALSGBitmap& bitmap)
{
    const bool four = h.compression == BiRle4;
    size_t pos = h.offBits;
    size_t end = in.Size();
    if (h.sizeImage && h.sizeImage <= end - pos) end = pos + h.sizeImage;
    bitmap.Fill(h.palette[0] & 0xFF000000u);
    int x = 0, y = 0;
    auto need = [&](size_t count) {
        if (count > end - pos) Fail();
    };
    auto put = [&](int count) -> uint32_t* {
        if (y >= h.height || count > h.width - x) Fail();
        return DestinationRow(bitmap, h, y) + x;
    };
    for (;;) {
        if (end - pos < 2) {
            if (y >= h.height) return;
            Fail();
        }
        const uint8_t count = in.U8(pos), value = in.U8(pos + 1);
        pos += 2;
        if (count > 0) {
            uint32_t* dst = put(count);
            for (int i = 0; i < count; ++i)
                dst[i] = h.palette[four ? ((i & 1) ? value & 15 : value >> 4) : value];
            x += count;
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return;
        case 2: { // delta
            need(2);
            const uint8_t dx = in.U8(pos), dy = in.U8(pos + 1);
            pos += 2;
            x += dx;
            y += dy;
            if (x > h.width || y > h.height) Fail();
            break;
        }
        default: { // absolute block, padded to a 16-bit boundary
            const size_t bytes = four ? (value + 1u) / 2 : value;
            const size_t padded = (bytes + 1) & ~size_t{1};
            need(padded);
            uint32_t* dst = put(value);
            const uint8_t* src = in.At(pos);
            for (int i = 0; i < value; ++i)
                dst[i] = h.palette[four ? ((i & 1) ? src[i >> 1] & 15 : src[i >> 1] >> 4) : src[i]];
            x += value;
            pos += padded;
            break;
        }
        }
    }
}

void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

} // namespace

std::unique_ptr<TALSGBitmap> DecodeBmp(std::span<const uint8_t> file, uint8_t otherDepthAlpha,
                                       const TImageLimits& limits)
{
    const Reader in(file);
    const Header h = ReadHeader(in, otherDepthAlpha, limits);
    if (h.compression == BiRgb || h.compression == BiBitfields ||
        h.compression == BiAlphaBitfields) {
        // Checked before the buffer is made.
        const uint64_t rowSize =
            (static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.bits) + 31) / 32 * 4;
        in.Need(h.offBits, rowSize * static_cast<uint64_t>(h.height));
    }
    auto bitmap = std::make_unique<TALSGBitmap>();
    if (!bitmap->SetSize(h.width, h.height, limits)) Fail();
    if (h.compression == BiRle8 || h.compression == BiRle4)
        DecodeRle(in, h, *bitmap);
    else
        DecodeRows(in, h, otherDepthAlpha, *bitmap);
    return bitmap;
}

std::vector<uint8_t> EncodeBmp(const TALSGBitmap& bitmap)
{
    const uint32_t w = static_cast<uint32_t>(bitmap.Width()),
                   h = static_cast<uint32_t>(bitmap.Height());
    const uint32_t pixelBytes = w * h * 4;
    std::vector<uint8_t> out;
    out.reserve(54 + static_cast<size_t>(pixelBytes));
    out.push_back('B');
    out.push_back('M');
    PutU32(out, 54 + pixelBytes);
    PutU32(out, 0);
    PutU32(out, 54);
    PutU32(out, 40);
    PutU32(out, w);
    PutU32(out, h);
    PutU16(out, 1);
    PutU16(out, 32);
    PutU32(out, BiRgb);
    PutU32(out, pixelBytes);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    for (int y = bitmap.Height() - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const uint8_t*>(bitmap.Row(y));
        out.insert(out.end(), row, row + static_cast<size_t>(w) * 4);
    }
    return out;
}

} // namespace tsukimi
