#pragma once
// Byte-level transforms shared by the binary formats: the byte-pair block
// compressor and its container, the keyed 8-byte-block scrambler, the name
// scrambler, the 64-bit lane checksum, the checksummed wrapper and the 16-bit
// text CRC. All multi-byte integers are little-endian; all arithmetic wraps
// in unsigned 16- or 32-bit lanes.
#include "data/MemoryStream.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

// --- Compressed container: magic, flags (bit 0: 16-bit block lengths),
// expanded size, then blocks of pair table + block length + coded bytes.
inline constexpr uint32_t PackMagic = 0xFF435031u;
// Largest expanded size a container may announce.
inline constexpr uint32_t PackExpandMaxSize = 0x20000000u;

// Expands a container. Without the magic (allowed only when requireMagic is
// false) the first 4 bytes are the expanded size and block lengths are
// 32-bit. Returns nullopt for a missing magic, a size over maxSize (never
// more than PackExpandMaxSize), or a malformed pair table (a run past code
// 255, a cyclic pair). Input that ends early is not an error: the result
// always has the announced size, zero-filled past what the input supplied,
// and coded bytes beyond the announced size are dropped.
std::optional<std::vector<uint8_t>> PackExpand(std::span<const uint8_t> input, bool requireMagic,
                                               uint32_t maxSize = PackExpandMaxSize);

// Compresses into a container (with magic, flags 1, 16-bit block lengths).
// Inputs of 4 GiB or more are not supported (the size field is 32-bit).
std::vector<uint8_t> PackCompress(std::span<const uint8_t> input);

// --- Keyed scrambler over the whole 8-byte blocks of data (a shorter tail is
// left unchanged); in place. The seed and the data length both enter the key.
void BlockScramble(std::span<uint8_t> data, bool decode, uint32_t seed);

// Name scrambler; applying it twice with the same key restores the text.
std::string NameScramble(std::string_view text, uint32_t key);

// Sum of the 8-byte blocks in four 16-bit lanes (see the .cpp); 0 below 8
// bytes, bytes after the last whole block ignored.
uint32_t PackCheckSum(std::span<const uint8_t> data);
// The plain per-lane definition, kept as the reference of the fast one.
uint32_t PackCheckSumReference(std::span<const uint8_t> data);

// --- Checksummed wrapper: magic, PackCheckSum of the payload, payload size,
// payload.
inline constexpr uint32_t CheckedMagic = 0xFD324D4Eu;

// Appends the wrapper around payload at out's position.
void WriteChecked(std::span<const uint8_t> payload, TMemoryStream& out);
// Reads a wrapper from in's position and moves past it. nullopt (position
// unchanged) for a wrong magic, a size beyond the remaining bytes or a
// checksum mismatch; otherwise the payload positioned at 0.
std::optional<TMemoryStream> ReadChecked(TMemoryStream& in);

// --- 16-bit CRC (polynomial 0x1021, bits fed from the least significant,
// result bit-reversed) as 4 upper-case hexadecimal digits.
std::string Crc16Text(std::span<const uint8_t> data);
std::string Crc16Text(std::string_view text);

} // namespace tsukimi
