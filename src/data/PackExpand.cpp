// Expansion of the byte-pair container. Every pair table is checked before
// its block is expanded: runs must stay within the 256 codes and the pairs
// must not form a cycle, so expansion always terminates and a valid table
// nests at most 256 deep. Codes that expand to at most 16 bytes are copied
// from a per-block table of expansions; longer ones are taken apart on a
// small explicit stack.
#include "data/BlockTransforms.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tsukimi {

namespace {

constexpr uint32_t ShortLength = 16;
constexpr size_t StackDepth = 256;

class TByteReader
{
public:
    explicit TByteReader(std::span<const uint8_t> bytes)
        : p_(bytes.data()), end_(bytes.data() + bytes.size())
    {}

    size_t Remaining() const { return static_cast<size_t>(end_ - p_); }
    const uint8_t* Position() const { return p_; }
    void Skip(size_t count) { p_ += count; }

    bool Byte(uint8_t& value)
    {
        if (p_ == end_) return false;
        value = *p_++;
        return true;
    }
    bool Word(uint32_t& value, size_t bytes)
    {
        if (Remaining() < bytes) return false;
        value = 0;
        for (size_t i = 0; i < bytes; ++i)
            value |= uint32_t{p_[i]} << (8 * i);
        p_ += bytes;
        return true;
    }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

enum class TStep { Ok, End, Bad };

struct TPairTable
{
    std::array<uint8_t, 256> left;
    std::array<uint8_t, 256> right;
    // Expanded length when at most ShortLength, else 0.
    std::array<uint8_t, 256> shortLength;
    alignas(16) uint8_t expansion[256][ShortLength];

    bool IsLiteral(unsigned code) const { return left[code] == code; }
};

// Reads the run form of a pair table, starting from all-literal codes.
TStep ReadPairTable(TByteReader& reader, TPairTable& table)
{
    for (unsigned c = 0; c < 256; ++c)
        table.left[c] = static_cast<uint8_t>(c);
    uint8_t count;
    if (!reader.Byte(count)) return TStep::End;
    unsigned code = 0;
    for (;;) {
        if (count > 127) {
            code += count - 127u;
            count = 0;
            if (code > 256) return TStep::Bad;
        }
        if (code == 256) return TStep::Ok;
        if (code + count + 1u > 256) return TStep::Bad;
        for (unsigned i = 0; i <= count; ++i, ++code) {
            if (!reader.Byte(table.left[code])) return TStep::End;
            if (table.left[code] != code && !reader.Byte(table.right[code])) return TStep::End;
        }
        if (code == 256) return TStep::Ok;
        if (!reader.Byte(count)) return TStep::End;
    }
}

// Depth-first over the pair graph: fails on a cycle, and fills in the short
// expansions bottom-up. Lengths saturate so that deep tables cannot overflow.
bool PrepareExpansions(TPairTable& table)
{
    std::array<uint32_t, 256> length{};
    std::array<uint8_t, 256> state{}; // 0 new, 1 on the current path, 2 done
    std::array<uint8_t, 256> path;
    for (unsigned root = 0; root < 256; ++root) {
        if (state[root] == 2) continue;
        size_t depth = 0;
        path[depth++] = static_cast<uint8_t>(root);
        state[root] = 1;
        while (depth > 0) {
            const unsigned code = path[depth - 1];
            if (table.IsLiteral(code)) {
                length[code] = 1;
                table.expansion[code][0] = static_cast<uint8_t>(code);
            } else {
                const unsigned l = table.left[code];
                const unsigned r = table.right[code];
                if (state[l] == 1 || state[r] == 1) return false;
                if (state[l] == 0 || state[r] == 0) {
                    const unsigned next = state[l] == 0 ? l : r;
                    state[next] = 1;
                    path[depth++] = static_cast<uint8_t>(next);
                    continue;
                }
                length[code] = static_cast<uint32_t>(
                    std::min<uint64_t>(uint64_t{length[l]} + length[r], UINT32_MAX));
                if (length[code] <= ShortLength) {
                    std::memcpy(table.expansion[code], table.expansion[l], length[l]);
                    std::memcpy(table.expansion[code] + length[l], table.expansion[r], length[r]);
                }
            }
            table.shortLength[code] =
                length[code] <= ShortLength ? static_cast<uint8_t>(length[code]) : 0;
            state[code] = 2;
            --depth;
        }
    }
    return true;
}

class TExpander
{
public:
    TExpander(uint8_t* out, size_t size) : out_(out), end_(out + size) {}

