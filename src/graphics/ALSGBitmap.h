#pragma once
// The pixel buffer under every image: 32-bit 0xAARRGGBB words (bytes blue,
// green, red, alpha in memory), straight alpha.
//
// Layout: the visible width x height pixels are surrounded by a margin of
// two pixels on every side. The inner ring of the margin holds copies of the
// nearest edge pixels after UpdateBorder, so filtering kernels may read one
// pixel beyond each edge without bounds checks. Every visible row starts on
// a 32-byte boundary and rows are RowStep() bytes apart (positive: row y + 1
// follows row y in memory), so SIMD kernels can use aligned loads.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tsukimi {

// Largest image any buffer or decoder accepts; sizes are checked in 64 bits
// against these before anything is allocated.
struct TImageLimits
{
    int64_t maxSide = 16384;
    int64_t maxPixels = int64_t{1} << 28;

    bool Allows(int64_t width, int64_t height) const
    {
        return width >= 0 && height >= 0 && width <= maxSide && height <= maxSide &&
               width * height <= maxPixels;
    }
};

// One row of the polygon scanner's edge table (kept per destination buffer).
struct TEdgeEntry
{
    float xMin = 0, xMax = 0;
    float uMin = 0, vMin = 0, u2Min = 0, v2Min = 0;
    float uMax = 0, vMax = 0, u2Max = 0, v2Max = 0;
};

class TALSGBitmap
{
public:
    static constexpr int Margin = 2;

    // A new buffer is 2 x 2 pixels (contents undefined), transparent, no mask.
    TALSGBitmap();
    TALSGBitmap(const TALSGBitmap&) = delete;
    TALSGBitmap& operator=(const TALSGBitmap&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Bytes from one row to the next (a multiple of 32).
    ptrdiff_t RowStep() const { return static_cast<ptrdiff_t>(stridePixels_) * 4; }
    // Pixels from one row to the next.
    int StridePixels() const { return stridePixels_; }

    // Pixel (0, y); y must be 0 .. Height() - 1. Rows -2 .. Height() + 1 and
    // columns -2 .. Width() + 1 relative to it are addressable.
    uint32_t* Row(int y) { return rows_[static_cast<size_t>(y)]; }
    const uint32_t* Row(int y) const { return rows_[static_cast<size_t>(y)]; }
    // The row table: Height() pointers to pixel (0, y).
    std::span<uint32_t* const> Rows() const { return rows_; }
    // Pixel (0, 0) with the margin addressable around it.
    uint32_t* Origin() { return origin_; }
    const uint32_t* Origin() const { return origin_; }

    // Replaces the buffer by one of the given size with undefined contents;
    // does nothing when the size is unchanged. False (buffer unchanged) when
    // the size is negative or over `limits`.
    bool SetSize(int width, int height, const TImageLimits& limits = {});
    // Every visible pixel := colour.
    void Fill(uint32_t colour);
    // Becomes a pixel-exact copy of `source`: size, pixels, border, mask
    // link and transparent flag.
    void CopyFrom(const TALSGBitmap& source);
    // Refreshes the inner ring of the margin from the edge pixels.
    void UpdateBorder();
    // transparent := 1, then for images at least 2 x 2 the AND of every
    // pixel's alpha, row by row (stopping at the first row after which it is
    // below 255), clears it when the result is 255.
    void ComputeTransparency();

    // -1: every row is drawn; 0 or 1: only rows of that parity.
    int LineParity() const { return lineParity_; }
    void SetLineParity(int parity) { lineParity_ = parity; }
    // A buffer of the same size read as a per-pixel mask; borrowed.
    TALSGBitmap* MaskLink() const { return maskLink_; }
    void SetMaskLink(TALSGBitmap* mask) { maskLink_ = mask; }
    // 1: some pixel may have alpha below 255; 0: every pixel is opaque.
    uint8_t Transparent() const { return transparent_; }
    void SetTransparent(bool transparent) { transparent_ = transparent ? 1 : 0; }

    // The scanner's per-row table, resized to Height() on request.
    std::vector<TEdgeEntry>& EdgeTable();

private:
    struct AlignedFree
    {
        void operator()(uint32_t* p) const;
    };

    int width_ = 0;
    int height_ = 0;
    int stridePixels_ = 0;
    std::unique_ptr<uint32_t[], AlignedFree> storage_;
    uint32_t* origin_ = nullptr;
    std::vector<uint32_t*> rows_;
    int lineParity_ = -1;
    TALSGBitmap* maskLink_ = nullptr;
    uint8_t transparent_ = 1;
    std::vector<TEdgeEntry> edges_;
};

} // namespace tsukimi
