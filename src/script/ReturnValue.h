#pragma once
// A script value as it travels through the evaluator, the parsed form of a
// variable reference, and the literal syntax of script numbers.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tsukimi {

enum class TValueKind : uint8_t {
    Integer = 0,
    String = 1,
    Object = 2, // an object name
    Token = 3,  // text the evaluator has still to interpret
    Invalid = 4,
};

// Always carries both forms: a number and a text.
struct TReturnValue
{
    TValueKind Kind = TValueKind::Invalid;
    int32_t Number = 0;
    std::string Text;

    static TReturnValue Integer(int32_t number, std::string text = {});
    // An integer whose text is its decimal number.
    static TReturnValue IntegerText(int32_t number);
    static TReturnValue String(std::string text, int32_t number = 0);
    static TReturnValue Object(std::string name);
    static TReturnValue Token(std::string text);
    static TReturnValue Invalid() { return {}; }

    bool IsInvalid() const { return Kind == TValueKind::Invalid; }
    bool IsInteger() const { return Kind == TValueKind::Integer; }
    // Turns this into the invalid value (kind 4, 0, empty).
    void MakeInvalid();
};

// Element subscripts; I1 is the last one written (`a[i4,i3,i2,i1]`).
struct TSubscripts
{
    int32_t I1 = 0, I2 = 0, I3 = 0, I4 = 0;
};

// `name[a,b]` with an optional sign (`+`, `-`, `^`; 0 when none).
struct TValueAdr
{
    std::string Name;
    TSubscripts Index;
    char Sign = 0;
};

// Script number syntax: leading spaces, an optional sign, then decimal
// digits or hexadecimal digits after "$", "x", "X", "0x" or "0X"; nothing
// may follow. The 64-bit form fails outside the 64-bit range; the 32-bit
// form fails outside the 32-bit range (hexadecimal up to 0xFFFFFFFF, taken
// as its bit pattern).
std::optional<int64_t> ParseScriptInt64(std::string_view text);
std::optional<int32_t> ParseScriptInt32(std::string_view text);
// The 32-bit form, 0 when the text is no number.
int32_t ScriptTextToInt(std::string_view text);

// An operand literal: starts with "$", "+", "-" or a digit and converts as a
// 64-bit number other than exactly 4294967296; gives the low 32 bits.
std::optional<int32_t> IntegerLiteral(std::string_view text);

std::string IntToText(int32_t number);
// Replaces `text` with the decimal number, reusing its storage.
void AssignIntText(std::string& text, int32_t number);

} // namespace tsukimi
