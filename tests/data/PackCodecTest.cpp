#include "data/BlockTransforms.h"

#include "data/MTRandom.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace tsukimi;

namespace {

std::vector<uint8_t> TextLike(size_t size)
{
    static const char* const words[] = {
        "the ",  "engine ", "loads ", "a ",         "script ",
        "and ",  "shows ",  "text ",  "with ",      "ruby, ",
        "then ", "waits ",  "for ",   "click.\r\n", "\x82\xa0\x82\xa2 "};
    TMTRandom random;
    std::vector<uint8_t> text;
    while (text.size() < size) {
        const char* word = words[random.NextBelow(std::size(words))];
        text.insert(text.end(), word, word + std::char_traits<char>::length(word));
    }
    text.resize(size);
    return text;
}

// ARGB rows: smooth gradients, opaque alpha, a little noise.
std::vector<uint8_t> PixelLike(size_t size)
{
    TMTRandom random;
    std::vector<uint8_t> pixels(size);
    for (size_t i = 0; i < size; ++i) {
        const size_t x = (i / 4) % 640, y = (i / 4) / 640;
        switch (i % 4) {
        case 0:
            pixels[i] = static_cast<uint8_t>(x / 3 + (random.NextBelow(8) == 0));
            break;
        case 1:
            pixels[i] = static_cast<uint8_t>(y / 2);
            break;
        case 2:
            pixels[i] = static_cast<uint8_t>((x + y) / 8);
            break;
        default:
            pixels[i] = 0xFF;
            break;
        }
    }
    return pixels;
}

std::vector<uint8_t> RandomData(size_t size)
{
    TMTRandom random;
    random.Seed(4242);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(random.NextWord() >> 24);
    return bytes;
}

void PutU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> Header(uint32_t size)
{
    std::vector<uint8_t> out;
    PutU32(out, PackMagic);
    PutU32(out, 1);
    PutU32(out, size);
    return out;
}

// A pair table in run form: pairs[code] = {left, right} for the pair codes
// given, every other code a literal (written as skips of at most 127).
std::vector<uint8_t> PairTable(const std::vector<std::array<int, 3>>& pairs)
{
    std::array<int, 256> left, right;
    for (int c = 0; c < 256; ++c)
        left[c] = c, right[c] = 0;
    for (const auto& p : pairs)
        left[p[0]] = p[1], right[p[0]] = p[2];
    std::vector<uint8_t> out;
    int c = 0;
    while (c < 256) {
        int literals = 0;
        while (c + literals < 256 && left[c + literals] == c + literals && literals < 127)
            ++literals;
        if (literals > 0) {
            out.push_back(static_cast<uint8_t>(127 + literals));
            c += literals;
            if (c == 256) break;
        } else {
            out.push_back(0);
        }
        out.push_back(static_cast<uint8_t>(left[c]));
        if (left[c] != c) out.push_back(static_cast<uint8_t>(right[c]));
        ++c;
    }
    return out;
}

std::vector<uint8_t> Container(uint32_t size, const std::vector<std::array<int, 3>>& pairs,
                               const std::vector<uint8_t>& coded)
{
    std::vector<uint8_t> out = Header(size);
    const std::vector<uint8_t> table = PairTable(pairs);
    out.insert(out.end(), table.begin(), table.end());
    out.push_back(static_cast<uint8_t>(coded.size()));
    out.push_back(static_cast<uint8_t>(coded.size() >> 8));
    out.insert(out.end(), coded.begin(), coded.end());
    return out;
}

} // namespace

TEST(PackCodecTest, RoundTrips)
{
    struct Case
    {
        const char* name;
        std::vector<uint8_t> data;
        double maxRatio; // compressed / original, at most
    };
    std::vector<uint8_t> mixed = TextLike(20000);
    const std::vector<uint8_t> noise = RandomData(20000);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    const Case cases[] = {
        {"text", TextLike(100000), 0.6},
        {"pixels", PixelLike(100000), 0.9},
        {"random", RandomData(50000), 1.1},
        {"zeros", std::vector<uint8_t>(70000, 0), 0.05},
        {"text then random", mixed, 1.0},
        {"all byte values",
         [] {
             std::vector<uint8_t> v(4096);
             for (size_t i = 0; i < v.size(); ++i)
                 v[i] = static_cast<uint8_t>(i * 7);
             return v;
         }(),
         1.1},
        {"one byte", {0x5C}, 1000},
        {"empty", {}, 1000},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> packed = PackCompress(c.data);
        ASSERT_GE(packed.size(), 12u);
        EXPECT_EQ(std::vector<uint8_t>(packed.begin(), packed.begin() + 12),
                  Header(static_cast<uint32_t>(c.data.size())));
        if (c.data.size() > 1000) {
            EXPECT_LE(packed.size(), c.data.size() * c.maxRatio) << c.name;
        }
        const std::optional<std::vector<uint8_t>> unpacked = PackExpand(packed, true);
        ASSERT_TRUE(unpacked) << c.name;
        EXPECT_TRUE(*unpacked == c.data) << c.name;
    }
}

