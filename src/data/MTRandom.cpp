#include "data/MTRandom.h"

#include <algorithm>
#include <climits>

namespace tsukimi {

namespace {

constexpr uint32_t TwistMatrix = 0x9908B0DFu;
constexpr uint32_t UpperMask = 0x80000000u;
constexpr uint32_t LowerMask = 0x7FFFFFFFu;

// The upper bit of x stays in bit 31; only the low bits of y are shifted.
constexpr uint32_t Twist(uint32_t x, uint32_t y)
{
    const uint32_t mixed = (x & UpperMask) | ((y & LowerMask) >> 1);
    return (y & 1u) ? mixed ^ TwistMatrix : mixed;
}

} // namespace

TMTRandom::TMTRandom(uint32_t stateSize, uint32_t shift)
    : n_(std::clamp<uint32_t>(stateSize, 2, MaxStateSize)),
      m_(std::clamp<uint32_t>(shift, 1, n_ - 1))
{
    Seed(DefaultSeed);
}

void TMTRandom::Seed(uint32_t value)
{
    mt_[0] = value;
    for (uint32_t i = 1; i < n_; ++i)
        mt_[i] = i + (mt_[i - 1] ^ (mt_[i - 1] >> 30)) * multiplier_;
    left_ = 1;
    position_ = 0;
}

void TMTRandom::SetTempering(uint32_t maskB, uint32_t maskC)
{
    temperB_ = maskB;
    temperC_ = maskC;
}

void TMTRandom::Regenerate()
{
    uint32_t i = 0;
    for (; i < n_ - m_; ++i)
        mt_[i] = Twist(mt_[i], mt_[i + 1]) ^ mt_[i + m_];
    for (; i < n_ - 1; ++i)
        mt_[i] = Twist(mt_[i], mt_[i + 1]) ^ mt_[i + m_ - n_];
    mt_[n_ - 1] = Twist(mt_[n_ - 1], mt_[0]) ^ mt_[m_ - 1];
    left_ = n_;
    position_ = 0;
}

uint32_t TMTRandom::NextWord()
{
    if (--left_ == 0) Regenerate();
    uint32_t y = mt_[position_++];
    y ^= y >> 11;
    y ^= (y << 7) & temperB_;
    y ^= (y << 15) & temperC_;
    y ^= y >> 18;
    return y;
}

uint32_t TMTRandom::NextBelow(uint32_t n)
{
    return n == 0 ? 0 : NextWord() % n;
}

void TRandomTable::Fill(TMTRandom& generator)
{
    for (int32_t& entry : entries_)
        entry = static_cast<int32_t>(generator.NextBelow(2147483647u));
    position_ = 0;
}

void TRandomTable::Load(std::optional<std::span<const uint8_t>> fileBytes, TMTRandom& generator)
{
    Fill(generator);
    if (!fileBytes) return;
    const size_t count = std::min(fileBytes->size() / 4, Size);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = fileBytes->data() + i * 4;
        const uint32_t word =
            uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
        entries_[i] = static_cast<int32_t>(word);
    }
}

int32_t TRandomTable::Next(int32_t n)
{
    position_ = (position_ + 1) & (Size - 1);
    if (n == 0) return 0;
    const int64_t entry = entries_[position_];
    if (n > 0) return static_cast<int32_t>(entry % n);
    const int64_t range = -static_cast<int64_t>(n);
    const int64_t value = entry % range - range / 2;
    return static_cast<int32_t>(std::max<int64_t>(value, INT32_MIN));
}

float TRandomTable::NextFloat(float x)
{
    return static_cast<float>(static_cast<double>(Next(16777215)) * x / 16777215.0);
}

TRandomTable& SharedRandomTable()
{
    static TRandomTable table = [] {
        TRandomTable initial;
        TMTRandom generator;
        initial.Fill(generator);
        return initial;
    }();
    return table;
}

void FillRandomTable(TMTRandom& generator)
{
    SharedRandomTable().Fill(generator);
}

void LoadRandomTable(std::optional<std::span<const uint8_t>> fileBytes, TMTRandom& generator)
{
    SharedRandomTable().Load(fileBytes, generator);
}

int32_t TableRandom(int32_t n)
{
    return SharedRandomTable().Next(n);
}

float TableRandomFloat(float x)
{
    return SharedRandomTable().NextFloat(x);
}

} // namespace tsukimi
