#pragma once
// The per-entry scramblers of pack types 2 and 3. Each entry gets its own key
// stream from a TMTRandom (state size 64, shift 39) seeded from the entry's
// size, its name as stored in the index and the pack key. Only whole 8-byte
// blocks change; a shorter tail stays as it is.
#include "data/MTRandom.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace tsukimi {

// The generator a pack reader or writer keeps for these scramblers.
inline constexpr uint32_t PackRandomStateSize = 64;
inline constexpr uint32_t PackRandomShift = 39;

// `type` is 2 or 3 (anything else changes nothing); in place.
void PackScramble(std::span<uint8_t> data, uint32_t type, std::string_view name, uint32_t key,
                  bool decode, TMTRandom& generator);

} // namespace tsukimi
