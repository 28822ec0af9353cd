#include "data/HashTable.h"
#include "data/BlockTransforms.h"
#include "data/DataConstants.h"
#include "data/StringCache.h"
#include "data/TextHelpers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tsukimi {
namespace {

uint32_t Value(THashTable& table, std::string_view name)
{
    uint32_t value = 0;
    EXPECT_TRUE(table.Find(name, &value, sizeof value)) << name;
    return value;
}

bool Has(THashTable& table, std::string_view name)
{
    return table.Find(name, nullptr, 0);
}

struct RawEntry
{
    std::string name;
    uint64_t offset;
};

// A hash table file built by hand: any version text, bucket count, entries
// (all in the buckets their names hash to) and payload; `cut` drops bytes
// from the end of the body before it is compressed.
std::vector<uint8_t> HandMadeFile(std::string_view version, uint32_t buckets,
                                  const std::vector<RawEntry>& entries,
                                  std::vector<uint8_t> payload, uint32_t payloadSize,
                                  size_t cut = 0)
{
    THashTable shape(buckets);
    std::vector<std::vector<RawEntry>> byBucket(buckets);
    for (const RawEntry& e : entries)
        byBucket[shape.BucketOf(e.name)].push_back(e);
    const bool with13 = version == "HashVer1.3";
    TMemoryStream body;
    for (const auto& bucket : byBucket) {
        body.WriteU16(static_cast<uint16_t>(bucket.size()));
        for (const RawEntry& e : bucket) {
            WriteString(body, e.name);
            body.WriteU64(e.offset);
            if (with13) body.WriteU32(StringHash(e.name));
        }
    }
    body.WriteBytes(payload);
    std::vector<uint8_t> bodyBytes = body.TakeBytes();
    bodyBytes.resize(bodyBytes.size() - cut);
    std::vector<uint8_t> block = PackCompress(bodyBytes);
    BlockScramble(block, false, constants::kHashTableSeed);
    TMemoryStream file;
    uint8_t text[16] = {};
    std::memcpy(text, version.data(), version.size());
    file.WriteBytes(text, sizeof text);
    file.WriteU32(buckets);
    file.WriteU32(static_cast<uint32_t>(entries.size()));
    file.WriteU32(payloadSize);
    file.WriteU32(static_cast<uint32_t>(block.size()));
    file.WriteBytes(block);
    return file.TakeBytes();
}

TEST(HashTable, FindsNamesWithoutCaseAndOverwritesInPlace)
{
    THashTable table(256);
    const uint32_t one = 1, two = 2, three = 3;
    EXPECT_TRUE(table.Add("System\\Menu\\A.b", &one, 4));
    EXPECT_TRUE(table.Add("startup.s", &two, 4));
    EXPECT_FALSE(table.Add("", &two, 4));
    EXPECT_EQ(Value(table, "system\\menu\\a.B"), 1u);
    EXPECT_EQ(Value(table, "STARTUP.S"), 2u);
    EXPECT_TRUE(table.Add("SYSTEM\\menu\\a.b", &three, 4));
    EXPECT_EQ(Value(table, "system\\menu\\a.b"), 3u);
    EXPECT_EQ(table.Count(), 2u);
    EXPECT_EQ(table.PayloadSize(), 8u);
    EXPECT_FALSE(Has(table, "missing"));
}

TEST(HashTable, SavesVersion13AndLoadsItBack)
{
    THashTable table(512);
    for (uint32_t i = 0; i < 300; ++i) {
        const std::string name = "dir\\file" + std::to_string(i) + ".png";
        ASSERT_TRUE(table.Add(name, &i, sizeof i));
    }
    TMemoryStream saved;
    table.SaveToStream(saved);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(saved.Data()), 10), "HashVer1.3");

    saved.Rewind();
    THashTable loaded(512);
    ASSERT_TRUE(loaded.LoadFromStream(saved));
    EXPECT_EQ(loaded.Count(), 300u);
    for (uint32_t i = 0; i < 300; i += 37)
        EXPECT_EQ(Value(loaded, "DIR\\FILE" + std::to_string(i) + ".PNG"), i);

    saved.Rewind();
    THashTable wrongBuckets(256);
    EXPECT_FALSE(wrongBuckets.LoadFromStream(saved));
    EXPECT_EQ(wrongBuckets.Count(), 0u);
}

