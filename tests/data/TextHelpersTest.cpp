#include "data/TextHelpers.h"
#include "data/StringWriter.h"

#include <gtest/gtest.h>

#include <climits>

namespace tsukimi {
namespace {

const std::string kKatakanaA = "\x83\x41"; // trail byte 'A'

TEST(LengthPrefixedString, RoundTripsAndReadsTheEmptyString)
{
    TMemoryStream s;
    WriteString(s, "abc");
    WriteString(s, "");
    s.WriteU8(0x7E);
    ASSERT_EQ(s.Size(), 2u + 3 + 2 + 1);
    s.Rewind();
    EXPECT_EQ(ReadString(s), "abc");
    EXPECT_EQ(ReadString(s), "");
    EXPECT_EQ(s.Position(), 7u);
    EXPECT_EQ(s.ReadU8(), 0x7E);
    WriteString(static_cast<TMemoryStream*>(nullptr), "ignored");
}

TEST(LengthPrefixedString, OverlongTextKeepsCountAndBytesInStep)
{
    TMemoryStream s;
    WriteString(s, std::string(70000, 'x'));
    WriteString(s, std::string(65534, 'y') + kKatakanaA); // would end inside the character
    s.WriteU32(0xDEADBEEF);
    s.Rewind();
    EXPECT_EQ(ReadString(s), std::string(65535, 'x'));
    EXPECT_EQ(ReadString(s), std::string(65534, 'y'));
    EXPECT_EQ(s.ReadU32(), 0xDEADBEEFu);
}

TEST(LengthPrefixedString, TruncatedDataThrows)
{
    TMemoryStream s(std::string_view("\x05\x00\x61\x62\x63", 5));
    EXPECT_THROW(ReadString(s), StreamError);
    EXPECT_EQ(s.Position(), 0u);
    TMemoryStream one(std::string_view("\x05", 1));
    EXPECT_THROW(ReadString(one), StreamError);
}

TEST(Characters, CountCopyAndPositionStepOverTwoByteCharacters)
{
    const std::string text = "a" + kKatakanaA + "b"; // three characters, four bytes
    EXPECT_EQ(CharCount(text), 3);
    EXPECT_EQ(CharCount(""), 0);
    EXPECT_EQ(CharCount("\x83"), 1);

    struct Case
    {
        int first, count;
        std::string out;
    } copies[] = {
        {2, 1, kKatakanaA},
        {1, 2, "a" + kKatakanaA},
        {2, 100, kKatakanaA + "b"},
        {0, 2, "a"},
        {-5, 3, ""},
        {4, 1, ""},
        {1, INT_MAX, text},
        {INT_MAX, INT_MAX, ""},
        {INT_MIN, INT_MAX, ""},
        {2, -1, ""},
    };
    for (const auto& c : copies)
        EXPECT_EQ(CopyChars(text, c.first, c.count), c.out) << c.first;

    EXPECT_EQ(CharPos("b", text), 3);
    EXPECT_EQ(CharPos(kKatakanaA, text), 2);
    EXPECT_EQ(CharPos("A", kKatakanaA + "A"), 2); // not the trail byte at 1
    EXPECT_EQ(CharPos("c", text), 0);
    EXPECT_EQ(CharPos("", text), 0);
}

TEST(Characters, TrimmedCopyClipsAndTrimsSpacesOnly)
{
    struct Case
    {
        std::string text;
        int from, count;
        std::string out;
    } cases[] = {
        {"  ab  ", 1, 6, "ab"},  {" a b \t", 2, 100, "a b \t"},
        {"   ", 1, 3, ""},       {"abc", 0, 2, "a"},
        {"abc", -3, 100, "abc"}, {"abc", 3, INT_MAX, "c"},
        {"abc", 5, 1, ""},       {"abc", 1, -1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrimmedCopy(c.text, c.from, c.count), c.out) << c.text;
}

TEST(Parsing, BoolHashAndKey)
{
    EXPECT_EQ(ParseBool("TRUE", 0), 1);
    EXPECT_EQ(ParseBool("False", 1), 0);
    EXPECT_EQ(ParseBool("yes", 7), 7);
    EXPECT_EQ(ParseBool(" true", 7), 7);
    EXPECT_EQ(ParseBool("", -1), -1);

    EXPECT_EQ(StringHash(""), 0u);
    EXPECT_EQ(StringHash("ab"), 0x61u * 2 + 0x62u * 4);
    EXPECT_EQ(StringHash(std::string(40, '\xFF')), 0x1FFFA04u); // bytes unsigned, sum wraps

    EXPECT_EQ(FourCharKey("if"), 0x6669u);
    EXPECT_EQ(FourCharKey("\xE9\x62\x63\x64\x65"), 0x64636269u);
    EXPECT_EQ(FourCharKey(""), 0u);
}

TEST(Hex, LowNibbleFirst)
{
    EXPECT_EQ(BytesToHex(std::string("\x1F\xA0\x00", 3)), "F10A00");
    EXPECT_EQ(HexToBytes("F10A00"), std::string("\x1F\xA0\x00", 3));
    EXPECT_EQ(HexToBytes("f10a"), "\x1F\xA0");
    EXPECT_EQ(HexToBytes("zz1"), std::string("\x00", 1)); // bad digits are 0, odd tail dropped
    EXPECT_EQ(BytesToHex(""), "");
}

TEST(Colors, ChannelArithmetic)
{
    EXPECT_EQ(ToWindowColor(0x80112233u), 0x02332211u);
    const uint32_t a = 0xFF0000FFu, b = 0x00FF8000u;
    EXPECT_EQ(MixColor(a, b, 0), a);
    EXPECT_EQ(MixColor(a, b, -4), a);
    EXPECT_EQ(MixColor(a, b, 255), b);
    EXPECT_EQ(MixColor(a, b, 300), b);
    EXPECT_EQ(MixColor(a, b, 51), 0xCC3319CCu); // 204, 51, 128 * 51 / 255 = 25, 204
    EXPECT_EQ(MultiplyColor(0xFFFFFFFFu, 0x12345678u), 0x12345678u);
    EXPECT_EQ(MultiplyColor(0x80808080u, 0x80808080u), 0x40404040u);
    EXPECT_EQ(AddColor(0xF0F0F0F0u, 0x20202020u), 0xFFFFFFFFu);
    EXPECT_EQ(AddColor(0x01020304u, 0x01010101u), 0x02030405u);
}

TEST(StringWriter, GrowsInStepsOf128)
{
    TStringWriter w;
    EXPECT_EQ(w.Capacity(), 128u);
    w.Append(std::string(127, 'a'));
    EXPECT_EQ(w.Capacity(), 128u);
    w.AppendChars("b\0c");
    EXPECT_EQ(w.Length(), 128u);
    EXPECT_EQ(w.Capacity(), 256u);
    w.Append(std::string(300, 'c'));
    EXPECT_EQ(w.Capacity(), 512u);
    EXPECT_EQ(w.GetText(), std::string(127, 'a') + "b" + std::string(300, 'c'));
    w.Clear();
    EXPECT_EQ(w.GetText(), "");
    EXPECT_EQ(w.Capacity(), 128u);
}

} // namespace
} // namespace tsukimi
