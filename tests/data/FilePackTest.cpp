#include "data/FilePack.h"
#include "data/BlockTransforms.h"
#include "data/HashFilePack.h"
#include "data/MemoryFile.h"
#include "data/PackScrambler.h"
#include "data/PackWriter.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tsukimi {
namespace {

std::vector<uint8_t> Bytes(std::string_view text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> Patterned(size_t size, uint32_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 7 + seed) % 13 + (i / 64) % 5);
    return bytes;
}

std::vector<TPackSource> SampleEntries()
{
    return {
        {"startup.s", Bytes("@@top\r\n\\wait 100\r\n")},
        {"system\\etc\\game.dat", Bytes("GameTitle=demo\r\nScreenWidth=800\r\n")},
        {"tiny.bin", Bytes("1234567")},         // shorter than one block
        {"image\\bg.png", Patterned(20000, 3)}, // compresses
        {"empty.txt", {}},
    };
}

TFilePack Open(std::vector<uint8_t> bytes)
{
    return TFilePack(std::make_unique<TMemoryFile>(std::move(bytes)));
}

std::vector<uint8_t> Load(TFilePack& pack, std::string_view name)
{
    const int index = pack.IndexOf(name);
    if (index < 0) return {'?'};
    auto stream = pack.LoadEntry(static_cast<size_t>(index));
    if (!stream) return {'!'};
    EXPECT_EQ(stream->Position(), 0u);
    return std::vector<uint8_t>(stream->Bytes().begin(), stream->Bytes().end());
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | bytes[at + i];
    return value;
}

TEST(FilePack, EveryFormatScrambleAndCompressionReadsBack)
{
    const std::vector<TPackSource> entries = SampleEntries();
    for (int format : {1, 2, 3}) {
        for (uint32_t scramble : {0u, 1u, 2u, 3u}) {
            for (PackCompression compression :
                 {PackCompression::None, PackCompression::Auto, PackCompression::All}) {
                SCOPED_TRACE(testing::Message() << "format " << format << " scramble " << scramble
                                                << " compression " << int(compression));
                TPackWriteOptions options{format, compression, scramble, false};
                TFilePack pack = Open(BuildPack(entries, options).pack);
                ASSERT_FALSE(pack.Bad()) << pack.Error();
                EXPECT_EQ(pack.Version(), format * 10);
                EXPECT_EQ(pack.HasNameIndex(), format >= 2);
                ASSERT_EQ(pack.Count(), entries.size());
                for (const TPackSource& entry : entries)
                    EXPECT_EQ(Load(pack, entry.name), entry.data) << entry.name;
                EXPECT_EQ(Load(pack, "STARTUP.S"), entries[0].data);
                EXPECT_EQ(pack.IndexOf("absent.txt"), -1);
            }
        }
    }
}

TEST(FilePack, StoredBytesFollowTheScrambleTypeAndKey)
{
    const std::vector<uint8_t> plain = Patterned(64, 9);
    for (int format : {2, 3}) {
        TPackWriteOptions options{format, PackCompression::None, 1, false};
        const std::vector<uint8_t> file = BuildPack({{{"a.bin", plain}}}, options).pack;
        TFilePack pack = Open(file);
        ASSERT_FALSE(pack.Bad());
        EXPECT_EQ(pack.Key() != 0, format == 3);
        // Type 1 is the block scrambler seeded with the pack key (0 below version 3).
        std::vector<uint8_t> stored(file.begin(), file.begin() + 64);
        BlockScramble(stored, true, pack.Key());
        EXPECT_EQ(stored, plain) << "format " << format;
    }
    // Types 2 and 3 leave an entry shorter than one block and any tail alone,
    // and key the stream by name.
    for (uint32_t type : {2u, 3u}) {
        TMTRandom random(PackRandomStateSize, PackRandomShift);
        std::vector<uint8_t> tiny = Patterned(7, 1);
        PackScramble(tiny, type, "n", 0, false, random);
        EXPECT_EQ(tiny, Patterned(7, 1));
        std::vector<uint8_t> a = Patterned(21, 1), b = Patterned(21, 1);
        PackScramble(a, type, "name1", 0, false, random);
        PackScramble(b, type, "name2", 0, false, random);
        EXPECT_NE(a, b);
        EXPECT_TRUE(std::equal(a.begin() + 16, a.end(), Patterned(21, 1).begin() + 16));
        PackScramble(a, type, "name1", 0, true, random);
        EXPECT_EQ(a, Patterned(21, 1));
    }
}

TEST(FilePack, Version1ComparesTheStoredNameExactly)
{
    const std::vector<TPackSource> entries = {{"Data\\Upper.TXT", Bytes("upper")},
                                              {"data\\lower.txt", Bytes("lower")}};
    TFilePack v1 = Open(BuildPack(entries, {1, PackCompression::None, 0, false}).pack);
    EXPECT_EQ(v1.IndexOf("Data\\Upper.TXT"), -1);
    EXPECT_EQ(v1.IndexOf("DATA\\LOWER.TXT"), 1);
    // The embedded index of version 2 holds lower-cased names.
    TFilePack v2 = Open(BuildPack(entries, {2, PackCompression::None, 0, false}).pack);
    EXPECT_EQ(v2.IndexOf("data\\upper.txt"), 0);
}