TEST(HashTable, LoadsVersion12AndResavesAs13)
{
    const uint32_t a = 0x11111111, b = 0x22222222;
    std::vector<uint8_t> payload(8);
    std::memcpy(payload.data(), &a, 4);
    std::memcpy(payload.data() + 4, &b, 4);
    TMemoryStream file(HandMadeFile("HashVer1.2", 256, {{"alpha", 0}, {"beta", 4}}, payload, 8));
    THashTable table(256);
    ASSERT_TRUE(table.LoadFromStream(file));
    EXPECT_EQ(Value(table, "ALPHA"), a);
    EXPECT_EQ(Value(table, "beta"), b);

    TMemoryStream resaved;
    table.SaveToStream(resaved);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(resaved.Data()), 10), "HashVer1.3");
    resaved.Rewind();
    THashTable again(256);
    ASSERT_TRUE(again.LoadFromStream(resaved));
    EXPECT_EQ(Value(again, "beta"), b);
}

TEST(HashTable, ValueBeyondThePayloadIsNotFound)
{
    // One value of 4 bytes at the end, one entry pointing past the payload.
    TMemoryStream file(HandMadeFile("HashVer1.3", 256, {{"last", 4}, {"wild", uint64_t{1} << 40}},
                                    std::vector<uint8_t>(8, 7), 8));
    THashTable table(256);
    ASSERT_TRUE(table.LoadFromStream(file));
    uint32_t value = 0;
    EXPECT_TRUE(table.Find("last", &value, 4));
    EXPECT_FALSE(table.Find("last", &value, 8));
    EXPECT_FALSE(table.Find("wild", &value, 4));
    EXPECT_FALSE(table.Find("wild", nullptr, 0));
}

TEST(HashTable, DamagedFilesFailAndLeaveTheTableEmpty)
{
    const std::vector<RawEntry> entries = {{"one", 0}, {"two", 4}};
    const std::vector<uint8_t> payload(8, 1);
    const std::vector<uint8_t> good = HandMadeFile("HashVer1.3", 256, entries, payload, 8);

    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"unknown version", HandMadeFile("HashVer1.4", 256, entries, payload, 8)});
    cases.push_back({"header only", std::vector<uint8_t>(good.begin(), good.begin() + 32)});
    cases.push_back({"short block", std::vector<uint8_t>(good.begin(), good.end() - 3)});
    cases.push_back(
        {"payload larger than body", HandMadeFile("HashVer1.3", 256, entries, payload, 9)});
    cases.push_back(
        {"body cut in an entry", HandMadeFile("HashVer1.3", 256, entries, payload, 8, 13)});
    {
        // A bucket announcing 65535 entries in a tiny body.
        TMemoryStream body;
        body.WriteU16(0xFFFF);
        std::vector<uint8_t> block = PackCompress(body.Bytes());
        BlockScramble(block, false, constants::kHashTableSeed);
        std::vector<uint8_t> bytes(good.begin(), good.begin() + 28);
        const uint32_t size = static_cast<uint32_t>(block.size());
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(size >> shift));
        bytes.insert(bytes.end(), block.begin(), block.end());
        cases.push_back({"inflated bucket count", bytes});
    }
    {
        std::vector<uint8_t> bytes = good;
        bytes[28] = 0xF0; // block size far beyond the file
        bytes[31] = 0x7F;
        cases.push_back({"block size beyond the file", bytes});
    }
    for (const Case& c : cases) {
        THashTable table(256);
        const uint32_t seven = 7;
        table.Add("stale", &seven, 4);
        TMemoryStream stream(c.bytes);
        EXPECT_FALSE(table.LoadFromStream(stream)) << c.what;
        EXPECT_EQ(table.Count(), 0u) << c.what;
        EXPECT_FALSE(Has(table, "stale")) << c.what;
        EXPECT_FALSE(Has(table, "one")) << c.what;
    }
}

TEST(StringCache, KeepsTheLastEntriesRoundRobin)
{
    TStringCache cache(3);
    cache.Put("a", 1, false);
    cache.Put("b", 2, false);
    cache.Put("a", 10, true); // overwrites in place
    EXPECT_EQ(cache.Get("a", -1), 10);
    EXPECT_EQ(cache.Count(), 2u);
    cache.Put("c", 3, false);
    cache.Put("d", 4, false); // wraps onto the first slot
    EXPECT_EQ(cache.Get("a", -1), -1);
    EXPECT_EQ(cache.Get("b", -1), 2);
    EXPECT_EQ(cache.Get("d", -1), 4);
    EXPECT_EQ(cache.Get("D", -1), -1); // exact compare
    EXPECT_EQ(cache.Count(), 3u);
    cache.Clear();
    EXPECT_EQ(cache.Get("b", -1), -1);
}

} // namespace
} // namespace tsukimi
