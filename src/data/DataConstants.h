#pragma once
// The fixed keys and mixing constants of the engine's data files. The engine
// and the tools that write packs, hash tables and save data share this one
// header: a file reads back only when its writer used the same values, so
// never change one of them once files exist.
#include <cstdint>

namespace tsukimi::constants {

// --- BlockScramble (8-byte block scrambler).
// Mixed into (length + seed) to give the feedback word F.
inline constexpr uint32_t kBlockScrambleMix = 0x5A3C96E1u;
// Start value of the key K in both 32-bit halves.
inline constexpr uint32_t kBlockScrambleStart = 0x3B9ACA07u;
// Added to each half of K per block; odd, so the count alone never repeats within 2^32 blocks.
inline constexpr uint32_t kBlockScrambleStep = 0x9E3779B9u;

// --- NameScramble (name scrambler); 8-bit.
inline constexpr uint8_t kNameScrambleMix = 0xA7u;
// Name key of pack versions 1 and 2 (version 3 derives its key from the key material).
inline constexpr uint32_t kPackNameKey = 0x5Du;
// Text key of the script's text-coding command ("\code" of the "misc" object).
inline constexpr uint32_t kCodeTextKey = 0x3Cu;

// --- Hash table files: BlockScramble seed of the compressed body.
inline constexpr uint32_t kHashTableSeed = 0x2F6B1C93u;

// --- Pack scramblers of types 2 and 3 (per-entry, driven by a TMTRandom of
// state size 64 and shift 39). A0, B0 and C are 24-bit; the tempering masks
// B and C may be any 32-bit values; the seeding multipliers are odd so that
// the state fill is a bijection of the previous word.
struct TPackScramblerConstants
{
    uint32_t startA;     // A0, 24-bit start of the name sum a
    uint32_t startB;     // B0, 24-bit start of the name mix b
    uint32_t sizeMix;    // C, 24-bit constant mixed with the entry size
    uint32_t temperB;    // generator tempering mask B
    uint32_t temperC;    // generator tempering mask C
    uint32_t multiplier; // generator seeding multiplier (odd)
};

inline constexpr TPackScramblerConstants kPackScrambler2{
    0x00A3F1C5u, 0x004E7D29u, 0x00C90F37u, 0x7B3D5A80u, 0xDA560000u, 0x41C64E6Du,
};
inline constexpr TPackScramblerConstants kPackScrambler3{
    0x005D8E13u, 0x00B2C64Bu, 0x00371AE9u, 0x95E26C40u, 0xF3A80000u, 0x5851F42Du,
};

} // namespace tsukimi::constants
