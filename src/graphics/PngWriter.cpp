#include "graphics/PngWriter.h"

#include <png.h>

#include <csetjmp>

namespace tsukimi {
namespace {

void WriteToVector(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

} // namespace

std::optional<std::vector<uint8_t>> EncodePng(const uint32_t* pixels, int width, int height,
                                              int stride, bool opaque)
{
    if (!pixels || width <= 0 || height <= 0 || stride < width)
        return std::nullopt;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return std::nullopt;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return std::nullopt;
    }
    std::vector<uint8_t> out;
    const int channels = opaque ? 3 : 4;
    std::vector<uint8_t> row(static_cast<size_t>(width) * channels);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return std::nullopt;
    }
    png_set_write_fn(png, &out, WriteToVector, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = pixels + static_cast<size_t>(y) * stride;
        uint8_t* dst = row.data();
        for (int x = 0; x < width; ++x) {
            const uint32_t p = src[x];
            *dst++ = static_cast<uint8_t>(p >> 16);
            *dst++ = static_cast<uint8_t>(p >> 8);
            *dst++ = static_cast<uint8_t>(p);
            if (!opaque)
                *dst++ = static_cast<uint8_t>(p >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace tsukimi
