#include "shell/SettingsText.h"

#include "data/TextHelpers.h"
#include "shell/TextUtil.h"

#include <cstdint>

namespace tsukimi {

TSettingsText::TSettingsText(std::string_view text)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines_.emplace_back(line);
        start = end + 1;
    }
}

long TSettingsText::Find(std::string_view key) const
{
    for (size_t i = 0; i < lines_.size(); ++i) {
        const size_t eq = lines_[i].find('=');
        if (eq != std::string::npos && EqualsIgnoreAsciiCase(std::string_view(lines_[i]).substr(0, eq), key))
            return static_cast<long>(i);
    }
    return -1;
}

std::string TSettingsText::Value(std::string_view key) const
{
    const long i = Find(key);
    if (i < 0)
        return {};
    const std::string& line = lines_[static_cast<size_t>(i)];
    return line.substr(line.find('=') + 1);
}

bool TSettingsText::Has(std::string_view key) const
{
    return Find(key) >= 0;
}

void TSettingsText::Set(std::string_view key, std::string_view value)
{
    const long i = Find(key);
    if (value.empty()) {
        if (i >= 0)
            lines_.erase(lines_.begin() + i);
        return;
    }
    std::string line(key);
    line += '=';
    line += value;
    if (i >= 0)
        lines_[static_cast<size_t>(i)] = std::move(line);
    else
        lines_.push_back(std::move(line));
}

std::string TSettingsText::Text() const
{
    std::string out;
    for (const auto& line : lines_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

namespace {

// Parses into `bits` significant bits; false when the text is not a number
// or does not fit.
bool ParseInteger(std::string_view value, int bits, int64_t& out)
{
    size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-'))
        negative = value[i++] == '-';
    if (i >= value.size())
        return false;
    const uint64_t mask = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
    uint64_t magnitude = 0;
    if (value[i] == '$') {
        if (++i >= value.size() || value.size() - i > static_cast<size_t>(bits / 4))
            return false;
        for (; i < value.size(); ++i) {
            const char c = value[i];
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return false;
            magnitude = magnitude << 4 | static_cast<uint64_t>(digit);
        }
        // Hexadecimal gives the bit pattern: "$FFFFFFFF" is -1 in 32 bits.
        uint64_t pattern = negative ? (0 - magnitude) & mask : magnitude;
        if (bits < 64 && (pattern >> (bits - 1)) & 1)
            pattern |= ~mask;
        out = static_cast<int64_t>(pattern);
        return true;
    }
    const uint64_t limit = (uint64_t{1} << (bits - 1)) - (negative ? 0 : 1);
    for (; i < value.size(); ++i) {
        const char c = value[i];
        if (c < '0' || c > '9')
            return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (magnitude > (limit - digit) / 10)
            return false;
        magnitude = magnitude * 10 + digit;
    }
    out = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

} // namespace

int ParseSettingInt(std::string_view value, int fallback)
{
    int64_t out = 0;
    return ParseInteger(value, 32, out) ? static_cast<int>(out) : fallback;
}

int64_t ParseSettingInt64(std::string_view value, int64_t fallback)
{
    int64_t out = 0;
    return ParseInteger(value, 64, out) ? out : fallback;
}

bool ParseSettingBool(std::string_view value, bool fallback)
{
    return ParseBool(value, fallback ? 1 : 0) != 0;
}

} // namespace tsukimi
