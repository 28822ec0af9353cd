#include "data/TextHelpers.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

const std::string kFullSpace = "\x81\x40";

TEST(TextWidth, FullWidthPinnedForms)
{
    struct Case
    {
        std::string in, out;
    } cases[] = {
        {"aZ1 ", "\x82\x81\x82\x79\x82\x50\x81\x40"},
        {"\xB1\xAE", "\x83\x41\x83\x87"},              // ｱ ｮ -> ア ョ
        {"\\'_0", "\x81\x8F\x81\x66\x81\x51\x82\x4F"}, // ￥ ’ ＿ ０
        {"\xB6\xDE\xC4\xDE\xCA\xDE\xCE\xDF", "\x83\x4B\x83\x68\x83\x6F\x83\x7C"}, // ガ ド バ ポ
        {"\xB6\xDF", "\x83\x4A" + kFullSpace}, // ｶﾟ: no such character, ﾟ alone
        {"\x01\xA1\xDE", kFullSpace + kFullSpace + kFullSpace},
        {"\x8A\xBF\x83", "\x8A\xBF\x83"}, // two-byte characters pass
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToFullWidth(c.in), c.out) << c.in;
}

TEST(TextWidth, HalfWidthPinnedForms)
{
    struct Case
    {
        std::string in, out;
    } cases[] = {
        {"\x82\x81\x82\x79\x81\x40", "aZ "},
        {"\x83\x4B\x83\x70\x83\x7C", "\xB6\xDE\xCA\xDF\xCE\xDF"}, // ガ パ ポ
        {"\x8A\xBF\x61\x83", " a\x83"},                           // unknown kanji, single bytes
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToHalfWidth(c.in), c.out) << c.in;
}

TEST(TextWidth, EveryHalfWidthCharacterRoundTrips)
{
    int mapped = 0;
    for (int b = 0; b < 0x100; ++b) {
        if (IsLeadByte(static_cast<uint8_t>(b))) continue;
        const std::string half(1, static_cast<char>(b));
        const std::string full = ToFullWidth(half);
        ASSERT_EQ(full.size(), 2u);
        if (full == kFullSpace && b != ' ') continue;
        EXPECT_EQ(ToHalfWidth(full), half) << b;
        ++mapped;
    }
    EXPECT_EQ(mapped, 150);
}

} // namespace
} // namespace tsukimi
