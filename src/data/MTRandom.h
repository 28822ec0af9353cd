#pragma once
// Random numbers: TMTRandom, a Mersenne-Twister-style generator whose state
// size, shift, tempering masks and seeding multiplier are parameters, and the
// fixed 1024-entry random table that visual effects draw from in turn so that
// they repeat identically from run to run.
//
// The twist keeps bit 31 of the first word in place (it is not shifted with
// the low bits), so the sequence differs from the textbook generator for the
// same seed. Stored data depends on this exact sequence.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tsukimi {

class TMTRandom
{
public:
    static constexpr uint32_t MaxStateSize = 624;
    static constexpr uint32_t DefaultTemperB = 0x9D2C5680u;
    static constexpr uint32_t DefaultTemperC = 0xEFC60000u;
    static constexpr uint32_t DefaultMultiplier = 0x6C078965u;
    static constexpr uint32_t DefaultSeed = 16270930u;

    // State size n (2 .. 624) and shift m (1 .. n - 1); values outside are
    // clamped into range. Default masks and multiplier, seeded with DefaultSeed.
    explicit TMTRandom(uint32_t stateSize = 624, uint32_t shift = 397);

    void Seed(uint32_t value);
    uint32_t NextWord();
    // 0 when n is 0 (and nothing is drawn), else NextWord() mod n.
    uint32_t NextBelow(uint32_t n);

    // Take effect from the next word drawn (masks) and the next Seed (multiplier).
    void SetTempering(uint32_t maskB, uint32_t maskC);
    void SetMultiplier(uint32_t multiplier) { multiplier_ = multiplier; }

    uint32_t StateSize() const { return n_; }
    uint32_t Shift() const { return m_; }
    uint32_t TemperB() const { return temperB_; }
    uint32_t TemperC() const { return temperC_; }
    uint32_t Multiplier() const { return multiplier_; }

private:
    void Regenerate();

    std::array<uint32_t, MaxStateSize> mt_{};
    uint32_t n_;
    uint32_t m_;
    uint32_t left_ = 1;
    uint32_t position_ = 0;
    uint32_t temperB_ = DefaultTemperB;
    uint32_t temperC_ = DefaultTemperC;
    uint32_t multiplier_ = DefaultMultiplier;
};

// The random table: 1024 signed 32-bit numbers and a read position.
class TRandomTable
{
public:
    static constexpr size_t Size = 1024;
    static constexpr size_t FileSize = Size * 4;

    // Every entry from generator.NextBelow(2147483647) (0 .. 2147483646), in
    // order; the position returns to 0.
    void Fill(TMTRandom& generator);
    // The table file's bytes: 1024 little-endian signed 32-bit numbers. With
    // no file, or for the entries a short file does not supply, the entries
    // are those Fill would give. Bytes past 4096 are ignored. Position to 0.
    void Load(std::optional<std::span<const uint8_t>> fileBytes, TMTRandom& generator);

    // Advances the position (wrapping at 1024), then: n = 0 -> 0; n > 0 ->
    // entry mod n; n < 0 -> entry mod -n - (-n) div 2 (so -40 gives -20 .. 19).
    // Remainders truncate toward zero, as the entry's sign gives.
    int32_t Next(int32_t n);
    // Next(16777215) * x / 16777215 in single precision.
    float NextFloat(float x);

    int32_t Entry(size_t index) const { return index < Size ? entries_[index] : 0; }
    size_t Position() const { return position_; }

private:
    std::array<int32_t, Size> entries_{};
    size_t position_ = 0;
};

// The data file the engine loads the table from at start-up.
inline constexpr std::string_view RandomTableFile = "system\\etc\\RandomTable.dat";

// The engine's one random table (filled from DefaultSeed until set up) and
// the draws of every effect from it.
TRandomTable& SharedRandomTable();
void FillRandomTable(TMTRandom& generator);
void LoadRandomTable(std::optional<std::span<const uint8_t>> fileBytes, TMTRandom& generator);
int32_t TableRandom(int32_t n);
float TableRandomFloat(float x);

} // namespace tsukimi
