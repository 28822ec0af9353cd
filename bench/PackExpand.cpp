// PackExpand against zlib's uncompress on the same data (about 1 MiB each
// of script-like text and ARGB pixels), as bytes of output per second.
#include "data/BlockTransforms.h"
#include "data/MTRandom.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr size_t DataSize = 1 << 20;

std::vector<uint8_t> TextLike()
{
    static const char* const words[] = {
        "\\p ",   "img",     ",",      "100",      "200",      "\\clk",   "\r\n",
        "the ",   "engine ", "shows ", "text ",    "with ",    "ruby ",   "and ",
        "waits ", "for ",    "a ",     "click. ",  "@@top",    "\\if ",   "(",
        ")",      "\\var ",  "=",      "\x82\xa0", "\x82\xa2", "\x81\x42"};
    tsukimi::TMTRandom random;
    std::vector<uint8_t> text;
    while (text.size() < DataSize) {
        const std::string_view word = words[random.NextBelow(std::size(words))];
        text.insert(text.end(), word.begin(), word.end());
    }
    text.resize(DataSize);
    return text;
}

// A 512 x 512 ARGB picture: a vertical gradient, flat panels, and a noisy
// photo-like region.
std::vector<uint8_t> PixelLike()
{
    tsukimi::TMTRandom random;
    std::vector<uint8_t> pixels(DataSize);
    for (size_t y = 0; y < 512; ++y) {
        for (size_t x = 0; x < 512; ++x) {
            uint8_t* p = &pixels[(y * 512 + x) * 4];
            uint8_t b = static_cast<uint8_t>(y / 2), g = static_cast<uint8_t>(y / 4 + 40), r = 30;
            if (x > 64 && x < 200 && y > 300) b = 240, g = 240, r = 250;
            if (x >= 256 && y >= 128 && y < 320) {
                const uint8_t n = static_cast<uint8_t>(random.NextBelow(24));
                b = static_cast<uint8_t>(x / 3 + n), g = static_cast<uint8_t>(y / 2 + n / 2),
                r = static_cast<uint8_t>(120 + n);
            }
            p[0] = b, p[1] = g, p[2] = r, p[3] = 0xFF;
        }
    }
    return pixels;
}

const std::vector<uint8_t>& Data(int kind)
{
    static const std::vector<uint8_t> text = TextLike();
    static const std::vector<uint8_t> pixels = PixelLike();
    return kind == 0 ? text : pixels;
}

void BM_PackExpand(benchmark::State& state)
{
    const std::vector<uint8_t>& data = Data(static_cast<int>(state.range(0)));
    const std::vector<uint8_t> packed = tsukimi::PackCompress(data);
    for (auto _ : state) {
        auto out = tsukimi::PackExpand(packed, true);
        benchmark::DoNotOptimize(out->data());
    }
    if (*tsukimi::PackExpand(packed, true) != data) state.SkipWithError("round trip differs");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.counters["ratio"] = static_cast<double>(packed.size()) / data.size();
}

void BM_ZlibUncompress(benchmark::State& state)
{
    const std::vector<uint8_t>& data = Data(static_cast<int>(state.range(0)));
    uLongf packedSize = compressBound(data.size());
    std::vector<uint8_t> packed(packedSize);
    compress2(packed.data(), &packedSize, data.data(), data.size(), Z_DEFAULT_COMPRESSION);
    packed.resize(packedSize);
    std::vector<uint8_t> out(data.size());
    for (auto _ : state) {
        uLongf outSize = out.size();
        if (uncompress(out.data(), &outSize, packed.data(), packed.size()) != Z_OK)
            state.SkipWithError("uncompress failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.counters["ratio"] = static_cast<double>(packed.size()) / data.size();
}

} // namespace

// Argument 0: text, 1: pixels.
BENCHMARK(BM_PackExpand)->Arg(0)->Arg(1);
BENCHMARK(BM_ZlibUncompress)->Arg(0)->Arg(1);