    bool Full() const { return out_ == end_; }
    // Fast copies write up to 16 bytes past the output position; what is not
    // output must read as zero.
    void ClearSlack()
    {
        if (!Full()) std::memset(out_, 0, std::min<size_t>(ShortLength, end_ - out_));
    }

    // Expands the coded bytes; false only when the stack would overflow.
    bool Expand(const TPairTable& table, const uint8_t* coded, size_t count)
    {
        const uint8_t* const codedEnd = coded + count;
        while (coded != codedEnd && static_cast<size_t>(end_ - out_) >= ShortLength) {
            const uint8_t code = *coded++;
            const uint32_t length = table.shortLength[code];
            if (length != 0) {
                std::memcpy(out_, table.expansion[code], ShortLength);
                out_ += length;
            } else if (!ExpandLong(table, code)) {
                return false;
            }
        }
        while (coded != codedEnd && !Full()) {
            const uint8_t code = *coded++;
            if (table.shortLength[code] != 0)
                PutShort(table, code);
            else if (!ExpandLong(table, code))
                return false;
        }
        return true;
    }

private:
    void PutShort(const TPairTable& table, uint8_t code)
    {
        const size_t length = table.shortLength[code];
        const size_t room = static_cast<size_t>(end_ - out_);
        if (room >= ShortLength)
            std::memcpy(out_, table.expansion[code], ShortLength);
        else
            std::memcpy(out_, table.expansion[code], std::min(length, room));
        out_ += std::min(length, room);
    }

    bool ExpandLong(const TPairTable& table, uint8_t code)
    {
        std::array<uint8_t, StackDepth> stack;
        size_t depth = 0;
        stack[depth++] = code;
        while (depth > 0) {
            const uint8_t top = stack[--depth];
            if (table.shortLength[top] != 0) {
                PutShort(table, top);
                if (Full()) return true;
                continue;
            }
            if (depth + 2 > StackDepth) return false;
            stack[depth++] = table.right[top];
            stack[depth++] = table.left[top];
        }
        return true;
    }

    uint8_t* out_;
    uint8_t* const end_;
};

} // namespace

std::optional<std::vector<uint8_t>> PackExpand(std::span<const uint8_t> input, bool requireMagic,
                                               uint32_t maxSize)
{
    TByteReader reader(input);
    uint32_t first;
    if (!reader.Word(first, 4)) return std::nullopt;
    uint32_t flags = 0;
    uint32_t size = first;
    if (first == PackMagic) {
        if (!reader.Word(flags, 4) || !reader.Word(size, 4)) return std::nullopt;
    } else if (requireMagic) {
        return std::nullopt;
    }
    if (size > std::min(maxSize, PackExpandMaxSize)) return std::nullopt;
    const size_t lengthBytes = (flags & 1u) ? 2 : 4;

    std::vector<uint8_t> output(size);
    TExpander expander(output.data(), output.size());
    TPairTable table{};
    while (reader.Remaining() > 0 && !expander.Full()) {
        const TStep step = ReadPairTable(reader, table);
        if (step == TStep::Bad) return std::nullopt;
        uint32_t count;
        if (step == TStep::End || !reader.Word(count, lengthBytes)) break;
        if (!PrepareExpansions(table)) return std::nullopt;
        const size_t available = std::min<size_t>(count, reader.Remaining());
        if (!expander.Expand(table, reader.Position(), available)) return std::nullopt;
        reader.Skip(available);
    }
    expander.ClearSlack();
    return output;
}

} // namespace tsukimi
