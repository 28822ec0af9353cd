// Fuzz target: the byte-pair container reader, and the compressor's round
// trip. The first byte selects whether the magic is required; the rest is
// the container.
#include "data/BlockTransforms.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr uint32_t MaxOutput = 1u << 20; // keeps each run fast

uint32_t AnnouncedSize(std::span<const uint8_t> container)
{
    auto word = [&](size_t at) {
        return container[at] | uint32_t{container[at + 1]} << 8 |
               uint32_t{container[at + 2]} << 16 | uint32_t{container[at + 3]} << 24;
    };
    if (word(0) == tsukimi::PackMagic) return word(8);
    return word(0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const bool requireMagic = (data[0] & 1) != 0;
    const std::span<const uint8_t> container(data + 1, size - 1);
    const auto expanded = tsukimi::PackExpand(container, requireMagic, MaxOutput);
    if (expanded && expanded->size() != AnnouncedSize(container)) std::abort();

    if (size <= 65536) {
        const std::vector<uint8_t> packed = tsukimi::PackCompress(container);
        const auto restored = tsukimi::PackExpand(packed, true);
        if (!restored ||
            !std::equal(restored->begin(), restored->end(), container.begin(), container.end()))
            std::abort();
    }
    return 0;
}