TEST(FilePack, ChecksumFailureCallsBackUnlessSwitchedOff)
{
    const std::vector<uint8_t> plain = Patterned(40, 2);
    std::vector<uint8_t> file =
        BuildPack({{{"voice\\a.ogg", plain}}}, {3, PackCompression::None, 0, false}).pack;
    file[9] ^= 0x55;
    TFilePack pack = Open(file);
    std::vector<std::string> failed;
    pack.SetCrcFailure([&](const std::string& name) { failed.push_back(name); });
    EXPECT_FALSE(pack.LoadEntry(0).has_value());
    EXPECT_EQ(failed, std::vector<std::string>{"voice\\a.ogg"});

    pack.SetCrcCheck(false);
    auto asRead = pack.LoadEntry(0);
    ASSERT_TRUE(asRead.has_value());
    EXPECT_EQ(asRead->Data()[9], plain[9] ^ 0x55);
    EXPECT_EQ(failed.size(), 1u);
}

TEST(FilePack, EntriesOf16MiBAreNotChecksummed)
{
    std::vector<uint8_t> file = BuildPack({{{"big.bin", std::vector<uint8_t>(0x1000000, 1)}}},
                                          {3, PackCompression::None, 0, false})
                                    .pack;
    file[100] = 2;
    TFilePack pack = Open(std::move(file));
    bool failed = false;
    pack.SetCrcFailure([&](const std::string&) { failed = true; });
    auto stream = pack.LoadEntry(0);
    ASSERT_TRUE(stream.has_value());
    EXPECT_EQ(stream->Data()[100], 2);
    EXPECT_FALSE(failed);
}

// Offsets into a built version-3 pack of `SampleEntries()`.
struct Layout
{
    std::vector<uint8_t> file;
    size_t trailer;
    size_t footer;
    uint64_t indexPosition;
};

Layout SampleLayout(int format = 3)
{
    Layout layout;
    layout.file = BuildPack(SampleEntries(), {format, PackCompression::Auto, 3, false}).pack;
    layout.trailer = layout.file.size() - pack::TrailerSize;
    layout.footer = layout.file.size() - pack::FooterSize;
    layout.indexPosition = GetU32(layout.file, layout.trailer + 20);
    return layout;
}

TEST(FilePack, InconsistentStructureMakesABadPackWithAReason)
{
    struct Case
    {
        const char* what;
        int format;
        void (*damage)(Layout&);
        const char* reason;
    };
    const Case cases[] = {
        {"empty file", 3, [](Layout& l) { l.file.clear(); }, "too short"},
        {"truncated", 3, [](Layout& l) { l.file.erase(l.file.begin(), l.file.end() - 500); },
         "too short for a pack footer"},
        {"cut at the end", 3, [](Layout& l) { l.file.resize(l.file.size() - 1); }, "signature"},
        {"unknown signature", 3, [](Layout& l) { l.file[l.trailer + 11] = '9'; }, "signature"},
        {"check text", 3, [](Layout& l) { l.file[l.footer + 3] ^= 1; }, "check text"},
        {"key material", 3, [](Layout& l) { l.file[l.footer + 40] ^= 1; }, "check text"},
        {"inflated count", 3, [](Layout& l) { PutU32(l.file, l.trailer + 16, 0x40000000); },
         "entry count"},
        {"count one too many", 3,
         [](Layout& l) { PutU32(l.file, l.trailer + 16, GetU32(l.file, l.trailer + 16) + 1); },
         "entry records"},
        {"index beyond the file", 3, [](Layout& l) { PutU32(l.file, l.trailer + 24, 1); },
         "index position"},
        {"name index size", 3, [](Layout& l) { PutU32(l.file, l.footer + 32, 0xFFFFFF00); },
         "name index size"},
        {"name index damaged", 3, [](Layout& l) { l.file[l.footer - 20] ^= 0xFF; }, "name index"},
        {"v1 inflated count", 1, [](Layout& l) { PutU32(l.file, l.trailer + 16, 0xFFFFFFFF); },
         "entry count"},
    };
    for (const Case& c : cases) {
        Layout layout = SampleLayout(c.format);
        c.damage(layout);
        TFilePack pack = Open(std::move(layout.file));
        EXPECT_TRUE(pack.Bad()) << c.what;
        EXPECT_NE(pack.Error().find(c.reason), std::string::npos) << c.what << ": " << pack.Error();
        EXPECT_EQ(pack.Count(), 0u) << c.what;
        EXPECT_EQ(pack.IndexOf("startup.s"), -1) << c.what;
    }
}