TEST(PackCodecTest, WithoutMagicSizeFirstAndLongBlockLengths)
{
    std::vector<uint8_t> raw;
    PutU32(raw, 3);
    for (uint8_t byte : PairTable({{200, 'b', 'c'}}))
        raw.push_back(byte);
    PutU32(raw, 2);
    raw.push_back('a');
    raw.push_back(200);
    EXPECT_EQ(PackExpand(raw, false), (std::vector<uint8_t>{'a', 'b', 'c'}));
    EXPECT_FALSE(PackExpand(raw, true));
}

TEST(PackCodecTest, RefusedHeaders)
{
    EXPECT_FALSE(PackExpand({}, false));
    EXPECT_FALSE(PackExpand(std::vector<uint8_t>{1, 0, 0}, false));
    EXPECT_FALSE(PackExpand(std::vector<uint8_t>{0x31, 0x50, 0x43, 0xFF, 1, 0, 0, 0, 5}, false));
    EXPECT_FALSE(PackExpand(Header(PackExpandMaxSize + 1), false));
    std::vector<uint8_t> noMagic;
    PutU32(noMagic, 0x20000001);
    EXPECT_FALSE(PackExpand(noMagic, false));
    EXPECT_FALSE(PackExpand(Header(1001), false, 1000));
    EXPECT_EQ(PackExpand(Header(1000), false, 1000), std::vector<uint8_t>(1000, 0));
}

TEST(PackCodecTest, BadPairTablesFail)
{
    struct Case
    {
        const char* name;
        std::vector<uint8_t> table;
    };
    const Case cases[] = {
        // skip 128 to code 128, one literal, then a skip of 128 from 129
        {"skip past 255", {0xFF, 128, 0xFF}},
        // skip 127, literal 127, skip 1, literal 129, then 128 codes from 130
        {"run past 255", {0xFE, 127, 0x80, 129, 0x7F}},
        // run of 128 pair codes from 200
        {"first run past 255", {0xFF, 128, 0xC6, 70, 0x7F}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> container = Header(4);
        container.insert(container.end(), c.table.begin(), c.table.end());
        container.resize(container.size() + 600, 'A'); // plenty of bytes for the codes
        EXPECT_FALSE(PackExpand(container, true)) << c.name;
    }
}

TEST(PackCodecTest, CyclicPairsFailQuickly)
{
    const std::vector<std::vector<std::array<int, 3>>> cycles = {
        {{200, 'A', 200}},                  // right refers to itself: would output "A" forever
        {{200, 201, 'A'}, {201, 200, 'B'}}, // through the left sides: the stack would grow forever
        {{200, 'A', 201}, {201, 200, 'B'}}, // through a right and a left side
    };
    for (const auto& pairs : cycles) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(PackExpand(Container(1 << 20, pairs, {'x', 200}), true));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    }
}

TEST(PackCodecTest, DeepestValidNesting)
{
    // Code k = (k - 1, 0) for k = 1 .. 255: a chain 255 pairs deep whose
    // top code expands to 256 zero bytes; code 0 stays a literal.
    std::vector<std::array<int, 3>> chain;
    for (int k = 1; k < 256; ++k)
        chain.push_back({k, k - 1, 0});
    EXPECT_EQ(PackExpand(Container(512, chain, {255, 255}), true), std::vector<uint8_t>(512, 0));
}

TEST(PackCodecTest, OutputStopsAtAnnouncedSize)
{
    // Code k = (k - 1, k - 1): code 255 stands for 2^255 bytes.
    std::vector<std::array<int, 3>> doubling;
    for (int k = 1; k < 256; ++k)
        doubling.push_back({k, k - 1, k - 1});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PackExpand(Container(100000, doubling, {255, 255}), true),
              std::vector<uint8_t>(100000, 0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));

    EXPECT_EQ(PackExpand(Container(3, {}, {'a', 'b', 'c', 'd', 'e'}), true),
              (std::vector<uint8_t>{'a', 'b', 'c'}));
}

TEST(PackCodecTest, TruncatedInputKeepsAnnouncedSize)
{
    const std::vector<uint8_t> text = TextLike(30000);
    const std::vector<uint8_t> packed = PackCompress(text);
    for (size_t cut : {packed.size() - 1, packed.size() / 2, size_t{20}, size_t{12}}) {
        const std::optional<std::vector<uint8_t>> out =
            PackExpand(std::span(packed).first(cut), true);
        ASSERT_TRUE(out) << cut;
        ASSERT_EQ(out->size(), text.size());
        size_t same = 0;
        while (same < text.size() && (*out)[same] == text[same])
            ++same;
        EXPECT_TRUE(std::all_of(out->begin() + same, out->end(), [](uint8_t b) { return b == 0; }))
            << cut;
        if (cut > packed.size() / 2) {
            EXPECT_GT(same, text.size() / 2);
        }
    }
}
