#include "script/ReturnValue.h"

#include <charconv>

namespace tsukimi {

TReturnValue TReturnValue::Integer(int32_t number, std::string text)
{
    return {TValueKind::Integer, number, std::move(text)};
}

TReturnValue TReturnValue::IntegerText(int32_t number)
{
    return {TValueKind::Integer, number, IntToText(number)};
}

TReturnValue TReturnValue::String(std::string text, int32_t number)
{
    return {TValueKind::String, number, std::move(text)};
}

TReturnValue TReturnValue::Object(std::string name)
{
    return {TValueKind::Object, 0, std::move(name)};
}

TReturnValue TReturnValue::Token(std::string text)
{
    return {TValueKind::Token, 0, std::move(text)};
}

void TReturnValue::MakeInvalid()
{
    Kind = TValueKind::Invalid;
    Number = 0;
    Text.clear();
}

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The magnitude and sign of a script number; `hexLimit` and `decimalLimit`
// bound the magnitude (the negative decimal limit is one more).
struct ParsedNumber
{
    uint64_t magnitude = 0;
    bool negative = false;
    bool hex = false;
};

std::optional<ParsedNumber> ParseNumber(std::string_view text, uint64_t hexLimit,
                                        uint64_t decimalLimit)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    ParsedNumber result;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        result.negative = text[i] == '-';
        ++i;
    }
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        result.hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        result.hex = true;
        i += 2;
    }
    if (i >= text.size()) return std::nullopt;
    const uint64_t limit = result.hex ? hexLimit : decimalLimit + (result.negative ? 1 : 0);
    const uint64_t base = result.hex ? 16 : 10;
    for (; i < text.size(); ++i) {
        const int d = result.hex ? HexDigit(text[i])
                                 : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (d < 0) return std::nullopt;
        if (result.magnitude > (limit - static_cast<uint64_t>(d)) / base) return std::nullopt;
        result.magnitude = result.magnitude * base + static_cast<uint64_t>(d);
    }
    return result;
}

uint64_t Signed(const ParsedNumber& n)
{
    return n.negative ? uint64_t{0} - n.magnitude : n.magnitude;
}

} // namespace

std::optional<int64_t> ParseScriptInt64(std::string_view text)
{
    const auto n = ParseNumber(text, UINT64_MAX, INT64_MAX);
    if (!n) return std::nullopt;
    return static_cast<int64_t>(Signed(*n));
}

std::optional<int32_t> ParseScriptInt32(std::string_view text)
{
    const auto n = ParseNumber(text, UINT32_MAX, INT32_MAX);
    if (!n) return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(Signed(*n)));
}

int32_t ScriptTextToInt(std::string_view text)
{
    return ParseScriptInt32(text).value_or(0);
}

std::optional<int32_t> IntegerLiteral(std::string_view text)
{
    if (text.empty()) return std::nullopt;
    const char c = text[0];
    if (c != '$' && c != '+' && c != '-' && !(c >= '0' && c <= '9')) return std::nullopt;
    const auto value = ParseScriptInt64(text);
    if (!value || *value == 4294967296LL) return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(*value)));
}

void AssignIntText(std::string& text, int32_t number)
{
    // Every integer read from a variable carries its text, so this is on the
    // interpreter's hottest path: digits two at a time, backwards.
    static constexpr char Pairs[] = "00010203040506070809101112131415161718192021222324"
                                    "25262728293031323334353637383940414243444546474849"
                                    "50515253545556575859606162636465666768697071727374"
                                    "75767778798081828384858687888990919293949596979899";
    char buffer[12];
    char* const end = buffer + sizeof buffer;
    char* p = end;
    uint32_t rest = number < 0 ? 0u - static_cast<uint32_t>(number) : static_cast<uint32_t>(number);
    while (rest >= 100) {
        const uint32_t pair = (rest % 100) * 2;
        rest /= 100;
        *--p = Pairs[pair + 1];
        *--p = Pairs[pair];
    }
    if (rest >= 10) {
        *--p = Pairs[rest * 2 + 1];
        *--p = Pairs[rest * 2];
    } else {
        *--p = static_cast<char>('0' + rest);
    }
    if (number < 0) *--p = '-';
    text.assign(p, static_cast<size_t>(end - p));
}

std::string IntToText(int32_t number)
{
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
    return std::string(buffer, end);
}

} // namespace tsukimi
