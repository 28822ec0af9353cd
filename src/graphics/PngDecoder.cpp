#include "graphics/PngDecoder.h"

#include "graphics/ImageErrors.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace tsukimi {
namespace {

// The largest ratio deflate can reach is about 1032 to 1; image data that
// would need more than this cannot be in the file.
constexpr uint64_t MaxInflateRatio = 1100;
constexpr uint64_t InflateSlack = 4096;

struct Input
{
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t position = 0;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count)
{
    auto* in = static_cast<Input*>(png_get_io_ptr(png));
    if (count > in->size - in->position) png_error(png, "truncated");
    std::memcpy(out, in->data + in->position, count);
    in->position += count;
}

void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Frees libpng's state however the decode ends.
struct PngState
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngState() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct Job
{
    PngState* state = nullptr;
    Input input;
    TImageLimits limits;
    TALSGBitmap* bitmap = nullptr;
    std::vector<png_bytep>* rows = nullptr;
    bool hasAlpha = false;
};

void SetTransforms(png_structp png, png_infop info, Job& job)
{
    const int depth = png_get_bit_depth(png, info);
    const int type = png_get_color_type(png, info);
    if (depth == 16) png_set_strip_16(png);
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (trns) png_set_tRNS_to_alpha(png);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    job.hasAlpha = (type & PNG_COLOR_MASK_ALPHA) != 0 || trns;
    if (!job.hasAlpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
}

// Everything libpng may jump out of runs here; the objects with
// destructors live in the caller.
bool Run(Job& job)
{
    png_structp png = job.state->png;
    png_infop info = job.state->info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &job.input, ReadBytes);
    const auto side = static_cast<png_uint_32>(job.limits.maxSide);
    png_set_user_limits(png, side, side);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!job.limits.Allows(width, height)) png_error(png, "too large");
    const uint64_t stored = static_cast<uint64_t>(png_get_rowbytes(png, info)) * height;
    const uint64_t left = job.input.size - job.input.position;
    if (stored > left * MaxInflateRatio + InflateSlack) png_error(png, "truncated");
    SetTransforms(png, info, job);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) png_error(png, "layout");
    if (!job.bitmap->SetSize(static_cast<int>(width), static_cast<int>(height), job.limits))
        png_error(png, "too large");
    job.rows->resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        (*job.rows)[y] = reinterpret_cast<png_bytep>(job.bitmap->Row(static_cast<int>(y)));
    png_read_image(png, job.rows->data());
    return true;
}

} // namespace

TPngImage DecodePng(std::span<const uint8_t> bytes, const TImageLimits& limits)
{
    static constexpr uint8_t SignatureStart[4] = {0x89, 'P', 'N', 'G'};
    if (bytes.size() < 4) throw ImageDecodeError("PNG: truncated");
    Job job;
    job.input.data = bytes.data();
    job.input.size = bytes.size();
    // A stream may carry a 4-byte prefix before the signature.
    job.input.position = std::memcmp(bytes.data(), SignatureStart, 4) == 0 ? 0 : 4;
    job.limits = limits;

    PngState state;
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!state.png) throw ImageDecodeError("PNG: no memory");
    state.info = png_create_info_struct(state.png);
    if (!state.info) throw ImageDecodeError("PNG: no memory");
    auto bitmap = std::make_unique<TALSGBitmap>();
    std::vector<png_bytep> rows;
    job.state = &state;
    job.bitmap = bitmap.get();
    job.rows = &rows;
    if (!Run(job)) throw ImageDecodeError("PNG: undecodable data");
    return TPngImage{std::move(bitmap), job.hasAlpha};
}

} // namespace tsukimi
