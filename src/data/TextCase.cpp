// Lower- and upper-casing of Shift-JIS text.
#include "data/TextHelpers.h"

#include <algorithm>
#include <atomic>
#include <span>

namespace tsukimi {
namespace {

struct Cp932CasePair
{
    uint16_t from;
    uint16_t to;
};

#include "data/Cp932CaseTable.inc"

std::atomic<LowerMode> gLowerMode{LowerMode::Ansi};

// The mapped code of `code`, or `code` itself.
uint16_t MapCode(std::span<const Cp932CasePair> table, uint16_t code)
{
    const auto it = std::lower_bound(table.begin(), table.end(), code,
                                     [](const Cp932CasePair& p, uint16_t c) { return p.from < c; });
    return it != table.end() && it->from == code ? it->to : code;
}

void PutCode(std::string& out, uint16_t code)
{
    if (code > 0xFF) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

// Single-byte codes that map to single bytes, and the lead bytes that have
// any two-byte entry, so most bytes need no search.
struct FastMap
{
    explicit FastMap(std::span<const Cp932CasePair> table)
    {
        for (int b = 0; b < 256; ++b)
            single[b] = static_cast<uint8_t>(b);
        for (const auto& pair : table) {
            if (pair.from <= 0xFF && pair.to <= 0xFF)
                single[pair.from] = static_cast<uint8_t>(pair.to);
            else if (pair.from <= 0xFF)
                singleSearched[pair.from] = true;
            else
                leadHasEntries[pair.from >> 8] = true;
        }
    }
    uint8_t single[256];
    bool singleSearched[256] = {};
    bool leadHasEntries[256] = {};
};

std::string MapText(std::span<const Cp932CasePair> table, const FastMap& fast, std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<uint8_t>(text[i]);
        if (IsLeadByte(b) && i + 1 < text.size()) {
            if (!fast.leadHasEntries[b]) {
                out += static_cast<char>(b);
                out += text[i + 1];
                ++i;
                continue;
            }
            const auto code = static_cast<uint16_t>((b << 8) | static_cast<uint8_t>(text[i + 1]));
            PutCode(out, MapCode(table, code));
            ++i;
        } else if (IsLeadByte(b)) {
            out += static_cast<char>(b); // a lone lead byte at the end stays
        } else if (!fast.singleSearched[b]) {
            out += static_cast<char>(fast.single[b]);
        } else {
            PutCode(out, MapCode(table, b));
        }
    }
    return out;
}

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<uint8_t>(out[i]);
        if (IsLeadByte(b)) {
            ++i;
        } else if (b >= 'A' && b <= 'Z') {
            out[i] = static_cast<char>(b + 0x20);
        }
    }
    return out;
}

} // namespace

void SetLowerTextMode(LowerMode mode)
{
    gLowerMode.store(mode, std::memory_order_relaxed);
}

LowerMode LowerTextMode()
{
    return gLowerMode.load(std::memory_order_relaxed);
}

std::string LowerText(std::string_view text)
{
    return LowerText(text, LowerTextMode());
}

std::string LowerText(std::string_view text, LowerMode mode)
{
    return mode == LowerMode::Ansi ? AnsiLowerText(text) : AsciiLower(text);
}

std::string AnsiLowerText(std::string_view text)
{
    static const FastMap fast(kCp932Lower);
    return MapText(kCp932Lower, fast, text);
}

std::string UpperText(std::string_view text)
{
    static const FastMap fast(kCp932Upper);
    return MapText(kCp932Upper, fast, text);
}

int SameTextLower(std::string_view a, std::string_view b)
{
    // The engine's lower-casing followed by a case-blind compare folds
    // exactly what the code page lower-casing folds, whatever the mode.
    const int c = AnsiLowerText(a).compare(AnsiLowerText(b));
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

} // namespace tsukimi
