// Byte pair encoding after Philip Gage: each block of up to 8192 bytes (and
// at most 200 distinct values) repeatedly replaces its most frequent pair of
// adjacent bytes by a byte value that does not occur in the block, until no
// unused value is left or no pair occurs 3 times.
#include "data/BlockTransforms.h"

#include <array>
#include <bit>
#include <memory>

namespace tsukimi {

namespace {

constexpr size_t BlockSize = 8192;
constexpr unsigned MaxDistinct = 200;
constexpr size_t HashSize = 8192;
constexpr uint8_t Threshold = 3;

class TPairCounter
{
public:
    void Clear()
    {
        count_.fill(0);
        occupied_.fill(0);
    }

    // Slot of the pair (a, b), claiming a free slot for a new pair; -1 when
    // the table is full and does not hold it.
    int Lookup(uint8_t a, uint8_t b)
    {
        size_t index = (a ^ (size_t{b} << 5)) & (HashSize - 1);
        for (size_t probes = 0; probes < HashSize; ++probes) {
            if (count_[index] == 0) {
                left_[index] = a;
                right_[index] = b;
                occupied_[index / 64] |= uint64_t{1} << (index % 64);
                return static_cast<int>(index);
            }
            if (left_[index] == a && right_[index] == b) return static_cast<int>(index);
            index = (index + 1) & (HashSize - 1);
        }
        return -1;
    }
    void Increment(uint8_t a, uint8_t b)
    {
        const int index = Lookup(a, b);
        if (index >= 0 && count_[index] < 255) ++count_[index];
    }
    void Decrement(uint8_t a, uint8_t b)
    {
        const int index = Lookup(a, b);
        if (index >= 0 && count_[index] > 1) --count_[index];
    }
    void Reset(uint8_t a, uint8_t b)
    {
        const int index = Lookup(a, b);
        if (index >= 0) count_[index] = 1;
    }
    // The first pair in slot order with the highest count, when that count
    // reaches the threshold. Only slots ever claimed since Clear are visited.
    bool Best(uint8_t& a, uint8_t& b) const
    {
        uint8_t best = Threshold - 1;
        size_t bestIndex = HashSize;
        for (size_t word = 0; word < occupied_.size(); ++word) {
            for (uint64_t bits = occupied_[word]; bits != 0; bits &= bits - 1) {
                const size_t i = word * 64 + static_cast<size_t>(std::countr_zero(bits));
                if (count_[i] > best) {
                    best = count_[i];
                    bestIndex = i;
                }
            }
        }
        if (bestIndex == HashSize)
            return false;
        a = left_[bestIndex];
        b = right_[bestIndex];
        return true;
    }

private:
    std::array<uint8_t, HashSize> left_{};
    std::array<uint8_t, HashSize> right_{};
    std::array<uint8_t, HashSize> count_{};
    std::array<uint64_t, HashSize / 64> occupied_{};
};

class TBlockCompressor
{
public:
    // Takes the next block from input[position ..] and advances position.
    void Fill(std::span<const uint8_t> input, size_t& position)
    {
        pairs_.Clear();
        std::array<bool, 256> seen{};
        unsigned distinct = 0;
        size_ = 0;
        while (position < input.size() && size_ < BlockSize && distinct < MaxDistinct) {
            const uint8_t c = input[position++];
            if (size_ > 0) pairs_.Increment(buffer_[size_ - 1], c);
            buffer_[size_++] = c;
            if (!seen[c]) {
                seen[c] = true;
                ++distinct;
            }
        }
        for (unsigned c = 0; c < 256; ++c) {
            left_[c] = static_cast<uint8_t>(c);
            right_[c] = 0;
            unused_[c] = !seen[c];
        }
    }

    void Compress()
    {
        for (int code = 255; code >= 0; --code) {
            if (left_[code] != code || !unused_[code]) continue;
            uint8_t a, b;
            if (!pairs_.Best(a, b)) break;
            Replace(a, b, static_cast<uint8_t>(code));
            left_[code] = a;
            right_[code] = b;
            pairs_.Reset(a, b);
        }
    }

    void Write(std::vector<uint8_t>& out) const
    {
        WritePairTable(out);
        out.push_back(static_cast<uint8_t>(size_));
        out.push_back(static_cast<uint8_t>(size_ >> 8));
        out.insert(out.end(), buffer_.begin(), buffer_.begin() + size_);
    }

private:
    bool IsLiteral(unsigned c) const { return left_[c] == c; }

    void Replace(uint8_t a, uint8_t b, uint8_t code)
    {
        if (size_ < 2) return;
        const size_t last = size_ - 1;
        size_t w = 0;
        size_t r = 0;
        for (; r < last; ++r) {
            if (buffer_[r] == a && buffer_[r + 1] == b) {
                if (r > 0) {
                    pairs_.Decrement(buffer_[w - 1], a);
                    pairs_.Increment(buffer_[w - 1], code);
                }
                if (r + 1 < last) {
                    pairs_.Decrement(b, buffer_[r + 2]);
                    pairs_.Increment(code, buffer_[r + 2]);
                }
                buffer_[w++] = code;
                ++r;
            } else {
                buffer_[w++] = buffer_[r];
            }
        }
        if (r == last) buffer_[w++] = buffer_[r];
        size_ = w;
    }

    // Runs of literals as 127 + length; runs of pair codes as length - 1 and
    // the codes, bridging a single literal between two pair codes.
    void WritePairTable(std::vector<uint8_t>& out) const
    {
        unsigned c = 0;
        while (c < 256) {
            unsigned length = 0;
            if (IsLiteral(c)) {
                length = 1;
                ++c;
                while (length < 127 && c < 256 && IsLiteral(c)) {
                    ++length;
                    ++c;
                }
                out.push_back(static_cast<uint8_t>(length + 127));
                length = 0;
                if (c == 256) break;
            } else {
                ++c;
                while ((length < 127 && c < 256 && !IsLiteral(c)) ||
                       (length < 125 && c < 254 && !IsLiteral(c + 1))) {
                    ++length;
                    ++c;
                }
                out.push_back(static_cast<uint8_t>(length));
                c -= length + 1;
            }
            for (unsigned i = 0; i <= length; ++i, ++c) {
                out.push_back(left_[c]);
                if (!IsLiteral(c)) out.push_back(right_[c]);
            }
        }
    }

    TPairCounter pairs_;
    std::array<uint8_t, BlockSize> buffer_{};
    size_t size_ = 0;
    std::array<uint8_t, 256> left_{};
    std::array<uint8_t, 256> right_{};
    std::array<bool, 256> unused_{};
};

void PutU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

} // namespace

std::vector<uint8_t> PackCompress(std::span<const uint8_t> input)
{
    std::vector<uint8_t> out;
    out.reserve(12 + input.size() + input.size() / 16 + 64);
    PutU32(out, PackMagic);
    PutU32(out, 1);
    PutU32(out, static_cast<uint32_t>(input.size()));
    auto block = std::make_unique<TBlockCompressor>();
    size_t position = 0;
    while (position < input.size()) {
        block->Fill(input, position);
        block->Compress();
        block->Write(out);
    }
    return out;
}

} // namespace tsukimi