TEST(FilePack, EntryOutsideTheFileGivesNull)
{
    for (uint32_t storedSize : {0xFFFFFFF0u, 0x10000u}) {
        Layout layout = SampleLayout();
        // The first record follows the first name ("startup.s": 2 + 9 bytes).
        const size_t record = layout.indexPosition + 2 + 9;
        PutU32(layout.file, record + 8, storedSize);
        TFilePack pack = Open(std::move(layout.file));
        ASSERT_FALSE(pack.Bad()) << pack.Error();
        EXPECT_FALSE(pack.LoadEntry(0).has_value()) << storedSize;
        EXPECT_TRUE(pack.LoadEntry(1).has_value());
        EXPECT_FALSE(pack.LoadEntry(99).has_value());
    }
    Layout layout = SampleLayout();
    PutU32(layout.file, layout.indexPosition + 2 + 9 + 4, 0x7FFFFFFF); // position high word
    TFilePack pack = Open(std::move(layout.file));
    EXPECT_FALSE(pack.LoadEntry(0).has_value());
}

TEST(HashFilePack, ExternalIndexDecidesAndOutOfRangeMeansAbsent)
{
    const std::vector<TPackSource> entries = {
        {"a.txt", Bytes("first")}, {"b.txt", Bytes("second")}, {"c.txt", Bytes("third")}};
    TBuiltPack built = BuildPack(entries, {3, PackCompression::Auto, 3, true});
    ASSERT_TRUE(built.index.has_value());
    {
        THashFilePack pack(std::make_unique<TMemoryFile>(built.pack), *built.index);
        ASSERT_FALSE(pack.Bad()) << pack.Error();
        EXPECT_TRUE(pack.HasExternalIndex());
        auto b = pack.Load("B.TXT");
        ASSERT_TRUE(b.has_value());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(b->Data()), b->Size()), "second");
    }
    // An index whose value for "b.txt" is 9999 in a 3-entry pack.
    THashTable wild(pack::ExternalIndexBuckets);
    const uint16_t values[] = {0, 9999, 2};
    for (size_t i = 0; i < entries.size(); ++i)
        wild.Add(entries[i].name, &values[i], 2);
    TMemoryStream saved;
    wild.SaveToStream(saved);
    THashFilePack pack(std::make_unique<TMemoryFile>(built.pack), saved.Bytes());
    ASSERT_FALSE(pack.Bad());
    EXPECT_FALSE(pack.Exists("b.txt"));
    EXPECT_FALSE(pack.Load("b.txt").has_value());
    EXPECT_TRUE(pack.Exists("c.txt"));

    // A ".hash" file that is not a 512-bucket index makes the pack bad.
    THashTable small(256);
    small.Add("a.txt", &values[0], 2);
    TMemoryStream smallSaved;
    small.SaveToStream(smallSaved);
    THashFilePack wrong(std::make_unique<TMemoryFile>(built.pack), smallSaved.Bytes());
    EXPECT_TRUE(wrong.Bad());
    EXPECT_FALSE(wrong.Exists("a.txt"));
}

TEST(FilePack, EmbeddedIndexValueOutOfRangeMeansAbsent)
{
    const std::vector<TPackSource> entries = {{"a.txt", Bytes("first")}, {"b.txt", Bytes("x")}};
    std::vector<uint8_t> file = BuildPack(entries, {2, PackCompression::None, 0, false}).pack;
    // Rebuild the embedded index with a wild value and splice it in.
    THashTable wild(pack::EmbeddedIndexBuckets);
    const uint16_t values[] = {0, 9999};
    wild.Add("a.txt", &values[0], 2);
    wild.Add("b.txt", &values[1], 2);
    TMemoryStream saved;
    wild.SaveToStream(saved);
    const size_t footer = file.size() - pack::FooterSize;
    const uint32_t oldSize = GetU32(file, footer + 32);
    std::vector<uint8_t> spliced(file.begin(), file.begin() + (footer - oldSize));
    spliced.insert(spliced.end(), saved.Bytes().begin(), saved.Bytes().end());
    spliced.insert(spliced.end(), file.begin() + footer, file.end());
    PutU32(spliced, spliced.size() - pack::FooterSize + 32, static_cast<uint32_t>(saved.Size()));
    TFilePack pack = Open(std::move(spliced));
    ASSERT_FALSE(pack.Bad()) << pack.Error();
    EXPECT_EQ(pack.IndexOf("a.txt"), 0);
    EXPECT_EQ(pack.IndexOf("b.txt"), -1);
}

TEST(PackWriter, RefusesWhatAPackCannotHold)
{
    const TPackWriteOptions defaults;
    EXPECT_THROW(BuildPack({{{"a", {}}, {"A", {}}}}, defaults), PackWriteError);
    EXPECT_THROW(BuildPack({{{"", {}}}}, defaults), PackWriteError);
    EXPECT_THROW(BuildPack({}, TPackWriteOptions{4, PackCompression::Auto, 3, false}),
                 PackWriteError);
    EXPECT_THROW(BuildPack({}, TPackWriteOptions{3, PackCompression::Auto, 4, false}),
                 PackWriteError);
    // An empty pack is fine.
    TFilePack empty = Open(BuildPack({}, defaults).pack);
    EXPECT_FALSE(empty.Bad()) << empty.Error();
    EXPECT_EQ(empty.Count(), 0u);
}

} // namespace
} // namespace tsukimi
