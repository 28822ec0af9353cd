#include "graphics/ImageFixtures.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace tsukimi::testing {
namespace {

void Put16(Bytes& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& out, uint64_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PngAppend(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void PngNoFlush(png_structp) {}

struct JpegErrors
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};
void JpegFail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

} // namespace

Bytes MakeBmp(const BmpLayout& s)
{
    const bool core = s.headerSize == 12;
    const size_t entry = core ? 3 : 4;
    const bool trailingMasks = s.headerSize == 40 && !s.masks.empty();
    const size_t paletteAt = 14 + s.headerSize + (trailingMasks ? 4 * s.masks.size() : 0);
    const size_t pixelsAt = paletteAt + entry * s.palette.size();
    const uint64_t offBits = s.offBits >= 0 ? static_cast<uint64_t>(s.offBits) : pixelsAt;
    Bytes out{'B', 'M'};
    Put32(out, pixelsAt + s.pixels.size());
    Put32(out, 0);
    Put32(out, offBits);
    Put32(out, s.headerSize);
    if (core) {
        Put16(out, static_cast<uint32_t>(s.width));
        Put16(out, static_cast<uint32_t>(s.height));
        Put16(out, 1);
        Put16(out, s.bits);
    } else {
        Put32(out, static_cast<uint32_t>(s.width));
        Put32(out, static_cast<uint32_t>(s.height));
        Put16(out, 1);
        Put16(out, s.bits);
        Put32(out, s.compression);
        Put32(out, s.compression == 1 || s.compression == 2 ? s.pixels.size() : 0);
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out, s.colorsUsed);
        Put32(out, 0);
        if (s.headerSize > 40) {
            for (size_t i = 0; i < 4; ++i)
                Put32(out, i < s.masks.size() ? s.masks[i] : 0);
        }
        while (out.size() < 14 + s.headerSize)
            out.push_back(0);
        if (trailingMasks) {
            for (uint32_t m : s.masks)
                Put32(out, m);
        }
    }
    for (uint32_t c : s.palette) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c >> 16));
        if (!core) out.push_back(0);
    }
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

Bytes PackRows(int bits, int width, int height, const std::vector<uint32_t>& values, bool topDown)
{
    const size_t rowSize = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    Bytes out;
    for (int r = 0; r < height; ++r) {
        const int y = topDown ? r : height - 1 - r;
        Bytes row(rowSize, 0);
        for (int x = 0; x < width; ++x) {
            const uint32_t v = values[static_cast<size_t>(y) * width + x];
            switch (bits) {
            case 1:
                row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<uint8_t>((v & 15) << (x % 2 ? 0 : 4));
                break;
            case 8:
                row[x] = static_cast<uint8_t>(v);
                break;
            case 16:
                row[2 * x] = static_cast<uint8_t>(v);
                row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                break;
            case 24:
                for (int i = 0; i < 3; ++i)
                    row[3 * x + i] = static_cast<uint8_t>(v >> (8 * i));
                break;
            default:
                for (int i = 0; i < 4; ++i)
                    row[4 * x + i] = static_cast<uint8_t>(v >> (8 * i));
                break;
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

Bytes MakePng(const PngLayout& s)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Bytes out;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("MakePng failed");
    }
    png_set_write_fn(png, &out, PngAppend, PngNoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height),
                 s.bitDepth, s.colorType, s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (uint32_t c : s.palette)
        palette.push_back(png_color{static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                                    static_cast<png_byte>(c)});
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    png_color_16 colour{};
    colour.red = s.trnsR;
    colour.green = s.trnsG;
    colour.blue = s.trnsB;
    colour.gray = s.trnsR;
    if (!s.trnsAlpha.empty())
        png_set_tRNS(png, info, s.trnsAlpha.data(), static_cast<int>(s.trnsAlpha.size()), nullptr);
    else if (s.trnsColour)
        png_set_tRNS(png, info, nullptr, 0, &colour);
    png_write_info(png, info);

    const int channels = s.colorType == PNG_COLOR_TYPE_RGB          ? 3
                         : s.colorType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                         : s.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                    : 1;
    const size_t rowBytes = (static_cast<size_t>(s.width) * channels * s.bitDepth + 7) / 8;
    std::vector<Bytes> rows(static_cast<size_t>(s.height), Bytes(rowBytes, 0));
    for (int y = 0; y < s.height; ++y) {
        Bytes& row = rows[static_cast<size_t>(y)];
        for (int i = 0; i < s.width * channels; ++i) {
            const uint16_t v = s.samples[static_cast<size_t>(y) * s.width * channels + i];
            if (s.bitDepth == 16) {
                row[2 * i] = static_cast<uint8_t>(v >> 8);
                row[2 * i + 1] = static_cast<uint8_t>(v);
            } else if (s.bitDepth == 8) {
                row[i] = static_cast<uint8_t>(v);
            } else {
                const int perByte = 8 / s.bitDepth;
                const int shift = 8 - s.bitDepth * (i % perByte + 1);
                row[i / perByte] |= static_cast<uint8_t>(v << shift);
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (auto& row : rows)
        pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes MakeJpeg(int width, int height, int components, const std::vector<uint8_t>& samples,
               int quality, bool progressive)
{
    jpeg_compress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = JpegFail;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        throw std::runtime_error("MakeJpeg failed");
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPLE*>(samples.data() + static_cast<size_t>(info.next_scanline) *
                                                              width * components);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

std::vector<uint8_t> ReferenceJpegDecode(const Bytes& jpeg, int components, int* width, int* height)
{
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = JpegFail;
    std::vector<uint8_t> out;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return {};
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.do_block_smoothing = FALSE;
    info.out_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    out.resize(static_cast<size_t>(info.output_width) * info.output_height * components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row =
            out.data() + static_cast<size_t>(info.output_scanline) * info.output_width * components;
        jpeg_read_scanlines(&info, &row, 1);
    }
    if (width) *width = static_cast<int>(info.output_width);
    if (height) *height = static_cast<int>(info.output_height);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

Bytes MakeArgb(const std::string& magic, uint8_t type, const Bytes& first, const Bytes& second,
               int64_t length1, int64_t length2)
{
    Bytes out(magic.begin(), magic.end());
    out.resize(16, 0);
    out.push_back(type);
    Put32(out, static_cast<uint64_t>(
                   length1 >= 0 || length1 < -1 ? length1 : static_cast<int64_t>(first.size())));
    Put32(out, static_cast<uint64_t>(
                   length2 >= 0 || length2 < -1 ? length2 : static_cast<int64_t>(second.size())));
    out.insert(out.end(), first.begin(), first.end());
    out.insert(out.end(), second.begin(), second.end());
    return out;
}

std::vector<uint32_t> PixelsOf(const TARGB8888& image)
{
    std::vector<uint32_t> out;
    const TALSGBitmap* buffer = image.Buffer();
    if (!buffer) return out;
    for (int y = 0; y < buffer->Height(); ++y)
        out.insert(out.end(), buffer->Row(y), buffer->Row(y) + buffer->Width());
    return out;
}

std::vector<uint8_t> Pattern(int width, int height, int components, int seed)
{
    std::vector<uint8_t> out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                out.push_back(static_cast<uint8_t>((x * 37 + y * 91 + c * 53 + seed * 17) & 0xFF));
    return out;
}

} // namespace tsukimi::testing
