#include "data/MTRandom.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

using namespace tsukimi;

namespace {

std::vector<uint32_t> Draw(TMTRandom& random, size_t count)
{
    std::vector<uint32_t> words(count);
    for (uint32_t& word : words)
        word = random.NextWord();
    return words;
}

} // namespace

// Values worked out from the generator as documented (bit 31 of the first
// word kept in place by the twist), not from a library generator.
TEST(MTRandomTest, KnownSequences)
{
    TMTRandom byDefault;
    EXPECT_EQ(Draw(byDefault, 5),
              (std::vector<uint32_t>{0xabdfa703, 0x19bd14a9, 0x5db920ab, 0x308dcf37, 0x6e0d3921}));

    TMTRandom classic;
    classic.Seed(5489);
    EXPECT_EQ(Draw(classic, 5),
              (std::vector<uint32_t>{0xd091bb5c, 0x22ae9ef6, 0x2bf9c9e8, 0x19db2c7f, 0x2082352c}));

    // The small pack generator with its own masks and multiplier, across two
    // regenerations of its 64 words.
    TMTRandom pack(64, 39);
    pack.SetTempering(0x7B3D5A80, 0xDA560000);
    pack.SetMultiplier(0x41C64E6D);
    pack.Seed(12345);
    const std::vector<uint32_t> words = Draw(pack, 130);
    EXPECT_EQ(words[0], 0xa3bca726u);
    EXPECT_EQ(words[1], 0x8e316cf6u);
    EXPECT_EQ(words[2], 0xffed0850u);
    EXPECT_EQ(words[64], 0x87268b15u);
    EXPECT_EQ(words[129], 0xecf7eac9u);
}

TEST(MTRandomTest, DiffersFromTextbookTwist)
{
    TMTRandom ours;
    ours.Seed(5489);
    std::mt19937 textbook(5489);
    std::vector<uint32_t> theirs(5);
    for (uint32_t& word : theirs)
        word = static_cast<uint32_t>(textbook());
    EXPECT_NE(Draw(ours, 5), theirs);
}

TEST(MTRandomTest, NextBelow)
{
    TMTRandom a, b;
    EXPECT_EQ(a.NextBelow(0), 0u); // draws nothing
    for (uint32_t n : {1u, 7u, 1000u, 0xFFFFFFFFu})
        EXPECT_EQ(a.NextBelow(n), b.NextWord() % n);
    EXPECT_EQ(a.NextWord(), b.NextWord());
}

TEST(MTRandomTest, SizesAreClampedIntoRange)
{
    TMTRandom tooBig(5000, 5000);
    EXPECT_EQ(tooBig.StateSize(), 624u);
    EXPECT_EQ(tooBig.Shift(), 623u);
    TMTRandom tiny(0, 0);
    EXPECT_EQ(tiny.StateSize(), 2u);
    EXPECT_EQ(tiny.Shift(), 1u);
    Draw(tiny, 10);
}

TEST(RandomTableTest, FillDrawsFromGeneratorAndResets)
{
    TRandomTable table;
    TMTRandom generator, twin;
    table.Next(5);
    table.Fill(generator);
    EXPECT_EQ(table.Position(), 0u);
    for (size_t i = 0; i < TRandomTable::Size; ++i) {
        EXPECT_EQ(table.Entry(i), static_cast<int32_t>(twin.NextBelow(2147483647u)));
        EXPECT_GE(table.Entry(i), 0);
    }
    EXPECT_EQ(table.Entry(TRandomTable::Size), 0);
}

TEST(RandomTableTest, DrawsAdvanceFirstAndWrap)
{
    TRandomTable table;
    TMTRandom generator;
    table.Fill(generator);
    EXPECT_EQ(table.Next(0), 0);
    EXPECT_EQ(table.Position(), 1u);
    EXPECT_EQ(table.Next(1000), table.Entry(2) % 1000);
    bool low = false, high = false;
    for (size_t i = 3; i < TRandomTable::Size + 3; ++i) {
        const int32_t value = table.Next(-40);
        EXPECT_EQ(value, table.Entry(i % TRandomTable::Size) % 40 - 20);
        ASSERT_GE(value, -20);
        ASSERT_LE(value, 19);
        low |= value == -20;
        high |= value == 19;
    }
    EXPECT_TRUE(low && high);
    EXPECT_EQ(table.Position(), 2u); // wrapped past 1023
    const int32_t next = table.Entry(3) % 16777215;
    EXPECT_FLOAT_EQ(table.NextFloat(2.0f), static_cast<float>(next * 2.0 / 16777215.0));
    table.Next(INT32_MIN); // no overflow for the most negative range
}

TEST(RandomTableTest, LoadFromFileBytes)
{
    std::vector<uint8_t> file(TRandomTable::FileSize + 3, 0);
    for (size_t i = 0; i < TRandomTable::FileSize; ++i)
        file[i] = static_cast<uint8_t>(i * 7 + 1);
    file[0] = file[1] = file[2] = file[3] = 0xFF; // -1

    TRandomTable table;
    TMTRandom generator;
    table.Next(1);
    table.Load(std::span<const uint8_t>(file), generator);
    EXPECT_EQ(table.Position(), 0u);
    EXPECT_EQ(table.Entry(0), -1);
    EXPECT_EQ(table.Entry(1), 0x322B241D);
    EXPECT_EQ(table.Entry(1),
              static_cast<int32_t>(file[4] | file[5] << 8 | file[6] << 16 | file[7] << 24));
    EXPECT_EQ(table.Entry(1023) & 0xFF, file[4092]);

    // The same file gives the same draws, whatever the generator's state.
    TRandomTable again;
    TMTRandom other;
    other.Seed(99);
    again.Load(std::span<const uint8_t>(file), other);
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(table.Next(-333), again.Next(-333));
}

TEST(RandomTableTest, MissingOrShortFileFillsTheRest)
{
    TRandomTable filled;
    TMTRandom forFill;
    filled.Fill(forFill);

    TRandomTable absent;
    TMTRandom forAbsent;
    absent.Load(std::nullopt, forAbsent);

    const std::vector<uint8_t> shortFile = {1, 0, 0, 0, 2, 0, 0, 0, 9, 9}; // 2 whole entries
    TRandomTable partial;
    TMTRandom forPartial;
    partial.Load(std::span<const uint8_t>(shortFile), forPartial);

    EXPECT_EQ(partial.Entry(0), 1);
    EXPECT_EQ(partial.Entry(1), 2);
    for (size_t i = 0; i < TRandomTable::Size; ++i) {
        ASSERT_EQ(absent.Entry(i), filled.Entry(i));
        if (i >= 2) {
            ASSERT_EQ(partial.Entry(i), filled.Entry(i)) << i;
        }
    }
}

TEST(RandomTableTest, SharedTableFunctions)
{
    std::vector<uint8_t> file(TRandomTable::FileSize);
    for (size_t i = 0; i < file.size(); i += 4)
        file[i] = static_cast<uint8_t>(i / 4);
    TMTRandom generator;
    LoadRandomTable(std::span<const uint8_t>(file), generator);
    EXPECT_EQ(TableRandom(100), 1);
    EXPECT_EQ(TableRandom(100), 2);
    EXPECT_FLOAT_EQ(TableRandomFloat(16777215.0f), 3.0f);
    FillRandomTable(generator);
    EXPECT_EQ(SharedRandomTable().Position(), 0u);
}
