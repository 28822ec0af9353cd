#include "script/ScriptFormat.h"

#include "data/TextHelpers.h"

#include <cstdint>
#include <optional>

namespace tsukimi {

namespace {

struct Conversion
{
    bool left = false, plus = false, space = false, zero = false, alternate = false;
    int width = 0;
    int precision = -1; // -1: none given
    char kind = 0;
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads digits at `pos`; nullopt when the number exceeds the cap.
std::optional<int> ReadNumber(std::string_view text, size_t& pos)
{
    int64_t number = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        number = number * 10 + (text[pos++] - '0');
        if (number > MaxFormatWidth) return std::nullopt;
    }
    return static_cast<int>(number);
}

// Parses the conversion after the "%" at `pos`; nullopt when unsupported.
std::optional<Conversion> ParseConversion(std::string_view text, size_t& pos)
{
    Conversion c;
    for (; pos < text.size(); ++pos) {
        const char f = text[pos];
        if (f == '-')
            c.left = true;
        else if (f == '+')
            c.plus = true;
        else if (f == ' ')
            c.space = true;
        else if (f == '0')
            c.zero = true;
        else if (f == '#')
            c.alternate = true;
        else
            break;
    }
    const auto width = ReadNumber(text, pos);
    if (!width) return std::nullopt;
    c.width = *width;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        const auto precision = ReadNumber(text, pos);
        if (!precision) return std::nullopt;
        c.precision = *precision;
    }
    if (pos >= text.size()) return std::nullopt;
    c.kind = text[pos++];
    static constexpr std::string_view kinds = "diuxXocs";
    if (kinds.find(c.kind) == std::string_view::npos) return std::nullopt;
    return c;
}

std::string Digits(uint32_t magnitude, unsigned base, bool upper)
{
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string digits;
    do {
        digits.insert(digits.begin(), set[magnitude % base]);
        magnitude /= base;
    } while (magnitude != 0);
    return digits;
}

std::string Pad(std::string prefix, std::string body, const Conversion& c, bool zeroAllowed)
{
    const size_t length = prefix.size() + body.size();
    const size_t width = static_cast<size_t>(c.width);
    if (length >= width) return prefix + body;
    const std::string fill(width - length, ' ');
    if (c.left) return prefix + body + fill;
    if (zeroAllowed && c.zero) return prefix + std::string(width - length, '0') + body;
    return fill + prefix + body;
}

std::string FormatInteger(const Conversion& c, int32_t value)
{
    if (c.kind == 'c') return Pad({}, std::string(1, static_cast<char>(value & 0xFF)), c, false);
    const bool isSigned = c.kind == 'd' || c.kind == 'i';
    const bool negative = isSigned && value < 0;
    uint32_t magnitude = static_cast<uint32_t>(value);
    if (negative) magnitude = 0u - magnitude;
    const unsigned base = c.kind == 'o' ? 8 : (c.kind == 'x' || c.kind == 'X') ? 16 : 10;
    std::string digits = Digits(magnitude, base, c.kind == 'X');
    if (c.precision == 0 && magnitude == 0) digits.clear();
    if (c.precision > static_cast<int>(digits.size()))
        digits.insert(0, static_cast<size_t>(c.precision) - digits.size(), '0');
    std::string prefix;
    if (negative)
        prefix = "-";
    else if (isSigned && c.plus)
        prefix = "+";
    else if (isSigned && c.space)
        prefix = " ";
    if (c.alternate && c.kind == 'o' && (digits.empty() || digits[0] != '0')) digits.insert(0, "0");
    if (c.alternate && base == 16 && magnitude != 0) prefix += c.kind == 'X' ? "0X" : "0x";
    return Pad(prefix, digits, c, c.precision < 0);
}

std::string FormatString(const Conversion& c, std::string_view text)
{
    if (c.precision >= 0 && text.size() > static_cast<size_t>(c.precision)) {
        // Cut on a character boundary.
        size_t end = 0;
        while (end < text.size()) {
            const size_t step = IsLeadByte(text[end]) && end + 1 < text.size() ? 2 : 1;
            if (end + step > static_cast<size_t>(c.precision)) break;
            end += step;
        }
        text = text.substr(0, end);
    }
    return Pad({}, std::string(text), c, false);
}

} // namespace

std::string FormatScriptValue(std::string_view format, const TReturnValue& value)
{
    std::string out;
    bool converted = false;
    for (size_t pos = 0; pos < format.size();) {
        const char ch = format[pos];
        if (ch != '%') {
            out += ch;
            ++pos;
            continue;
        }
        if (pos + 1 < format.size() && format[pos + 1] == '%') {
            out += '%';
            pos += 2;
            continue;
        }
        ++pos;
        const auto c = ParseConversion(format, pos);
        if (!c || converted) return {};
        converted = true;
        const bool wantsString = c->kind == 's';
        if (wantsString == value.IsInteger()) return {};
        out += wantsString ? FormatString(*c, value.Text) : FormatInteger(*c, value.Number);
        if (out.size() > 4 * MaxFormatWidth + format.size()) return {};
    }
    return out;
}

} // namespace tsukimi
