#pragma once
// Text helpers for the engine's Shift-JIS (code page 932) byte strings. A
// byte 0x81-0x9F or 0xE0-0xFF starts a two-byte character; the byte after it
// belongs to the same character whatever its value. Every routine here steps
// over two-byte characters and never splits one.
#include "data/MemoryStream.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

constexpr bool IsLeadByte(uint8_t b)
{
    return (b >= 0x81 && b <= 0x9F) || b >= 0xE0;
}
constexpr bool IsLeadByte(char c)
{
    return IsLeadByte(static_cast<uint8_t>(c));
}

// --- Length-prefixed strings: a 16-bit little-endian byte count, then the
// bytes. Longer texts are written as their first 65535 bytes, so the count
// always matches what follows.
void WriteString(TMemoryStream& stream, std::string_view text);
// Does nothing for a null stream.
void WriteString(TMemoryStream* stream, std::string_view text);
// Throws StreamError when the count or the bytes run past the end.
std::string ReadString(TMemoryStream& stream);

// --- Splitting. `separator` is one character (one or two bytes). CR LF
// always ends an item; with `skipBlanks` spaces and tabs are dropped; with
// `stopAtComment` "//" ends the text. Separators inside brackets ({ ( [) or
// double quotes do not split. Empty items are appended up to `minCount`.
std::vector<std::string> SplitText(std::string_view separator, std::string_view text,
                                   bool skipBlanks, int minCount, bool stopAtComment);

// --- Case. The engine's lower-casing `LowerText` has two modes, set once
// from the setting OldFilePackMBCSMode: Ansi (the default) is the code page
// 932 lower-casing of the platform, which also lowers full-width Latin,
// Greek, Cyrillic and Roman numerals and rewrites NEC/IBM duplicate codes
// to their preferred code; Ascii lowers "A"-"Z" only and leaves two-byte
// characters alone.
enum class LowerMode : uint8_t { Ansi, Ascii };

void SetLowerTextMode(LowerMode mode);
LowerMode LowerTextMode();

std::string LowerText(std::string_view text); // in the current mode
std::string LowerText(std::string_view text, LowerMode mode);
// The platform's code page 932 lower- and upper-casing, whatever the mode.
std::string AnsiLowerText(std::string_view text);
std::string UpperText(std::string_view text);
// Compares without case (code page 932 lower-casing, then byte order):
// -1, 0 or 1. 0 means equal without case.
int SameTextLower(std::string_view a, std::string_view b);

// --- Characters (a two-byte character counts as one).
int CharCount(std::string_view text);
// Characters first .. first + count - 1 (1-based), clipped to the text.
std::string CopyChars(std::string_view text, int first, int count);
// 1-based character position of the first occurrence of `sub` that starts
// on a character boundary; 0 when absent or `sub` is empty.
int CharPos(std::string_view sub, std::string_view text);
// Bytes from .. from + count - 1 (1-based, clipped to the text) without
// leading and trailing spaces (0x20 only).
std::string TrimmedCopy(std::string_view text, int from, int count);

// "true" (any case) -> 1, "false" (any case) -> 0, anything else -> fallback.
int ParseBool(std::string_view text, int fallback);
// Sum over i = 1 .. length of byte i << (i mod 16), 32-bit wrapping.
uint32_t StringHash(std::string_view text);
// The first up to four bytes, bit 7 cleared, packed little-endian.
uint32_t FourCharKey(std::string_view text);

// --- Width. Half-width letters, digits, signs and katakana (with voiced
// marks folded in) to their full-width forms; other single bytes become a
// full-width space. ToHalfWidth is the inverse; unknown two-byte characters
// become " ".
std::string ToFullWidth(std::string_view text);
std::string ToHalfWidth(std::string_view text);

// --- Hexadecimal with the low nibble first ("\x1F" -> "F1").
std::string BytesToHex(std::string_view bytes);
// Pairs read low nibble first; other characters count as 0; an odd last
// character is ignored.
std::string HexToBytes(std::string_view hex);

// --- Colours 0xAARRGGBB.
// Red and blue swapped, alpha dropped, bit 25 (0x02000000) set.
uint32_t ToWindowColor(uint32_t color);
// t <= 0 -> a, t >= 255 -> b, else each channel (a * (255 - t) + b * t) / 255.
uint32_t MixColor(uint32_t a, uint32_t b, int t);
// Each channel a * b / 255.
uint32_t MultiplyColor(uint32_t a, uint32_t b);
// Each channel a + b, saturated at 255.
uint32_t AddColor(uint32_t a, uint32_t b);

} // namespace tsukimi
