#include "data/TextHelpers.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

// Shift-JIS codes used below.
const std::string kFullA = "\x82\x60", kFullSmallA = "\x82\x81";
const std::string kAlpha = "\x83\x9F", kSmallAlpha = "\x83\xBF";
const std::string kCyrA = "\x84\x40", kSmallCyrA = "\x84\x70";
const std::string kRoman1 = "\x87\x54", kSmallRoman1 = "\xFA\x40";
const std::string kRoman1Ibm = "\xFA\x4A", kSmallRoman1Nec = "\xEE\xEF";
const std::string kKanjiNecSelected = "\xED\x40", kKanjiIbm = "\xFA\x5C"; // the same kanji
const std::string kBecauseNec = "\x87\x9A", kBecause = "\x81\xE6";        // the same sign
const std::string kKatakanaA = "\x83\x41";                                // trail byte 'A'
const std::string kHyo = "\x95\x5C";                                      // trail byte 0x5C

class LowerModeGuard
{
public:
    explicit LowerModeGuard(LowerMode mode) : old_(LowerTextMode()) { SetLowerTextMode(mode); }
    ~LowerModeGuard() { SetLowerTextMode(old_); }

private:
    LowerMode old_;
};

TEST(TextCase, AnsiLowerCasingFollowsTheCodePage)
{
    struct Case
    {
        std::string in, out;
    } cases[] = {
        {"ABC xyz", "abc xyz"},
        {kFullA, kFullSmallA},
        {kAlpha, kSmallAlpha},
        {"\x83\xB6", "\x83\xD6"}, // Omega
        {kCyrA, kSmallCyrA},
        {"\x84\x46", "\x84\x76"}, // Io
        {kRoman1, kSmallRoman1},
        {kRoman1Ibm, kSmallRoman1},
        {kSmallRoman1Nec, kSmallRoman1},
        {kKanjiNecSelected, kKanjiIbm},
        {kBecauseNec, kBecause},
        {kKatakanaA + "A" + kHyo + "\\", kKatakanaA + "a" + kHyo + "\\"},
        {"\xB1\xDE", "\xB1\xDE"}, // half-width katakana
        {"A\x82", "a\x82"},       // a lone lead byte at the end stays
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnsiLowerText(c.in), c.out) << c.in;
        EXPECT_EQ(LowerText(c.in, LowerMode::Ansi), c.out) << c.in;
    }
}

TEST(TextCase, UpperCasingIsTheReverse)
{
    EXPECT_EQ(UpperText("abc" + kFullSmallA + kSmallAlpha + kSmallCyrA),
              "ABC" + kFullA + kAlpha + kCyrA);
    EXPECT_EQ(UpperText(kSmallRoman1), kRoman1);
    EXPECT_EQ(UpperText(kSmallRoman1Nec), kRoman1);
    EXPECT_EQ(UpperText(kKatakanaA + "a" + kHyo), kKatakanaA + "A" + kHyo);
}

TEST(TextCase, AsciiModeLowersOnlySingleByteLetters)
{
    const std::string in = "AB" + kFullA + kKatakanaA + kRoman1 + kKanjiNecSelected;
    EXPECT_EQ(LowerText(in, LowerMode::Ascii),
              "ab" + kFullA + kKatakanaA + kRoman1 + kKanjiNecSelected);
}

TEST(TextCase, LowerTextUsesTheProcessMode)
{
    EXPECT_EQ(LowerTextMode(), LowerMode::Ansi);
    EXPECT_EQ(LowerText("A" + kFullA), "a" + kFullSmallA);
    LowerModeGuard ascii(LowerMode::Ascii);
    EXPECT_EQ(LowerText("A" + kFullA), "a" + kFullA);
}

TEST(TextCase, SameTextLowerComparesWithoutCase)
{
    EXPECT_EQ(SameTextLower("System\\ETC", "system\\etc"), 0);
    EXPECT_EQ(SameTextLower(kFullA, kFullSmallA), 0);
    EXPECT_EQ(SameTextLower(kKatakanaA, "\x83\x61"), -1); // ア vs ャ: trail bytes are not letters
    EXPECT_EQ(SameTextLower("b", "A"), 1);
    LowerModeGuard ascii(LowerMode::Ascii);
    EXPECT_EQ(SameTextLower("ABC", "abc"), 0);
}

} // namespace
} // namespace tsukimi
