#pragma once
// Limits shared by the readers of packs and hash tables.
#include "data/BlockTransforms.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace tsukimi {

// The compressor never puts more than 8192 bytes in one block, and every
// block costs more than one byte of container, so no container we write
// expands by more than this factor. A larger announced size is damage; the
// bound keeps a few bytes of input from allocating half a gigabyte.
inline constexpr uint64_t MaxExpansionRatio = 8192;

inline uint32_t ExpandLimitFor(size_t containerSize)
{
    const uint64_t bound = (uint64_t{containerSize} + 1) * MaxExpansionRatio;
    return static_cast<uint32_t>(std::min<uint64_t>(bound, PackExpandMaxSize));
}

} // namespace tsukimi
