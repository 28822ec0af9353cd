#include "graphics/ALSGBitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tsukimi {
namespace {

constexpr std::align_val_t RowAlignment{32};
// Pixels before column 0 of every row: the margin plus padding, so that
// column 0 sits on a 32-byte boundary.
constexpr int LeftPad = 8;
constexpr int PixelsPerAlignment = 8;

int StrideFor(int width)
{
    const int needed = LeftPad + width + TALSGBitmap::Margin;
    return (needed + PixelsPerAlignment - 1) / PixelsPerAlignment * PixelsPerAlignment;
}

} // namespace

void TALSGBitmap::AlignedFree::operator()(uint32_t* p) const
{
    ::operator delete[](p, RowAlignment);
}

TALSGBitmap::TALSGBitmap()
{
    SetSize(2, 2);
    Fill(0);
}

bool TALSGBitmap::SetSize(int width, int height, const TImageLimits& limits)
{
    if (!limits.Allows(width, height)) return false;
    if (storage_ && width == width_ && height == height_) return true;
    const int stride = StrideFor(width);
    const size_t rowsAllocated = static_cast<size_t>(height) + 2 * Margin;
    const size_t total = static_cast<size_t>(stride) * rowsAllocated;
    auto* raw = static_cast<uint32_t*>(::operator new[](total * 4, RowAlignment));
    storage_.reset(raw);
    width_ = width;
    height_ = height;
    stridePixels_ = stride;
    origin_ = raw + static_cast<size_t>(stride) * Margin + LeftPad;
    rows_.resize(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        rows_[static_cast<size_t>(y)] = origin_ + static_cast<ptrdiff_t>(y) * stride;
    // The margin and padding start out zero so that nothing ever reads
    // uninitialised memory; the visible pixels are left to the caller.
    std::memset(raw, 0, static_cast<size_t>(stride) * Margin * 4);
    std::memset(raw + static_cast<size_t>(stride) * (Margin + static_cast<size_t>(height)), 0,
                static_cast<size_t>(stride) * Margin * 4);
    for (int y = 0; y < height; ++y) {
        uint32_t* row = Row(y);
        std::memset(row - LeftPad, 0, LeftPad * 4);
        std::memset(row + width, 0, static_cast<size_t>(stride - LeftPad - width) * 4);
    }
    edges_.clear();
    return true;
}

void TALSGBitmap::Fill(uint32_t colour)
{
    for (int y = 0; y < height_; ++y)
        std::fill_n(Row(y), width_, colour);
}

void TALSGBitmap::CopyFrom(const TALSGBitmap& source)
{
    if (&source == this) return;
    SetSize(source.width_, source.height_, TImageLimits{INT32_MAX, INT64_MAX});
    // Rows -1 .. height (the border ring included).
    const size_t count = static_cast<size_t>(width_) + 2;
    for (int y = -1; y <= height_; ++y) {
        const ptrdiff_t offset = static_cast<ptrdiff_t>(y) * stridePixels_ - 1;
        std::memcpy(origin_ + offset,
                    source.origin_ + static_cast<ptrdiff_t>(y) * source.stridePixels_ - 1,
                    count * 4);
    }
    maskLink_ = source.maskLink_;
    transparent_ = source.transparent_;
}

void TALSGBitmap::UpdateBorder()
{
    if (width_ <= 0 || height_ <= 0) return;
    for (int y = 0; y < height_; ++y) {
        uint32_t* row = Row(y);
        row[-1] = row[0];
        row[width_] = row[width_ - 1];
    }
    const size_t count = static_cast<size_t>(width_) + 2;
    std::memcpy(Row(0) - stridePixels_ - 1, Row(0) - 1, count * 4);
    std::memcpy(Row(height_ - 1) + stridePixels_ - 1, Row(height_ - 1) - 1, count * 4);
}

void TALSGBitmap::ComputeTransparency()
{
    transparent_ = 1;
    if (width_ < 2 || height_ < 2) return;
    uint32_t all = 0xFFFFFFFFu;
    for (int y = 0; y < height_; ++y) {
        const uint32_t* row = Row(y);
        // Two accumulators: the compiler vectorises this loop.
        uint32_t a = 0xFFFFFFFFu, b = 0xFFFFFFFFu;
        int x = 0;
        for (; x + 1 < width_; x += 2) {
            a &= row[x];
            b &= row[x + 1];
        }
        if (x < width_) a &= row[x];
        all &= a & b;
        if ((all >> 24) != 0xFF) return;
    }
    transparent_ = 0;
}

std::vector<TEdgeEntry>& TALSGBitmap::EdgeTable()
{
    if (edges_.size() != static_cast<size_t>(height_)) edges_.resize(static_cast<size_t>(height_));
    return edges_;
}

} // namespace tsukimi
