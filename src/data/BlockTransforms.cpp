// The block scrambler, name scrambler, lane checksum, checksummed wrapper and
// text CRC. The byte-pair container lives in PackExpand.cpp and
// PackCompress.cpp.
#include "data/BlockTransforms.h"

#include "data/DataConstants.h"

#include <array>

namespace tsukimi {

namespace {

uint64_t LoadU64(const uint8_t* p)
{
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

uint32_t LoadU32(const uint8_t* p)
{
    return p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void StoreU64(uint8_t* p, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

constexpr uint64_t BothHalves(uint32_t value)
{
    return (uint64_t{value} << 32) | value;
}

// Adds in two 32-bit lanes, each wrapping on its own.
constexpr uint64_t Add32Lanes(uint64_t x, uint64_t y)
{
    const uint64_t low = (x + y) & 0xFFFFFFFFu;
    const uint64_t high = ((x >> 32) + (y >> 32)) << 32;
    return high | low;
}

// Adds in four 16-bit lanes, each wrapping on its own.
constexpr uint64_t Add16Lanes(uint64_t x, uint64_t y)
{
    constexpr uint64_t High = 0x8000800080008000u;
    return ((x & ~High) + (y & ~High)) ^ ((x ^ y) & High);
}

constexpr uint64_t ChecksumStep = 0x0307030703070307u;

uint32_t FoldLanes(uint64_t a)
{
    return static_cast<uint32_t>(a) ^ static_cast<uint32_t>(a >> 32);
}

} // namespace

void BlockScramble(std::span<uint8_t> data, bool decode, uint32_t seed)
{
    const uint32_t f = (static_cast<uint32_t>(data.size()) + seed) ^ constants::kBlockScrambleMix;
    uint64_t feedback = BothHalves(f);
    uint64_t key = BothHalves(constants::kBlockScrambleStart);
    const uint64_t step = BothHalves(constants::kBlockScrambleStep);
    const size_t blocks = data.size() / 8;
    uint8_t* p = data.data();
    for (size_t i = 0; i < blocks; ++i, p += 8) {
        key = Add32Lanes(key, step) ^ feedback;
        const uint64_t block = LoadU64(p);
        const uint64_t result = block ^ key;
        feedback = decode ? result : block;
        StoreU64(p, result);
    }
}

std::string NameScramble(std::string_view text, uint32_t key)
{
    std::string result(text);
    const uint32_t m =
        (static_cast<uint32_t>(result.size()) + (key ^ constants::kNameScrambleMix)) & 0xFFu;
    for (size_t i = 1; i <= result.size(); ++i) {
        const uint32_t j = static_cast<uint32_t>(i) & 0xFFu;
        result[i - 1] =
            static_cast<char>(static_cast<uint8_t>(result[i - 1]) ^ (((j ^ m) + j) & 0xFFu));
    }
    return result;
}

uint32_t PackCheckSum(std::span<const uint8_t> data)
{
    const size_t blocks = data.size() / 8;
    uint64_t key = 0;
    uint64_t sum = 0;
    const uint8_t* p = data.data();
    for (size_t i = 0; i < blocks; ++i, p += 8) {
        key = Add16Lanes(key, ChecksumStep);
        sum = Add16Lanes(sum, LoadU64(p) ^ key);
    }
    return FoldLanes(sum);
}

uint32_t PackCheckSumReference(std::span<const uint8_t> data)
{
    std::array<uint16_t, 4> key{};
    std::array<uint16_t, 4> sum{};
    for (size_t block = 0; block + 8 <= data.size(); block += 8) {
        for (size_t lane = 0; lane < 4; ++lane) {
            const uint8_t* p = data.data() + block + lane * 2;
            key[lane] = static_cast<uint16_t>(key[lane] + 0x0307u);
            const uint16_t word = static_cast<uint16_t>(p[0] | (p[1] << 8));
            sum[lane] = static_cast<uint16_t>(sum[lane] + (word ^ key[lane]));
        }
    }
    const uint32_t low = sum[0] | (uint32_t{sum[1]} << 16);
    const uint32_t high = sum[2] | (uint32_t{sum[3]} << 16);
    return low ^ high;
}

void WriteChecked(std::span<const uint8_t> payload, TMemoryStream& out)
{
    out.WriteU32(CheckedMagic);
    out.WriteU32(PackCheckSum(payload));
    out.WriteU32(static_cast<uint32_t>(payload.size()));
    out.WriteBytes(payload);
}

std::optional<TMemoryStream> ReadChecked(TMemoryStream& in)
{
    const std::span<const uint8_t> bytes = in.RemainingBytes();
    if (bytes.size() < 12) return std::nullopt;
    const uint32_t magic = LoadU32(bytes.data());
    const uint32_t checksum = LoadU32(bytes.data() + 4);
    const uint32_t size = LoadU32(bytes.data() + 8);
    if (magic != CheckedMagic || size > bytes.size() - 12) return std::nullopt;
    const std::span<const uint8_t> payload = bytes.subspan(12, size);
    if (PackCheckSum(payload) != checksum) return std::nullopt;
    in.Skip(12 + size_t{size});
    return TMemoryStream(payload.data(), payload.size());
}

std::string Crc16Text(std::span<const uint8_t> data)
{
    uint32_t r = 0;
    for (const uint8_t byte : data) {
        for (int bit = 0; bit < 8; ++bit) {
            const uint32_t top = (r >> 15) & 1u;
            r = ((r << 1) & 0xFFFFu) ^ ((byte >> bit) & 1u);
            if (top) r ^= 0x1021u;
        }
    }
    uint32_t reversed = 0;
    for (int bit = 0; bit < 16; ++bit)
        reversed |= ((r >> bit) & 1u) << (15 - bit);
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text(4, '0');
    for (int i = 0; i < 4; ++i)
        text[i] = Digits[(reversed >> (12 - 4 * i)) & 0xFu];
    return text;
}

std::string Crc16Text(std::string_view text)
{
    return Crc16Text(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

} // namespace tsukimi
