#include "data/BlockTransforms.h"

#include "data/MTRandom.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tsukimi;

namespace {

std::vector<uint8_t> Bytes(std::string_view text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> FromHex(std::string_view hex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(
            static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed)
{
    TMTRandom random;
    random.Seed(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(random.NextWord());
    return bytes;
}

} // namespace

// Stored files depend on these exact outputs: a change here breaks every
// pack, hash table and save written before it.
TEST(BlockScrambleTest, KnownOutputs)
{
    std::vector<uint8_t> check = Bytes("q3mz7tpx,k2vn6wdj9rc4yfh1bl5gs0e");
    BlockScramble(check, false, 0);
    EXPECT_EQ(check, FromHex("70e683f936a19efbe716792ee30c213ec2a5c2e31cfb9cf43a4df648b2f16736"));

    std::vector<uint8_t> withTail = Bytes("q3mz7tpx,k2vn6wdj9rc4yfh1bl5gs0exyz");
    BlockScramble(withTail, false, 0x12345678);
    EXPECT_EQ(withTail, FromHex("cbb0b7eb8df7aae92ea54e3c2abf162cfd15f4fda74d88ea0bfda36a1fa4732c"
                                "78797a"));
}

TEST(BlockScrambleTest, DecodeUndoesEncodeAndTailStays)
{
    for (size_t length : {0u, 7u, 8u, 15u, 16u, 1001u}) {
        for (uint32_t seed : {0u, 52046u, 0xFFFFFFFFu}) {
            const std::vector<uint8_t> plain = RandomBytes(length, 7 + length);
            std::vector<uint8_t> data = plain;
            BlockScramble(data, false, seed);
            const size_t whole = length / 8 * 8;
            EXPECT_TRUE(std::equal(data.begin() + whole, data.end(), plain.begin() + whole));
            if (whole > 0) {
                EXPECT_NE(data, plain);
            }
            BlockScramble(data, true, seed);
            EXPECT_EQ(data, plain) << length << " " << seed;
        }
    }
}

TEST(BlockScrambleTest, LengthAndSeedEnterTheKey)
{
    const std::vector<uint8_t> plain(16, 0x41);
    std::vector<uint8_t> a = plain, b = plain, c(plain.begin(), plain.begin() + 15);
    BlockScramble(a, false, 1);
    BlockScramble(b, false, 2);
    BlockScramble(c, false, 2); // one byte shorter, so length + seed equals a's
    EXPECT_NE(a, b);
    EXPECT_FALSE(std::equal(c.begin(), c.begin() + 8, b.begin()));
    EXPECT_TRUE(std::equal(c.begin(), c.begin() + 8, a.begin()));
}

TEST(NameScrambleTest, KnownOutputAndInverse)
{
    const std::string name = "system\\etc\\game.dat";
    const std::string coded = NameScramble(name, 0x5D);
    const std::vector<uint8_t> expected = FromHex("7e686279687c4d6879724d6a6c7c7403495045");
    EXPECT_EQ(coded, std::string(expected.begin(), expected.end()));
    EXPECT_EQ(NameScramble(coded, 0x5D), name);
    EXPECT_NE(NameScramble(name, 0x0ABCDEF1), coded);
    EXPECT_EQ(NameScramble("", 7), "");
    const std::string longName(700, '\x82'); // positions past 255 wrap the index
    EXPECT_EQ(NameScramble(NameScramble(longName, 3), 3), longName);
}

TEST(PackCheckSumTest, KnownValuesAndShortInput)
{
    std::vector<uint8_t> ramp(1003);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<uint8_t>(i * 37 + 11);
    EXPECT_EQ(PackCheckSum(ramp), 0xc574c284u);
    EXPECT_EQ(PackCheckSum(std::vector<uint8_t>(7, 0xFF)), 0u);
    EXPECT_EQ(PackCheckSum({}), 0u);
    // One block of zeros: every lane holds 0x0307, and the halves cancel.
    EXPECT_EQ(PackCheckSum(std::vector<uint8_t>(8, 0)), 0u);
    // Lane 0 only: 0xFFFF ^ 0x0307 = 0xFCF8.
    EXPECT_EQ(PackCheckSum(std::vector<uint8_t>{0xFF, 0xFF, 0, 0, 0, 0, 0, 0}),
              0x0307FCF8u ^ 0x03070307u);
}

TEST(PackCheckSumTest, TailBytesIgnored)
{
    std::vector<uint8_t> data = RandomBytes(64, 3);
    const uint32_t sum = PackCheckSum(data);
    for (int extra = 1; extra < 8; ++extra) {
        data.push_back(static_cast<uint8_t>(extra * 51));
        EXPECT_EQ(PackCheckSum(data), sum);
    }
    data.push_back(1);
    EXPECT_NE(PackCheckSum(data), sum);
}

TEST(PackCheckSumTest, FastMatchesLaneReference)
{
    // Carries must never cross from one 16-bit lane into the next.
    EXPECT_EQ(PackCheckSum(std::vector<uint8_t>(80, 0xFF)),
              PackCheckSumReference(std::vector<uint8_t>(80, 0xFF)));
    EXPECT_EQ(PackCheckSum(std::vector<uint8_t>(80, 0xFF)), 0u);
    for (size_t length : {8u, 9u, 255u, 4096u, 100003u}) {
        const std::vector<uint8_t> data = RandomBytes(length, static_cast<uint32_t>(length));
        EXPECT_EQ(PackCheckSum(data), PackCheckSumReference(data)) << length;
    }
}

TEST(CheckedStreamTest, RoundTripLeavesFollowingData)
{
    const std::vector<uint8_t> payload = RandomBytes(301, 11);
    TMemoryStream file;
    WriteChecked(payload, file);
    WriteChecked({}, file);
    file.WriteChars("after");
    EXPECT_EQ(file.Size(), 12 + 301 + 12 + 5u);

    file.Rewind();
    std::optional<TMemoryStream> first = ReadChecked(file);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Position(), 0u);
    EXPECT_EQ(std::vector<uint8_t>(first->Bytes().begin(), first->Bytes().end()), payload);
    std::optional<TMemoryStream> second = ReadChecked(file);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Size(), 0u);
    EXPECT_EQ(file.ReadChars(5), "after");
}

TEST(CheckedStreamTest, BadWrappersFail)
{
    const std::vector<uint8_t> payload = RandomBytes(40, 5);
    TMemoryStream good;
    WriteChecked(payload, good);
    const std::vector<uint8_t> bytes(good.Bytes().begin(), good.Bytes().end());

    struct Case
    {
        const char* name;
        size_t offset;
        uint8_t value;
    };
    const Case cases[] = {
        {"magic", 0, 0x4F},
        {"checksum", 5, 0x00},
        {"payload", 20, static_cast<uint8_t>(bytes[20] ^ 1)},
        {"size beyond the data", 11, 0x7F}, // 0x7F000028 bytes announced
        {"size one past the data", 8, static_cast<uint8_t>(bytes[8] + 1)},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = bytes;
        bad[c.offset] = c.value;
        TMemoryStream in(bad);
        EXPECT_FALSE(ReadChecked(in)) << c.name;
        EXPECT_EQ(in.Position(), 0u) << c.name;
    }
    TMemoryStream truncated(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 11));
    EXPECT_FALSE(ReadChecked(truncated));
}

TEST(Crc16TextTest, Values)
{
    struct Case
    {
        std::string_view text;
        const char* crc;
    };
    const Case cases[] = {
        {"", "0000"},
        {"a", "6100"},
        {"123456789", "507F"},
        {"\x82\xa0\x5c", "FBBA"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Crc16Text(c.text), c.crc) << c.text;
}
