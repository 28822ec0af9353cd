#pragma once
// Every picture the engine handles: a straight-alpha ARGB raster
// (0xAARRGGBB words) over a TALSGBitmap, with the whole-image operations,
// the decoders of ".bmp", ".jpg", ".png" and ".argb" and the BMP and JPEG
// encoders.
//
// An image owns one buffer and may borrow an external one (a movie's
// current frame); every operation works on the current buffer (the external
// one when set) and does nothing when there is none. Coordinates are pixels
// from the top-left corner; right and bottom are exclusive.
#include "data/MemoryStream.h"
#include "graphics/ALSGBitmap.h"
#include "graphics/ImageErrors.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tsukimi {

struct TImageLoadOptions
{
    // The message box of a non-standard JPEG; empty = none.
    TImageMessage message;
    TImageLimits limits;
};

class TARGB8888
{
public:
    using FrameHook = std::function<void(int)>;
    using TransparencyProvider = std::function<bool()>;
    using SizeProvider = std::function<int()>;

    // Serials count modulo 2^24.
    static constexpr uint32_t SerialMask = 0xFFFFFF;

    TARGB8888();
    ~TARGB8888();
    TARGB8888(const TARGB8888&) = delete;
    TARGB8888& operator=(const TARGB8888&) = delete;

    // Frees the own buffer, drops the external buffer, the providers and the
    // mask image, takes a new serial.
    void Clear();
    // A new own buffer of that size, all 0x00000000, border updated,
    // transparent. False (image unchanged) for a size over `limits`.
    bool SetSize(int width, int height, const TImageLimits& limits = {});
    // Clear, then a pixel-exact copy of the source's current buffer.
    void Assign(const TARGB8888& source);
    // Takes `buffer` as the own buffer (Clear first).
    void AdoptBuffer(std::unique_ptr<TALSGBitmap> buffer);
    // Sets or drops (null) the borrowed buffer.
    void SetExternalBuffer(TALSGBitmap* buffer);

    int Width() const;
    int Height() const;
    bool IsTransparent() const;
    // Rescans the own buffer's alphas.
    void UpdateTransparency();
    void Touch();
    uint32_t Serial() const { return serial_; }
    void UpdateBorder();
    // The mask's current buffer becomes this buffer's mask link.
    void SetMask(TARGB8888* mask);
    TARGB8888* Mask() const { return mask_; }

    TALSGBitmap* Buffer() const { return current_; }
    TALSGBitmap* OwnBuffer() const { return own_.get(); }
    TALSGBitmap* ExternalBuffer() const { return external_; }

    void SetFrameHook(FrameHook hook) { frameHook_ = std::move(hook); }
    // Brings the pixels up to date before a draw (movie images).
    void CallFrameHook(int value) const;
    void SetTransparencyProvider(TransparencyProvider provider);
    void SetWidthProvider(SizeProvider provider) { widthProvider_ = std::move(provider); }
    void SetHeightProvider(SizeProvider provider) { heightProvider_ = std::move(provider); }

    // --- Loading: by the lower-cased extension of `name` (".bmp", ".jpg",
    // ".png", ".argb"; any other decodes nothing and still succeeds). The
    // bytes are read from the stream's position to its end, and the stream
    // is left at its end. A BMP, PNG or ".argb" failure leaves the image
    // empty and throws ImageLoadError (the name + kLoadFailedSuffix); a
    // JPEG failure shows kBadJpeg through options.message and leaves the
    // image empty.
    bool LoadFromStream(TMemoryStream& stream, std::string_view name,
                        const TImageLoadOptions& options = {});
    bool LoadFromBytes(std::span<const uint8_t> bytes, std::string_view name,
                       const TImageLoadOptions& options = {});
    bool LoadBmp(TMemoryStream& stream, const TImageLoadOptions& options = {});
    bool LoadJpeg(TMemoryStream& stream, const TImageLoadOptions& options = {});
    bool LoadPng(TMemoryStream& stream, const TImageLoadOptions& options = {});
    bool LoadArgb(TMemoryStream& stream, const TImageLoadOptions& options = {});

    // A 32-bit bottom-up BMP (alpha in the fourth byte), written at the
    // stream's position. False without a stream or a buffer.
    bool SaveBmp(TMemoryStream* stream) const;
    // A baseline JPEG (alpha dropped); quality is clamped to 0 .. 100.
    bool SaveJpeg(TMemoryStream* stream, int quality) const;

    // --- Raster operations.
    // Writes the colour (all four bytes); opaque colour: transparent := 0,
    // else 1.
    void FillRect(int left, int top, uint32_t colour, int bottom, int right);
    // Replaces the alpha of the first 2 * (w / 2) pixels of each clipped row.
    void SetAlphaRect(int left, int top, int alpha, int bottom, int right);
    // Unblended copy of a source rectangle; each word is OR-ed with alphaMask.
    void CopyTo(TARGB8888& destination, int destinationX, int destinationY, int sourceLeft,
                int sourceTop, int sourceRight, int sourceBottom, uint32_t alphaMask) const;
    // Each pixel's alpha := the blue byte of the mask's pixel there.
    void CopyAlphaFrom(const TARGB8888& mask);
    void Scroll(int dx, int dy, uint32_t colour);
    // Coordinates rounded half away from zero; 0 outside the image.
    uint32_t GetPixel(double x, double y) const;
    // SHA-256 of the rows (blue, green, red, alpha per pixel), 64 upper-case
    // hexadecimal digits.
    std::string Digest() const;

private:
    void UpdateCurrent();

    std::unique_ptr<TALSGBitmap> own_;
    TALSGBitmap* external_ = nullptr;
    TALSGBitmap* current_ = nullptr;
    uint8_t transparent_ = 1;
    FrameHook frameHook_;
    TransparencyProvider transparencyProvider_;
    SizeProvider widthProvider_;
    SizeProvider heightProvider_;
    TARGB8888* mask_ = nullptr;
    uint32_t serial_ = 0;
};

// An unscaled copy after clipping: the destination and source corners and
// the size copied.
struct TUnscaledCopy
{
    int destinationX, destinationY, sourceX, sourceY, width, height;
};

// The clipping of CopyTo (and of the other unscaled operations): reversed
// source corners are swapped; a negative destination corner moves the
// source corner inwards and a negative source corner the destination one;
// the source is limited to its image and the size to what fits the
// destination. Null when nothing is left.
std::optional<TUnscaledCopy> ClipUnscaledCopy(int sourceWidth, int sourceHeight,
                                              int destinationWidth, int destinationHeight,
                                              int destinationX, int destinationY, int sourceLeft,
                                              int sourceTop, int sourceRight, int sourceBottom);

// Rounds half away from zero and saturates to int32; NaN gives 0.
int RoundCoordinate(double value);

} // namespace tsukimi
