#include "data/TextHelpers.h"

#include <algorithm>

namespace tsukimi {
namespace {

constexpr size_t kMaxStringBytes = 0xFFFF;

// Byte length of the character starting at text[i].
size_t CharLength(std::string_view text, size_t i)
{
    return IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
}

// The clipped 0-based half-open range of the 1-based [first, first+count-1].
std::pair<size_t, size_t> ClipRange(int64_t first, int64_t count, size_t length)
{
    const int64_t begin = std::max<int64_t>(first, 1) - 1;
    const int64_t end =
        std::min<int64_t>(first - 1 + std::max<int64_t>(count, 0), static_cast<int64_t>(length));
    if (begin >= end) return {0, 0};
    return {static_cast<size_t>(begin), static_cast<size_t>(end)};
}

bool EqualsNoCase(std::string_view text, std::string_view lower)
{
    if (text.size() != lower.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
        if (c != lower[i]) return false;
    }
    return true;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

} // namespace

void WriteString(TMemoryStream& stream, std::string_view text)
{
    if (text.size() > kMaxStringBytes) {
        // Cut to what the count can say, never inside a character.
        size_t cut = 0;
        while (cut < text.size() && cut + CharLength(text, cut) <= kMaxStringBytes)
            cut += CharLength(text, cut);
        text = text.substr(0, cut);
    }
    stream.WriteU16(static_cast<uint16_t>(text.size()));
    stream.WriteChars(text);
}

void WriteString(TMemoryStream* stream, std::string_view text)
{
    if (stream) WriteString(*stream, text);
}

std::string ReadString(TMemoryStream& stream)
{
    const size_t start = stream.Position();
    const uint16_t count = stream.ReadU16();
    if (count > stream.Remaining()) {
        stream.Seek(start);
        throw StreamError("string runs past the end of the stream");
    }
    return stream.ReadChars(count);
}

int CharCount(std::string_view text)
{
    int count = 0;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i))
        ++count;
    return count;
}

std::string CopyChars(std::string_view text, int first, int count)
{
    const auto [begin, end] = ClipRange(first, count, static_cast<size_t>(CharCount(text)));
    std::string out;
    size_t index = 0;
    for (size_t i = 0; i < text.size() && index < end; ++index) {
        const size_t n = CharLength(text, i);
        if (index >= begin) out += text.substr(i, n);
        i += n;
    }
    return out;
}

int CharPos(std::string_view sub, std::string_view text)
{
    if (sub.empty()) return 0;
    int position = 1;
    for (size_t i = 0; i < text.size(); i += CharLength(text, i), ++position) {
        if (text.substr(i, sub.size()) == sub) return position;
    }
    return 0;
}

std::string TrimmedCopy(std::string_view text, int from, int count)
{
    const auto [begin, end] = ClipRange(from, count, text.size());
    std::string_view part = text.substr(begin, end - begin);
    const size_t left = part.find_first_not_of(' ');
    if (left == std::string_view::npos) return {};
    const size_t right = part.find_last_not_of(' ');
    return std::string(part.substr(left, right - left + 1));
}

int ParseBool(std::string_view text, int fallback)
{
    if (EqualsNoCase(text, "false")) return 0;
    if (EqualsNoCase(text, "true")) return 1;
    return fallback;
}

uint32_t StringHash(std::string_view text)
{
    uint32_t hash = 0;
    for (size_t i = 1; i <= text.size(); ++i) {
        hash += static_cast<uint32_t>(static_cast<uint8_t>(text[i - 1])) << (i % 16);
    }
    return hash;
}

uint32_t FourCharKey(std::string_view text)
{
    uint32_t key = 0;
    for (size_t i = 0; i < text.size() && i < 4; ++i) {
        key |= static_cast<uint32_t>(static_cast<uint8_t>(text[i]) & 0x7F) << (8 * i);
    }
    return key;
}

std::string BytesToHex(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        out += kDigits[b & 0x0F];
        out += kDigits[b >> 4];
    }
    return out;
}

std::string HexToBytes(std::string_view hex)
{
    std::string out;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(HexValue(hex[i]) | (HexValue(hex[i + 1]) << 4));
    }
    return out;
}

} // namespace tsukimi
