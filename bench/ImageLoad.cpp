// Image loading speed: a 1280 x 720 PNG and JPEG stored in a version-3 pack,
// loaded by name through the locator and the image cache (every load a miss:
// CacheSize 0 and each image released), against the bare libpng and libjpeg
// decode of the same bytes into a 32-bit buffer. Goal: the engine's path
// takes at most 1.2 times the bare decode.
#include "data/GameData.h"
#include "data/PackWriter.h"
#include "graphics/ARGB8888Manager.h"
#include "graphics/JpegCodec.h"
#include "graphics/PngWriter.h"
#include "platform/FileSystem.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include <jpeglib.h>

namespace tsukimi {
namespace {

constexpr int Width = 1280, Height = 720;
constexpr const char* PngName = "image\\bg\\stage.png";
constexpr const char* JpegName = "image\\bg\\photo.jpg";

// Smooth gradients with some noise and an alpha edge: compresses like
// painted game art rather than like a flat fill.
void MakePicture(TALSGBitmap& bitmap)
{
    bitmap.SetSize(Width, Height);
    uint32_t noise = 12345;
    for (int y = 0; y < Height; ++y) {
        uint32_t* row = bitmap.Row(y);
        for (int x = 0; x < Width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const uint32_t n = (noise >> 16) & 7;
            const uint32_t r = (static_cast<uint32_t>(x) * 255 / Width + n) & 0xFF;
            const uint32_t g = (static_cast<uint32_t>(y) * 255 / Height + n) & 0xFF;
            const uint32_t b = ((static_cast<uint32_t>(x + y) / 5) & 0xFF) ^ n;
            const uint32_t a = x < 16 ? static_cast<uint32_t>(x) * 16 : 255;
            row[x] = a << 24 | r << 16 | g << 8 | b;
        }
    }
}

struct Fixture
{
    std::vector<uint8_t> png, jpeg;
    std::filesystem::path root;
    std::unique_ptr<platform::FileSystem> files;
    std::unique_ptr<TGameData> data;

    Fixture()
    {
        TALSGBitmap picture;
        MakePicture(picture);
        png = *EncodePng(picture.Row(0), Width, Height, picture.StridePixels(), false);
        jpeg = *EncodeJpeg(picture, 90);
        std::random_device random;
        root =
            std::filesystem::temp_directory_path() / ("tsukimi-bench-" + std::to_string(random()));
        std::filesystem::create_directories(root / "GameData");
        const std::vector<TPackSource> entries = {{PngName, png}, {JpegName, jpeg}};
        const TBuiltPack pack =
            BuildPack(entries, TPackWriteOptions{3, PackCompression::Auto, 3, false});
        std::ofstream(root / "GameData" / "data0.pack", std::ios::binary)
            .write(reinterpret_cast<const char*>(pack.pack.data()),
                   static_cast<std::streamsize>(pack.pack.size()));
        files = platform::CreateNativeFileSystem(root.string());
        data = std::make_unique<TGameData>(*files);
        if (data->OpenPacks("GameData\\") != 1)
            std::fprintf(stderr, "pack: %s\n", data->LastError().c_str());
    }
    ~Fixture()
    {
        data.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

Fixture& Shared()
{
    static Fixture fixture;
    return fixture;
}

void EngineLoad(benchmark::State& state, const char* name)
{
    Fixture& f = Shared();
    TARGB8888Manager cache(0);
    for (auto _ : state) {
        auto image = cache.LoadImage(*f.data, name);
        if (!image || image->Width() != Width) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(image->Buffer()->Row(0));
        cache.Release(image);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_EnginePng(benchmark::State& state)
{
    EngineLoad(state, PngName);
}
BENCHMARK(BM_EnginePng)->Unit(benchmark::kMillisecond);

void BM_EngineJpeg(benchmark::State& state)
{
    EngineLoad(state, JpegName);
}
BENCHMARK(BM_EngineJpeg)->Unit(benchmark::kMillisecond);

// --- The bare library decodes -----------------------------------------------

struct PngInput
{
    const uint8_t* data;
    size_t size, position;
};

void ReadPng(png_structp png, png_bytep out, png_size_t count)
{
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    if (count > in->size - in->position) png_error(png, "truncated");
    std::memcpy(out, in->data + in->position, count);
    in->position += count;
}

bool BarePng(const std::vector<uint8_t>& bytes, std::vector<uint32_t>& pixels,
             std::vector<png_bytep>& rows)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    PngInput input{bytes.data(), bytes.size(), 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &input, ReadPng);
    png_read_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    pixels.resize(static_cast<size_t>(w) * h);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        rows[y] = reinterpret_cast<png_bytep>(pixels.data() + static_cast<size_t>(y) * w);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

void BM_BarePng(benchmark::State& state)
{
    const std::vector<uint8_t>& bytes = Shared().png;
    for (auto _ : state) {
        // A fresh buffer per decode, as the engine allocates one per image.
        std::vector<uint32_t> pixels;
        std::vector<png_bytep> rows;
        if (!BarePng(bytes, pixels, rows)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BarePng)->Unit(benchmark::kMillisecond);

struct JpegErrors
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

bool BareJpeg(const std::vector<uint8_t>& bytes, std::vector<uint32_t>& pixels)
{
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = JpegFail;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.do_block_smoothing = FALSE;
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    pixels.resize(static_cast<size_t>(info.output_width) * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(
            pixels.data() + static_cast<size_t>(info.output_scanline) * info.output_width);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

void BM_BareJpeg(benchmark::State& state)
{
    const std::vector<uint8_t>& bytes = Shared().jpeg;
    for (auto _ : state) {
        std::vector<uint32_t> pixels;
        if (!BareJpeg(bytes, pixels)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareJpeg)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tsukimi
