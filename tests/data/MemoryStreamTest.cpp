#include "data/MemoryStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace tsukimi {
namespace {

TEST(MemoryStream, IntegersAndRealsAreLittleEndianAndRoundTrip)
{
    TMemoryStream s;
    s.WriteU8(0xAB);
    s.WriteI16(-2);
    s.WriteU32(0x11223344);
    s.WriteI64(std::numeric_limits<int64_t>::min());
    s.WriteFloat(1.5f);
    s.WriteDouble(-0.25);
    ASSERT_EQ(s.Size(), 1u + 2 + 4 + 8 + 4 + 8);
    EXPECT_EQ(std::memcmp(s.Data() + 3, "\x44\x33\x22\x11", 4), 0);

    s.Rewind();
    EXPECT_EQ(s.ReadU8(), 0xAB);
    EXPECT_EQ(s.ReadI16(), -2);
    EXPECT_EQ(s.ReadU32(), 0x11223344u);
    EXPECT_EQ(s.ReadI64(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(s.ReadFloat(), 1.5f);
    EXPECT_EQ(s.ReadDouble(), -0.25);
    EXPECT_TRUE(s.AtEnd());
}

TEST(MemoryStream, ReadsPastTheEndThrowAndKeepThePosition)
{
    TMemoryStream s(std::string_view("\x01\x02\x03", 3));
    s.Seek(1);
    EXPECT_THROW(s.ReadU32(), StreamError);
    EXPECT_THROW(s.ReadU64(), StreamError);
    EXPECT_THROW(s.ReadBlock(3), StreamError);
    EXPECT_THROW(s.ReadChars(std::numeric_limits<size_t>::max()), StreamError);
    EXPECT_THROW(s.Skip(3), StreamError);
    EXPECT_EQ(s.Position(), 1u);
    EXPECT_EQ(s.ReadU16(), 0x0302);
    EXPECT_THROW(s.ReadU8(), StreamError);

    uint8_t buffer[8] = {};
    s.Seek(2);
    EXPECT_EQ(s.ReadSome(buffer, sizeof buffer), 1u);
    EXPECT_EQ(buffer[0], 3);
}

TEST(MemoryStream, SeekOutsideAndOversizeFail)
{
    TMemoryStream s(std::string_view("ab"));
    EXPECT_NO_THROW(s.Seek(2));
    EXPECT_THROW(s.Seek(3), StreamError);
    EXPECT_THROW(s.SetSize(TMemoryStream::MaxSize + 1), StreamError);
    EXPECT_EQ(s.Size(), 2u);
}

TEST(MemoryStream, WritesOverwriteAtThePositionAndGrow)
{
    TMemoryStream s(std::string_view("abcd"));
    s.Seek(2);
    s.WriteChars("XYZ");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Data()), s.Size()), "abXYZ");
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2u);
    s.SetSize(4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.Data()), 4), std::string("ab\0\0", 4));
}

TEST(MemoryStream, CopyFromTakesExactlyCountBytes)
{
    TMemoryStream source(std::string_view("0123456789"));
    source.Seek(3);
    TMemoryStream target;
    target.CopyFrom(source, 4);
    EXPECT_EQ(source.Position(), 7u);
    target.Rewind();
    EXPECT_EQ(target.ReadChars(4), "3456");
    EXPECT_THROW(target.CopyFrom(source, 4), StreamError);
    EXPECT_EQ(source.Position(), 7u);
}

} // namespace
} // namespace tsukimi
