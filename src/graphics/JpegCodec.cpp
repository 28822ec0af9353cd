#include "graphics/JpegCodec.h"

#include "graphics/ImageErrors.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <jpeglib.h>

namespace tsukimi {
namespace {

// Real files have a few dozen scans; thousands only slow a decode down.
constexpr int MaxScans = 1000;
constexpr uint64_t MinWorkMemory = uint64_t{64} << 20;

struct ErrorManager
{
    jpeg_error_mgr pub{};
    std::jmp_buf jump{};
};

void ErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void Silent(j_common_ptr) {}

void CheckScans(j_common_ptr info)
{
    if (!info->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > MaxScans) ErrorExit(info);
}

void InstallErrors(ErrorManager& errors)
{
    jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.output_message = Silent;
}

struct Decoder
{
    jpeg_decompress_struct info{};
    ErrorManager errors;
    jpeg_progress_mgr progress{};
    bool created = false;
    ~Decoder()
    {
        if (created) jpeg_destroy_decompress(&info);
    }
};

struct DecodeJob
{
    Decoder* decoder = nullptr;
    std::span<const uint8_t> bytes;
    JpegOutput output = JpegOutput::Colour;
    TImageLimits limits;
    TALSGBitmap* bitmap = nullptr;
    std::vector<uint8_t>* greyRow = nullptr;
};

void Widen(const uint8_t* grey, uint32_t* out, int width)
{
    for (int x = 0; x < width; ++x)
        out[x] = 0xFF000000u | grey[x] * 0x010101u;
}

// Everything libjpeg may jump out of runs here; the objects with
// destructors live in the caller.
bool RunDecode(DecodeJob& job)
{
    jpeg_decompress_struct& info = job.decoder->info;
    if (setjmp(job.decoder->errors.jump)) return false;
    jpeg_create_decompress(&info);
    job.decoder->created = true;
    job.decoder->progress.progress_monitor = CheckScans;
    info.progress = &job.decoder->progress;
    jpeg_mem_src(&info, job.bytes.data(), static_cast<unsigned long>(job.bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (!job.limits.Allows(info.image_width, info.image_height))
        ErrorExit(reinterpret_cast<j_common_ptr>(&info));
    info.dct_method = JDCT_ISLOW;
    info.do_block_smoothing = FALSE;
    info.buffered_image = FALSE;
    info.out_color_space = job.output == JpegOutput::Colour ? JCS_EXT_BGRA : JCS_GRAYSCALE;
    const uint64_t memory =
        std::max<uint64_t>(MinWorkMemory, static_cast<uint64_t>(job.limits.maxPixels) * 8);
    info.mem->max_memory_to_use = static_cast<long>(
        std::min<uint64_t>(memory, static_cast<uint64_t>(std::numeric_limits<long>::max())));
    jpeg_start_decompress(&info);
    const int width = static_cast<int>(info.output_width),
              height = static_cast<int>(info.output_height);
    if (!job.bitmap->SetSize(width, height, job.limits))
        ErrorExit(reinterpret_cast<j_common_ptr>(&info));
    if (job.output == JpegOutput::Colour) {
        while (info.output_scanline < info.output_height) {
            JSAMPROW row =
                reinterpret_cast<JSAMPROW>(job.bitmap->Row(static_cast<int>(info.output_scanline)));
            jpeg_read_scanlines(&info, &row, 1);
        }
    } else {
        job.greyRow->resize(static_cast<size_t>(width));
        JSAMPROW row = job.greyRow->data();
        while (info.output_scanline < info.output_height) {
            const int y = static_cast<int>(info.output_scanline);
            jpeg_read_scanlines(&info, &row, 1);
            Widen(row, job.bitmap->Row(y), width);
        }
    }
    return true;
}

struct Encoder
{
    jpeg_compress_struct info{};
    ErrorManager errors;
    bool created = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    ~Encoder()
    {
        if (created) jpeg_destroy_compress(&info);
        std::free(buffer);
    }
};

bool RunEncode(Encoder& encoder, const TALSGBitmap& bitmap, int quality)
{
    jpeg_compress_struct& info = encoder.info;
    if (setjmp(encoder.errors.jump)) return false;
    jpeg_create_compress(&info);
    encoder.created = true;
    jpeg_mem_dest(&info, &encoder.buffer, &encoder.size);
    info.image_width = static_cast<JDIMENSION>(bitmap.Width());
    info.image_height = static_cast<JDIMENSION>(bitmap.Height());
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    info.dct_method = JDCT_ISLOW;
    info.smoothing_factor = 0;
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPROW>(
            reinterpret_cast<const JSAMPLE*>(bitmap.Row(static_cast<int>(info.next_scanline))));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

} // namespace

std::unique_ptr<TALSGBitmap> DecodeJpeg(std::span<const uint8_t> bytes, JpegOutput output,
                                        const TImageLimits& limits)
{
    Decoder decoder;
    decoder.info.err = &decoder.errors.pub;
    InstallErrors(decoder.errors);
    auto bitmap = std::make_unique<TALSGBitmap>();
    std::vector<uint8_t> greyRow;
    DecodeJob job{&decoder, bytes, output, limits, bitmap.get(), &greyRow};
    if (bytes.empty() || !RunDecode(job)) throw ImageDecodeError("JPEG: undecodable data");
    return bitmap;
}

std::optional<std::vector<uint8_t>> EncodeJpeg(const TALSGBitmap& bitmap, int quality)
{
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0) return std::nullopt;
    Encoder encoder;
    encoder.info.err = &encoder.errors.pub;
    InstallErrors(encoder.errors);
    if (!RunEncode(encoder, bitmap, std::clamp(quality, 0, 100))) return std::nullopt;
    return std::vector<uint8_t>(encoder.buffer, encoder.buffer + encoder.size);
}

} // namespace tsukimi
