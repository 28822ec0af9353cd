#include "data/PackScrambler.h"

#include "data/DataConstants.h"

#include <array>
#include <cstring>

namespace tsukimi {

namespace {

constexpr size_t TableWords = 41;

uint64_t Load64(const uint8_t* p)
{
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

void Store64(uint8_t* p, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t Halves(uint32_t low, uint32_t high)
{
    return uint64_t{low} | (uint64_t{high} << 32);
}
uint32_t Low(uint64_t v)
{
    return static_cast<uint32_t>(v);
}
uint32_t High(uint64_t v)
{
    return static_cast<uint32_t>(v >> 32);
}

// (v XOR t) + t in two 32-bit lanes.
uint64_t MixKey(uint64_t v, uint64_t t)
{
    const uint64_t x = v ^ t;
    return Halves(Low(x) + Low(t), High(x) + High(t));
}

uint64_t AddBytes(uint64_t a, uint64_t b)
{
    uint64_t sum = 0;
    for (int i = 0; i < 8; ++i) {
        const auto byte = static_cast<uint8_t>((a >> (8 * i)) + (b >> (8 * i)));
        sum |= uint64_t{byte} << (8 * i);
    }
    return sum;
}

uint64_t AddLanes16(uint64_t a, uint64_t b)
{
    uint64_t sum = 0;
    for (int i = 0; i < 4; ++i) {
        const auto lane = static_cast<uint16_t>((a >> (16 * i)) + (b >> (16 * i)));
        sum |= uint64_t{lane} << (16 * i);
    }
    return sum;
}

uint64_t ShiftHalvesLeft(uint64_t v)
{
    return Halves(Low(v) << 1, High(v) << 1);
}

uint32_t EntrySeed(const constants::TPackScramblerConstants& c, size_t size, std::string_view name,
                   uint32_t key)
{
    uint32_t a = c.startA;
    uint32_t b = c.startB;
    for (size_t i = 0; i < name.size(); ++i) {
        a += uint32_t{static_cast<uint8_t>(name[i])} * static_cast<uint32_t>(i & 0xFFu);
        b ^= a;
    }
    const auto n = static_cast<uint32_t>(size);
    uint32_t s = ((n ^ c.sizeMix) ^ a) + a + n + 7u * (n & 0xFFFFFFu);
    s ^= key;
    s = (s + b) & 0xFFFFFFu;
    return 9u * s;
}

} // namespace

void PackScramble(std::span<uint8_t> data, uint32_t type, std::string_view name, uint32_t key,
                  bool decode, TMTRandom& generator)
{
    if (type != 2 && type != 3) return;
    const auto& c = type == 2 ? constants::kPackScrambler2 : constants::kPackScrambler3;
    generator.SetTempering(c.temperB, c.temperC);
    generator.SetMultiplier(c.multiplier);
    generator.Seed(EntrySeed(c, data.size(), name, key));

    std::array<uint8_t, TableWords * 4> table;
    for (size_t i = 0; i < TableWords; ++i) {
        const uint32_t word = generator.NextWord();
        for (int j = 0; j < 4; ++j)
            table[i * 4 + j] = static_cast<uint8_t>(word >> (8 * j));
    }
    const uint32_t first = generator.NextWord();
    uint64_t v = Halves(first, generator.NextWord());
    const size_t blocks = data.size() / 8;
    if (blocks == 0) return;
    const uint32_t word = generator.NextWord();
    size_t k = type == 2 ? (word & 0x7Fu) : (word & 0x0Fu) * 8;

    for (size_t i = 0; i < blocks; ++i) {
        uint8_t* block = data.data() + i * 8;
        v = MixKey(v, Load64(table.data() + k));
        const uint64_t input = Load64(block);
        const uint64_t output = input ^ v;
        Store64(block, output);
        const uint64_t plain = decode ? output : input;
        if (type == 2) {
            v = (v + plain) ^ plain;
            k = (k + 4) & 0x7Fu;
        } else {
            v = AddBytes(v, plain) ^ plain;
            v = AddLanes16(ShiftHalvesLeft(v), plain);
            k = (k + 8) & 0x7Fu;
        }
    }
}

} // namespace tsukimi
