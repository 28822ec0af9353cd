// Writes the code page 932 case tables used by AnsiLowerText and UpperText.
//
// Every single- and double-byte code of code page 932 is decoded to Unicode,
// given its simple lower- or upper-case mapping, and encoded back. Encoding
// back also rewrites NEC and IBM duplicate codes to the preferred one, as
// the platform's own code page conversion does. Codes that come back
// different are listed as (from, to) pairs, sorted by `from`; a code below
// 0x100 is a single byte.
//
// Usage: tsukimi-gen-lowercase OUTPUT.inc
#include "platform/TextCodec.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Pair = std::pair<uint16_t, uint16_t>;

// The one code point of a UTF-8 text, or nothing.
std::optional<char32_t> SingleCodePoint(const std::string& utf8)
{
    if (utf8.empty()) return std::nullopt;
    const auto b0 = static_cast<uint8_t>(utf8[0]);
    size_t length = b0 < 0x80 ? 1 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : 4;
    if (utf8.size() != length) return std::nullopt;
    char32_t cp = length == 1   ? b0
                  : length == 2 ? (b0 & 0x1F)
                  : length == 3 ? (b0 & 0x0F)
                                : (b0 & 7);
    for (size_t i = 1; i < length; ++i)
        cp = (cp << 6) | (static_cast<uint8_t>(utf8[i]) & 0x3F);
    if (cp == 0xFFFD) return std::nullopt;
    return cp;
}

std::string EncodeUtf8(char32_t cp)
{
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

// Simple case mappings of the letters code page 932 can hold.
char32_t ToLower(char32_t c)
{
    if (c >= U'A' && c <= U'Z') return c + 0x20;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;                // full-width Latin
    if (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) return c + 0x20; // Greek
    if (c >= 0x0410 && c <= 0x042F) return c + 0x20;                // Cyrillic
    if (c == 0x0401) return 0x0451;                                 // Io
    if (c >= 0x2160 && c <= 0x216F) return c + 0x10;                // Roman numerals
    return c;
}

char32_t ToUpper(char32_t c)
{
    if (c >= U'a' && c <= U'z') return c - 0x20;
    if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;
    if (c >= 0x03B1 && c <= 0x03C9 && c != 0x03C2) return c - 0x20;
    if (c >= 0x0430 && c <= 0x044F) return c - 0x20;
    if (c == 0x0451) return 0x0401;
    if (c >= 0x2170 && c <= 0x217F) return c - 0x10;
    return c;
}

std::string CodeBytes(unsigned code)
{
    std::string s;
    if (code > 0xFF) s += static_cast<char>(code >> 8);
    s += static_cast<char>(code & 0xFF);
    return s;
}

std::vector<unsigned> AllCodes()
{
    std::vector<unsigned> codes;
    for (unsigned b = 0; b < 0x100; ++b) {
        const bool lead = (b >= 0x81 && b <= 0x9F) || b >= 0xE0;
        if (!lead) codes.push_back(b);
    }
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail != 0x7F) codes.push_back((lead << 8) | trail);
        }
    }
    return codes;
}

template <typename Map> std::vector<Pair> BuildTable(Map map)
{
    std::vector<Pair> table;
    for (unsigned code : AllCodes()) {
        const std::string bytes = CodeBytes(code);
        const auto cp = SingleCodePoint(tsukimi::platform::SjisToUtf8(bytes));
        if (!cp) continue;
        const std::string back = tsukimi::platform::Utf8ToSjis(EncodeUtf8(map(*cp)));
        if (back.empty() || back.size() > 2 || back == bytes) continue;
        if (back == "?" && *cp != U'?') continue;
        unsigned to = static_cast<uint8_t>(back[0]);
        if (back.size() == 2) to = (to << 8) | static_cast<uint8_t>(back[1]);
        table.emplace_back(static_cast<uint16_t>(code), static_cast<uint16_t>(to));
    }
    return table;
}

void WriteTable(std::ostream& out, const char* name, const std::vector<Pair>& table)
{
    out << "constexpr Cp932CasePair " << name << "[] = {\n";
    int column = 0;
    for (const auto& [from, to] : table) {
        char item[32];
        std::snprintf(item, sizeof item, "{0x%04X, 0x%04X},", from, to);
        out << (column == 0 ? "    " : " ") << item;
        if (++column == 5) {
            out << "\n";
            column = 0;
        }
    }
    if (column != 0) out << "\n";
    out << "};\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: tsukimi-gen-lowercase OUTPUT.inc\n";
        return 2;
    }
    const auto lower = BuildTable(ToLower);
    const auto upper = BuildTable(ToUpper);
    if (lower.size() < 26 || upper.size() < 26) {
        std::cerr << "code page 932 conversion is not available\n";
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << "// Generated by tsukimi-gen-lowercase; do not edit.\n"
           "// Code page 932 case mappings as (from, to) pairs sorted by from; a code\n"
           "// below 0x100 is a single byte, else lead byte << 8 | trail byte.\n";
    WriteTable(out, "kCp932Lower", lower);
    WriteTable(out, "kCp932Upper", upper);
    if (!out) {
        std::cerr << "cannot write " << argv[1] << "\n";
        return 1;
    }
    std::cout << lower.size() << " lower and " << upper.size() << " upper mappings\n";
    return 0;
}
