// Pack reading speed: entry loads from a version-3 pack (scramble type 3,
// compressed), and name look-ups in a pack of 10 000 names.
#include "data/FilePack.h"
#include "data/MTRandom.h"
#include "data/MemoryFile.h"
#include "data/PackWriter.h"

#include <benchmark/benchmark.h>

namespace tsukimi {
namespace {

// Text-like bytes: compressible, but not trivially.
std::vector<uint8_t> SampleData(size_t size, uint32_t seed)
{
    TMTRandom random;
    random.Seed(seed);
    static const char words[][8] = {"the ", "moon ",  "rises ", "over ",
                                    "a ",   "quiet ", "sea ",   "\r\n"};
    std::vector<uint8_t> bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        const char* word = words[random.NextBelow(8)];
        for (const char* p = word; *p && bytes.size() < size; ++p)
            bytes.push_back(static_cast<uint8_t>(*p));
        if (random.NextBelow(16) == 0) bytes.push_back(static_cast<uint8_t>(random.NextWord()));
    }
    return bytes;
}

TFilePack OpenBuilt(const std::vector<TPackSource>& entries, int format)
{
    TPackWriteOptions options{format, PackCompression::Auto, 3, false};
    return TFilePack(std::make_unique<TMemoryFile>(BuildPack(entries, options).pack));
}

void BM_LoadEntry(benchmark::State& state)
{
    const size_t entrySize = static_cast<size_t>(state.range(0));
    std::vector<TPackSource> entries;
    for (uint32_t i = 0; i < 16; ++i)
        entries.push_back({"scenario\\part" + std::to_string(i) + ".s", SampleData(entrySize, i)});
    TFilePack pack = OpenBuilt(entries, 3);
    size_t next = 0;
    for (auto _ : state) {
        auto stream = pack.LoadEntry(next);
        benchmark::DoNotOptimize(stream);
        next = (next + 1) % entries.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * entrySize));
    state.counters["ratio"] = double(pack.Entries()[0].storedSize) / double(entrySize);
}
BENCHMARK(BM_LoadEntry)->Arg(4 << 10)->Arg(64 << 10)->Arg(1 << 20);

std::vector<TPackSource> ManyNames(size_t count)
{
    std::vector<TPackSource> entries;
    for (size_t i = 0; i < count; ++i)
        entries.push_back({"image\\chara\\st" + std::to_string(i) + "_face.png", {uint8_t(i)}});
    return entries;
}

// Names cycle through the whole pack, so the 32-name cache rarely helps.
void LookUp(benchmark::State& state, int format)
{
    const std::vector<TPackSource> entries = ManyNames(10000);
    TFilePack pack = OpenBuilt(entries, format);
    std::vector<std::string> names;
    for (size_t i = 0; i < entries.size(); i += 7)
        names.push_back("Image\\Chara\\ST" + std::to_string(i) + "_face.png");
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pack.IndexOf(names[next]));
        next = next + 1 == names.size() ? 0 : next + 1;
    }
}

void BM_LookUpHashed(benchmark::State& state)
{
    LookUp(state, 3);
}
BENCHMARK(BM_LookUpHashed);

// Version 1 has no name index: a linear scan.
void BM_LookUpLinear(benchmark::State& state)
{
    LookUp(state, 1);
}
BENCHMARK(BM_LookUpLinear);

} // namespace
} // namespace tsukimi
