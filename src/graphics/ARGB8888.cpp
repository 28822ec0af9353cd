#include "graphics/ARGB8888.h"

#include "data/Sha256.h"
#include "graphics/ArgbContainer.h"
#include "graphics/BmpCodec.h"
#include "graphics/JpegCodec.h"
#include "graphics/PngDecoder.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace tsukimi {
namespace {

std::atomic<uint32_t> serialCounter{0};

uint32_t NextSerial()
{
    uint32_t value = serialCounter.load(std::memory_order_relaxed);
    while (!serialCounter.compare_exchange_weak(value, (value + 1) & TARGB8888::SerialMask,
                                                std::memory_order_relaxed)) {
    }
    return value;
}

std::string LowerExtension(std::string_view name)
{
    const size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return {};
    std::string ext(name.substr(dot));
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return ext;
}

} // namespace

int RoundCoordinate(double value)
{
    if (std::isnan(value)) return 0;
    const double rounded = value >= 0 ? value + 0.5 : value - 0.5;
    if (rounded >= 2147483647.0) return std::numeric_limits<int>::max();
    if (rounded <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(rounded);
}

TARGB8888::TARGB8888() : serial_(NextSerial()) {}

TARGB8888::~TARGB8888() = default;

void TARGB8888::UpdateCurrent()
{
    current_ = external_ ? external_ : own_.get();
    if (mask_ && current_) current_->SetMaskLink(mask_->Buffer());
}

void TARGB8888::Clear()
{
    own_.reset();
    external_ = nullptr;
    frameHook_ = nullptr;
    transparencyProvider_ = nullptr;
    widthProvider_ = nullptr;
    heightProvider_ = nullptr;
    mask_ = nullptr;
    UpdateCurrent();
    serial_ = NextSerial();
    transparent_ = current_ ? current_->Transparent() : 1;
}

bool TARGB8888::SetSize(int width, int height, const TImageLimits& limits)
{
    if (!limits.Allows(width, height)) return false;
    auto buffer = std::make_unique<TALSGBitmap>();
    buffer->SetSize(width, height, limits);
    buffer->Fill(0);
    buffer->UpdateBorder();
    buffer->SetTransparent(true);
    own_ = std::move(buffer);
    UpdateCurrent();
    transparent_ = 1;
    Touch();
    return true;
}

void TARGB8888::Assign(const TARGB8888& source)
{
    if (&source == this) return;
    Clear();
    const TALSGBitmap* from = source.Buffer();
    if (!from) return;
    auto buffer = std::make_unique<TALSGBitmap>();
    buffer->CopyFrom(*from);
    // The source's answer, which a provider may give instead of its flag.
    buffer->SetTransparent(source.IsTransparent());
    own_ = std::move(buffer);
    UpdateCurrent();
    transparent_ = own_->Transparent();
}

void TARGB8888::AdoptBuffer(std::unique_ptr<TALSGBitmap> buffer)
{
    Clear();
    own_ = std::move(buffer);
    UpdateCurrent();
    transparent_ = current_ ? current_->Transparent() : 1;
}

void TARGB8888::SetExternalBuffer(TALSGBitmap* buffer)
{
    external_ = buffer;
    UpdateCurrent();
}

int TARGB8888::Width() const
{
    if (widthProvider_) return widthProvider_();
    return current_ ? current_->Width() : 0;
}

int TARGB8888::Height() const
{
    if (heightProvider_) return heightProvider_();
    return current_ ? current_->Height() : 0;
}

bool TARGB8888::IsTransparent() const
{
    if (transparencyProvider_) return transparencyProvider_();
    return current_ ? current_->Transparent() != 0 : true;
}

void TARGB8888::SetTransparencyProvider(TransparencyProvider provider)
{
    transparencyProvider_ = std::move(provider);
}

void TARGB8888::UpdateTransparency()
{
    if (own_) own_->ComputeTransparency();
    transparent_ = own_ ? own_->Transparent() : 1;
}

void TARGB8888::Touch()
{
    serial_ = NextSerial();
}

void TARGB8888::UpdateBorder()
{
    if (current_) current_->UpdateBorder();
}

void TARGB8888::SetMask(TARGB8888* mask)
{
    mask_ = mask;
    if (current_) current_->SetMaskLink(mask ? mask->Buffer() : nullptr);
}

void TARGB8888::CallFrameHook(int value) const
{
    if (frameHook_) frameHook_(value);
}

// --- Loading and saving ---------------------------------------------------

bool TARGB8888::LoadFromStream(TMemoryStream& stream, std::string_view name,
                               const TImageLoadOptions& options)
{
    const std::span<const uint8_t> bytes = stream.RemainingBytes();
    stream.Seek(stream.Size());
    return LoadFromBytes(bytes, name, options);
}

bool TARGB8888::LoadFromBytes(std::span<const uint8_t> bytes, std::string_view name,
                              const TImageLoadOptions& options)
{
    Clear();
    const std::string ext = LowerExtension(name);
    std::unique_ptr<TALSGBitmap> decoded;
    try {
        if (ext == ".bmp") {
            decoded = DecodeBmp(bytes, 0xFF, options.limits);
        } else if (ext == ".png") {
            decoded = DecodePng(bytes, options.limits).bitmap;
        } else if (ext == ".argb") {
            decoded = DecodeArgb(bytes, options.limits);
        } else if (ext == ".jpg") {
            try {
                decoded = DecodeJpeg(bytes, JpegOutput::Colour, options.limits);
            } catch (const ImageDecodeError&) {
                if (options.message) options.message(texts::kBadJpeg);
                return true;
            } catch (const std::bad_alloc&) {
                if (options.message) options.message(texts::kBadJpeg);
                return true;
            }
        }
    } catch (const std::exception&) {
        // ImageDecodeError, StreamError or an allocation the caps allowed
        // but the machine did not.
        throw ImageLoadError(std::string(name) + texts::kLoadFailedSuffix);
    }
    if (!decoded) return true;
    own_ = std::move(decoded);
    UpdateCurrent();
    own_->UpdateBorder();
    UpdateTransparency();
    return true;
}

bool TARGB8888::LoadBmp(TMemoryStream& stream, const TImageLoadOptions& options)
{
    return LoadFromStream(stream, ".bmp", options);
}

bool TARGB8888::LoadJpeg(TMemoryStream& stream, const TImageLoadOptions& options)
{
    return LoadFromStream(stream, ".jpg", options);
}

bool TARGB8888::LoadPng(TMemoryStream& stream, const TImageLoadOptions& options)
{
    return LoadFromStream(stream, ".png", options);
}

bool TARGB8888::LoadArgb(TMemoryStream& stream, const TImageLoadOptions& options)
{
    return LoadFromStream(stream, ".argb", options);
}

bool TARGB8888::SaveBmp(TMemoryStream* stream) const
{
    if (!stream || !current_) return false;
    stream->WriteBytes(EncodeBmp(*current_));
    return true;
}

bool TARGB8888::SaveJpeg(TMemoryStream* stream, int quality) const
{
    if (!stream || !current_) return false;
    auto bytes = EncodeJpeg(*current_, quality);
    if (!bytes) return false;
    stream->WriteBytes(*bytes);
    return true;
}

// --- Raster operations ----------------------------------------------------

void TARGB8888::FillRect(int left, int top, uint32_t colour, int bottom, int right)
{
    if (!current_) return;
    right = std::min(right, current_->Width());
    bottom = std::min(bottom, current_->Height());
    left = std::max(left, 0);
    top = std::max(top, 0);
    if (right <= left || bottom <= top) return;
    for (int y = top; y < bottom; ++y)
        std::fill(current_->Row(y) + left, current_->Row(y) + right, colour);
    current_->SetTransparent((colour >> 24) != 0xFF);
}

void TARGB8888::SetAlphaRect(int left, int top, int alpha, int bottom, int right)
{
    if (!current_) return;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    right = std::min(right, current_->Width());
    bottom = std::min(bottom, current_->Height());
    left = std::max(left, 0);
    top = std::max(top, 0);
    if (right <= left || bottom <= top) return;
    alpha = std::clamp(alpha, 0, 255);
    // Pixels are changed in pairs: an odd last column stays as it was.
    const int pairs = (right - left) / 2 * 2;
    const uint32_t a = static_cast<uint32_t>(alpha) << 24;
    for (int y = top; y < bottom; ++y) {
        uint32_t* p = current_->Row(y) + left;
        for (int x = 0; x < pairs; ++x)
            p[x] = (p[x] & 0x00FFFFFFu) | a;
    }
    if (alpha < 255)
        current_->SetTransparent(true);
    else if (left == 0 && top == 0 && right == current_->Width() && bottom == current_->Height())
        current_->SetTransparent(false);
}

std::optional<TUnscaledCopy> ClipUnscaledCopy(int sourceWidth, int sourceHeight,
                                              int destinationWidth, int destinationHeight,
                                              int destinationX, int destinationY, int sourceLeft,
                                              int sourceTop, int sourceRight, int sourceBottom)
{
    int64_t sl = sourceLeft, st = sourceTop, sr = sourceRight, sb = sourceBottom;
    int64_t dx = destinationX, dy = destinationY;
    if (sl > sr) std::swap(sl, sr);
    if (st > sb) std::swap(st, sb);
    if (sr <= sl || sb <= st) return std::nullopt;
    if (sr <= 0 || sb <= 0 || sl >= sourceWidth || st >= sourceHeight) return std::nullopt;
    if (dx < 0) {
        sl -= dx;
        dx = 0;
    }
    if (dy < 0) {
        st -= dy;
        dy = 0;
    }
    if (sl < 0) {
        dx -= sl;
        sl = 0;
    }
    if (st < 0) {
        dy -= st;
        st = 0;
    }
    sr = std::min<int64_t>(sr, sourceWidth);
    sb = std::min<int64_t>(sb, sourceHeight);
    const int64_t width = std::min<int64_t>(sr - sl, destinationWidth - dx);
    const int64_t height = std::min<int64_t>(sb - st, destinationHeight - dy);
    if (width <= 0 || height <= 0) return std::nullopt;
    return TUnscaledCopy{static_cast<int>(dx), static_cast<int>(dy),    static_cast<int>(sl),
                         static_cast<int>(st), static_cast<int>(width), static_cast<int>(height)};
}

void TARGB8888::CopyTo(TARGB8888& destination, int destinationX, int destinationY, int sourceLeft,
                       int sourceTop, int sourceRight, int sourceBottom, uint32_t alphaMask) const
{
    const TALSGBitmap* src = current_;
    TALSGBitmap* dst = destination.Buffer();
    if (!src || !dst) return;
    const auto clip =
        ClipUnscaledCopy(src->Width(), src->Height(), dst->Width(), dst->Height(), destinationX,
                         destinationY, sourceLeft, sourceTop, sourceRight, sourceBottom);
    if (!clip) return;
    const int dx = clip->destinationX, dy = clip->destinationY, sl = clip->sourceX,
              st = clip->sourceY, width = clip->width, height = clip->height;

    uint32_t all = 0xFFFFFFFFu;
    for (int y = 0; y < height; ++y) {
        const uint32_t* from = src->Row(st + y) + sl;
        uint32_t* to = dst->Row(dy + y) + dx;
        if (alphaMask == 0 && src != dst) {
            std::memcpy(to, from, static_cast<size_t>(width) * 4);
            for (int x = 0; x < width; ++x)
                all &= to[x];
        } else {
            std::memmove(to, from, static_cast<size_t>(width) * 4);
            for (int x = 0; x < width; ++x)
                all &= (to[x] |= alphaMask);
        }
    }
    if (dx == 0 && dy == 0 && width == dst->Width() && height == dst->Height())
        dst->SetTransparent(false);
    if ((all >> 24) < 0xFF) dst->SetTransparent(true);
}

void TARGB8888::CopyAlphaFrom(const TARGB8888& mask)
{
    const TALSGBitmap* m = mask.Buffer();
    if (!current_ || !m) return;
    const int width = std::min(current_->Width(), m->Width());
    const int height = std::min(current_->Height(), m->Height());
    for (int y = 0; y < height; ++y) {
        uint32_t* p = current_->Row(y);
        const uint32_t* q = m->Row(y);
        for (int x = 0; x < width; ++x)
            p[x] = (p[x] & 0x00FFFFFFu) | (q[x] << 24);
    }
    current_->ComputeTransparency();
}

void TARGB8888::Scroll(int dx, int dy, uint32_t colour)
{
    if (!current_) return;
    TARGB8888 copy;
    copy.Assign(*this);
    FillRect(0, 0, colour, current_->Height(), current_->Width());
    copy.CopyTo(*this, dx, dy, 0, 0, copy.Width(), copy.Height(), 0);
}

uint32_t TARGB8888::GetPixel(double x, double y) const
{
    if (!current_) return 0;
    const int px = RoundCoordinate(x), py = RoundCoordinate(y);
    if (px < 0 || py < 0 || px >= current_->Width() || py >= current_->Height()) return 0;
    return current_->Row(py)[px];
}

std::string TARGB8888::Digest() const
{
    if (!current_ || current_->Height() == 0) return Sha256Hex(nullptr, 0);
    return Sha256Pixels(current_->Row(0), current_->Width(), current_->Height(),
                        current_->StridePixels());
}

} // namespace tsukimi
