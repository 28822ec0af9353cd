#include "script/ZanSaveData.h"

#include "data/BlockTransforms.h"
#include "platform/FileSystem.h"
#include "script/SaveDate.h"
#include "script/SaveThumbnail.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace tsukimi {
namespace {

constexpr uint32_t Key = 0x5A3C71;

std::vector<uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

// A body with some repetition, so compression changes it.
std::vector<uint8_t> SampleBody()
{
    std::vector<uint8_t> body;
    for (int i = 0; i < 3000; ++i)
        body.push_back(static_cast<uint8_t>(i % 7 == 0 ? i : 'a' + i % 5));
    return body;
}

// A 3 x 2 picture (odd width: rows need padding) with distinct colours.
void FillPicture(TARGB8888& picture)
{
    ASSERT_TRUE(picture.SetSize(3, 2));
    const uint32_t colours[2][3] = {{0xFFFF0000, 0xFF00FF00, 0x800000FF},
                                    {0xFF123456, 0xFFFFFFFF, 0x00000000}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            picture.Buffer()->Row(y)[x] = colours[y][x];
}

// The colour a 5-5-5 pixel decodes to.
uint32_t Through555(uint32_t argb)
{
    auto channel = [](uint32_t v) { return ((v >> 3) * 255 + 15) / 31; };
    return 0xFF000000 | channel((argb >> 16) & 0xFF) << 16 | channel((argb >> 8) & 0xFF) << 8 |
           channel(argb & 0xFF);
}

TZanSaveData SampleSave()
{
    TZanSaveData save(Key);
    const std::vector<std::string> texts = {
        "first", "second", "", "fourth", "fifth", "sixth", "seventh", "eighth (not in the header)"};
    save.SetHeader(texts);
    save.SetDate(SaveDateFromCivil({2026, 12, 11, 13, 55, 30, 250}));
    save.SetBody(SampleBody());
    TARGB8888 picture;
    FillPicture(picture);
    save.SetThumbnail(picture);
    return save;
}

std::optional<TZanSaveData> Load(const std::vector<uint8_t>& file, bool wantThumbnail = true,
                                 bool wantBody = true, uint32_t key = Key)
{
    TZanSaveData save(key);
    TMemoryStream stream(file);
    if (!save.ReadFromStream(stream, wantThumbnail, wantBody)) return std::nullopt;
    return save;
}

// The wrapper's payload, and a fresh wrapper around a changed one.
std::vector<uint8_t> Unwrap(const std::vector<uint8_t>& file)
{
    TMemoryStream stream(file);
    std::optional<TMemoryStream> payload = ReadChecked(stream);
    EXPECT_TRUE(payload.has_value());
    return payload ? payload->TakeBytes() : std::vector<uint8_t>{};
}

std::vector<uint8_t> Wrap(const std::vector<uint8_t>& payload)
{
    TMemoryStream stream;
    WriteChecked(payload, stream);
    return stream.TakeBytes();
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t{bytes[at + static_cast<size_t>(i)]} << (8 * i);
    return value;
}

bool Contains(const std::vector<uint8_t>& haystack, std::span<const uint8_t> needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
           haystack.end();
}

TEST(ZanSaveData, RoundTripsScrambledWithAndWithoutCompression)
{
    const TZanSaveData original = SampleSave();
    const std::vector<uint8_t> body = SampleBody();
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress);
        const std::vector<uint8_t> file = original.FileBytes(true, compress);
        // Scrambled either way: no 64-byte run of the plain body shows.
        EXPECT_FALSE(Contains(file, std::span(body).subspan(800, 64)));

        std::optional<TZanSaveData> loaded = Load(file);
        ASSERT_TRUE(loaded.has_value());
        EXPECT_TRUE(loaded->Scrambled());
        EXPECT_EQ(loaded->Compressed(), compress);
        EXPECT_EQ(loaded->Version(), 4u);
        EXPECT_EQ(std::vector<uint8_t>(loaded->Body().begin(), loaded->Body().end()), body);
        EXPECT_EQ(loaded->Descriptions(), original.Descriptions());
        EXPECT_EQ(loaded->Description(6), "seventh");
        EXPECT_EQ(loaded->Description(7), "");
        EXPECT_EQ(loaded->Description(-1), "");
        EXPECT_EQ(loaded->Date(), original.Date());

        ASSERT_NE(loaded->Thumbnail(), nullptr);
        TARGB8888 picture;
        FillPicture(picture);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(loaded->Thumbnail()->Buffer()->Row(y)[x],
                          Through555(picture.Buffer()->Row(y)[x]))
                    << x << "," << y;
        EXPECT_EQ(loaded->ThumbnailBytes(), original.ThumbnailBytes());
    }
    // The compressed one is smaller.
    EXPECT_LT(original.FileBytes(true, true).size(), original.FileBytes(true, false).size());
}

TEST(ZanSaveData, LoadingFollowsTheHeaderFlagsNotTheCaller)
{
    const TZanSaveData original = SampleSave();
    const std::vector<uint8_t> body = SampleBody();
    for (const bool scramble : {false, true}) {
        for (const bool compress : {false, true}) {
            SCOPED_TRACE(::testing::Message() << scramble << compress);
            const std::vector<uint8_t> file = original.FileBytes(scramble, compress);
            const std::vector<uint8_t> payload = Unwrap(file);
            EXPECT_EQ(payload[16], scramble ? 1 : 0);
            EXPECT_EQ(payload[17], compress ? 1 : 0);
            EXPECT_EQ(Contains(file, std::span(body).subspan(800, 64)), !scramble && !compress);
            std::optional<TZanSaveData> loaded = Load(file);
            ASSERT_TRUE(loaded.has_value());
            EXPECT_EQ(loaded->Scrambled(), scramble);
            EXPECT_EQ(loaded->Compressed(), compress);
            EXPECT_TRUE(
                std::equal(body.begin(), body.end(), loaded->Body().begin(), loaded->Body().end()));
        }
    }
}

TEST(ZanSaveData, HeaderLayout)
{
    const std::vector<uint8_t> payload = Unwrap(SampleSave().FileBytes(true, true));
    ASSERT_GT(payload.size(), 1024u);
    EXPECT_EQ(std::string(payload.begin(), payload.begin() + 16),
              std::string("ZANSAVE110\0\0\0\0\0\0", 16));
    double date = 0;
    std::memcpy(&date, &payload[18], 8);
    EXPECT_EQ(date, SaveDateFromCivil({2026, 12, 11, 13, 55, 30, 250}));
    // Description texts 0-4 at 26, 5-6 at 702, 128 bytes each.
    EXPECT_EQ(payload[26], 5);
    EXPECT_EQ(std::string(payload.begin() + 27, payload.begin() + 32), "first");
    EXPECT_EQ(payload[26 + 3 * 128], 6);
    EXPECT_EQ(payload[702], 5);
    EXPECT_EQ(std::string(payload.begin() + 703, payload.begin() + 708), "sixth");
    EXPECT_EQ(payload[830], 7);
    const auto check = MakeSaveCheckField(Key);
    EXPECT_TRUE(std::equal(check.begin(), check.end(), payload.begin() + 666));
    EXPECT_NE(std::string(payload.begin() + 666, payload.begin() + 698), SaveCheckText);
    EXPECT_EQ(GetU32(payload, 698), 4u);
    EXPECT_TRUE(std::all_of(payload.begin() + 958, payload.begin() + 1024,
                            [](uint8_t b) { return b == 0; }));
    // The thumbnail section follows the header: a 15-bit bitmap file.
    const uint32_t thumbnailSize = GetU32(payload, 1024);
    ASSERT_EQ(thumbnailSize, 54u + 2 * 8);
    EXPECT_EQ(payload[1028], 'B');
    EXPECT_EQ(payload[1029], 'M');
    EXPECT_EQ(payload[1028 + 28], 16);         // bits per pixel
    EXPECT_EQ(GetU32(payload, 1028 + 30), 0u); // BI_RGB
    // Then the body section, up to the end.
    EXPECT_EQ(GetU32(payload, 1028 + thumbnailSize) + 1032 + thumbnailSize, payload.size());
}

// Every header and section case as (change to a good payload, loads?).
struct HeaderCase
{
    const char* name;
    std::function<void(std::vector<uint8_t>&)> change;
    bool loads;
};

TEST(ZanSaveData, HeaderAndSectionCases)
{
    const std::vector<uint8_t> good = Unwrap(SampleSave().FileBytes(true, true));
    const uint32_t thumbnailSize = GetU32(good, 1024);
    const size_t bodyAt = 1028 + thumbnailSize;
    const HeaderCase cases[] = {
        {"unchanged", [](auto&) {}, true},
        {"version 5", [](auto& p) { PutU32(p, 698, 5); }, false},
        {"version 0xFFFFFFFF", [](auto& p) { PutU32(p, 698, 0xFFFFFFFF); }, false},
        {"version 3", [](auto& p) { PutU32(p, 698, 3); }, true},
        {"other magic", [](auto& p) { p[9] = '1'; }, false},
        {"magic ends at its zero", [](auto& p) { p[12] = 'x'; }, true},
        {"magic without its zero", [](auto& p) { p[10] = 'x'; }, false},
        {"check field changed", [](auto& p) { p[670] ^= 1; }, false},
        {"length byte 255", [](auto& p) { p[26] = 255; }, true},
        {"thumbnail larger than the file",
         [](auto& p) { PutU32(p, 1024, static_cast<uint32_t>(p.size())); }, false},
        {"no room for the body size", [&](auto& p) { p.resize(bodyAt + 2); }, false},
        {"body larger than the file", [&](auto& p) { PutU32(p, bodyAt, GetU32(p, bodyAt) + 1); },
         false},
        {"body cut short", [](auto& p) { p.pop_back(); }, false},
        {"header cut short", [](auto& p) { p.resize(1000); }, false},
        {"bytes after the body", [](auto& p) { p.push_back(7); }, true},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> payload = good;
        c.change(payload);
        const std::vector<uint8_t> file = Wrap(payload);
        TZanSaveData save(Key);
        TMemoryStream stream(file);
        EXPECT_EQ(save.ReadFromStream(stream, true, true), c.loads);
        EXPECT_EQ(stream.Position(), c.loads ? file.size() : 0u);
        if (!c.loads) {
            EXPECT_FALSE(save.HasBody());
        }
    }

    // A length byte of 255 reads the whole field (127 bytes).
    std::vector<uint8_t> payload = good;
    payload[26] = 255;
    std::optional<TZanSaveData> clamped = Load(Wrap(payload));
    ASSERT_TRUE(clamped.has_value());
    EXPECT_EQ(clamped->Description(0).size(), 127u);
    EXPECT_EQ(clamped->Description(0).substr(0, 5), "first");
    // A damaged wrapper fails.
    std::vector<uint8_t> file = Wrap(good);
    file[500] ^= 0x40;
    EXPECT_FALSE(Load(file).has_value());
}

TEST(ZanSaveData, OnlyTheLowBitsOfTheCodeKeyCount)
{
    const std::vector<uint8_t> file = SampleSave().FileBytes(true, true);
    EXPECT_TRUE(Load(file, true, true, Key | 0x7F000000).has_value());
    EXPECT_FALSE(Load(file, true, true, Key ^ 1).has_value());
    EXPECT_FALSE(Load(file, true, true, Key ^ 0x800000).has_value());
}

TEST(ZanSaveData, DescriptionsAreCutBeforeByte122WithoutSplittingACharacter)
{
    struct Case
    {
        std::string text;
        size_t stored;
    };
    const std::string lead = "\x82\xA0"; // a two-byte character
    const Case cases[] = {
        {std::string(130, 'a'), 122},
        {std::string(121, 'a') + lead + "bbbb", 123},          // character at 121 kept whole
        {std::string(120, 'a') + lead + "bbbb", 122},          // character at 120-121
        {std::string(121, 'a') + "\x82", 122},                 // a lone lead byte at the end
        {std::string(60, 'a') + std::string(70, '\x82'), 122}, // trail bytes that look like leads
        {std::string(122, 'a'), 122},
        {"short", 5},
        {"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        EXPECT_EQ(CutDescriptionText(c.text).size(), c.stored);
        TZanSaveData save(Key);
        save.SetHeader(std::vector<std::string>{c.text});
        save.SetBody(Bytes("x"));
        std::optional<TZanSaveData> loaded = Load(save.FileBytes(true, false));
        ASSERT_TRUE(loaded.has_value());
        EXPECT_EQ(loaded->Description(0), c.text.substr(0, c.stored));
    }
}

TEST(ZanSaveData, ThumbnailAndBodyOnlyWhenWanted)
{
    TZanSaveData noThumbnail = SampleSave();
    noThumbnail.ClearThumbnail();
    const std::vector<uint8_t> plain = noThumbnail.FileBytes(true, true);
    EXPECT_EQ(GetU32(Unwrap(plain), 1024), 0u);
    std::optional<TZanSaveData> loaded = Load(plain);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->Thumbnail(), nullptr);
    EXPECT_TRUE(loaded->ThumbnailBytes().empty());
    EXPECT_EQ(loaded->Body().size(), SampleBody().size());

    const std::vector<uint8_t> file = SampleSave().FileBytes(true, true);
    loaded = Load(file, false, true);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->Thumbnail(), nullptr);
    EXPECT_TRUE(loaded->HasBody());
    loaded = Load(file, true, false);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_NE(loaded->Thumbnail(), nullptr);
    EXPECT_FALSE(loaded->HasBody());
    EXPECT_EQ(loaded->Description(0), "first");

    // A thumbnail that does not decode leaves the picture out, not the save.
    std::vector<uint8_t> payload = Unwrap(file);
    payload[1028] = 'X';
    loaded = Load(Wrap(payload));
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->Thumbnail(), nullptr);
    EXPECT_TRUE(loaded->HasBody());
}

TEST(ZanSaveData, FailedReadChangesNothing)
{
    std::optional<TZanSaveData> save = Load(SampleSave().FileBytes(true, true));
    ASSERT_TRUE(save.has_value());
    TZanSaveData other(Key);
    other.SetHeader(std::vector<std::string>{"other"});
    other.SetBody(Bytes("other body"));
    std::vector<uint8_t> bad = Unwrap(other.FileBytes(false, false));
    PutU32(bad, 698, 5);
    TMemoryStream stream(Wrap(bad));
    EXPECT_FALSE(save->ReadFromStream(stream, true, true));
    EXPECT_EQ(save->Description(0), "first");
    EXPECT_EQ(save->Body().size(), SampleBody().size());
    EXPECT_NE(save->Thumbnail(), nullptr);
    EXPECT_TRUE(save->Compressed());
}

TEST(ZanSaveData, ExpandedBodyIsCapped)
{
    TZanSaveData big(Key);
    big.SetBody(std::vector<uint8_t>(5000, 'z'));
    const std::vector<uint8_t> file = big.FileBytes(true, true);
    TZanSaveData small(Key, 4096);
    TMemoryStream stream(file);
    EXPECT_FALSE(small.ReadFromStream(stream, false, true));
    TZanSaveData enough(Key, 5000);
    stream.Rewind();
    EXPECT_TRUE(enough.ReadFromStream(stream, false, true));
    // Uncompressed bodies obey the same cap.
    TMemoryStream plain(big.FileBytes(true, false));
    EXPECT_FALSE(small.ReadFromStream(plain, false, true));
}

TEST(ZanSaveData, WritingNeedsABody)
{
    TZanSaveData save(Key);
    TMemoryStream stream;
    EXPECT_FALSE(save.WriteToStream(stream, true, true));
    EXPECT_EQ(stream.Size(), 0u);
    save.SetBody(std::vector<uint8_t>{});
    EXPECT_TRUE(save.WriteToStream(stream, true, true));
    std::optional<TZanSaveData> loaded = Load(stream.TakeBytes());
    ASSERT_TRUE(loaded.has_value());
    EXPECT_TRUE(loaded->HasBody());
    EXPECT_EQ(loaded->TakeBody().Size(), 0u);
    EXPECT_FALSE(loaded->HasBody());
}

TEST(ZanSaveDataFile, WritesAndReadsThroughTheFileSystem)
{
    testing::TempDir temp;
    auto files = platform::CreateNativeFileSystem(temp.Str());
    ASSERT_TRUE(files->MakeFolders("SaveData"));
    const TZanSaveData save = SampleSave();
    ASSERT_TRUE(save.WriteToFile(*files, "SaveData\\SaveData1.svd", true, true));
    EXPECT_EQ(Bytes(temp.Read("SaveData/SaveData1.svd")), save.FileBytes(true, true));
    TZanSaveData loaded(Key);
    EXPECT_TRUE(loaded.ReadFromFile(*files, "savedata\\savedata1.SVD", false, true));
    EXPECT_EQ(loaded.Body().size(), SampleBody().size());
    EXPECT_FALSE(loaded.ReadFromFile(*files, "SaveData\\missing.svd", false, true));
    EXPECT_FALSE(loaded.ReadFromFile(*files, "SaveData", false, true)); // a folder
    EXPECT_EQ(loaded.Body().size(), SampleBody().size());
}

TEST(ZanSaveDataFile, FailedWriteKeepsTheOldSave)
{
    const platform::ReplaceFault faults[] = {
        platform::ReplaceFault::Create, platform::ReplaceFault::Write,
        platform::ReplaceFault::Flush, platform::ReplaceFault::Rename};
    const TZanSaveData old = SampleSave();
    TZanSaveData replacement(Key);
    replacement.SetBody(Bytes("new body"));
    for (const platform::ReplaceFault fault : faults) {
        SCOPED_TRACE(static_cast<int>(fault));
        testing::TempDir temp;
        auto good = platform::CreateNativeFileSystem(temp.Str());
        ASSERT_TRUE(good->MakeFolders("SaveData"));
        ASSERT_TRUE(old.WriteToFile(*good, "SaveData\\SaveData1.svd", true, true));
        const std::string before = temp.Read("SaveData/SaveData1.svd");

        auto failing = platform::CreateNativeFileSystem(temp.Str(), fault);
        EXPECT_FALSE(replacement.WriteToFile(*failing, "SaveData\\SaveData1.svd", true, true));
        EXPECT_EQ(temp.Read("SaveData/SaveData1.svd"), before);
        TZanSaveData loaded(Key);
        EXPECT_TRUE(loaded.ReadFromFile(*good, "SaveData\\SaveData1.svd", false, true));
        EXPECT_EQ(loaded.Body().size(), SampleBody().size());
    }
}

TEST(SaveThumbnail, EncodesFifteenBitRowsBottomUp)
{
    TARGB8888 picture;
    FillPicture(picture);
    const std::vector<uint8_t> file = EncodeThumbnailBmp(picture);
    ASSERT_EQ(file.size(), 54u + 2 * 8);
    EXPECT_EQ(GetU32(file, 2), file.size());
    EXPECT_EQ(GetU32(file, 10), 54u);
    EXPECT_EQ(GetU32(file, 18), 3u);
    EXPECT_EQ(GetU32(file, 22), 2u);
    // The bottom row first: 0xFF123456 -> r 2, g 6, b 10.
    EXPECT_EQ(file[54] | file[55] << 8, 2 << 10 | 6 << 5 | 10);
    EXPECT_EQ(file[56] | file[57] << 8, 0x7FFF);
    EXPECT_EQ(file[60], 0);                      // padding
    EXPECT_EQ(file[62] | file[63] << 8, 0x7C00); // top row: red
    TARGB8888 empty;
    EXPECT_TRUE(EncodeThumbnailBmp(empty).empty());
    EXPECT_EQ(DecodeThumbnailBmp(Bytes("BM nonsense")), nullptr);
}

TEST(SaveDate, DayCountsSince18991230)
{
    EXPECT_EQ(SaveDateFromCivil({1899, 12, 30}), 0.0);
    EXPECT_EQ(SaveDateFromCivil({1900, 1, 1}), 2.0);
    EXPECT_EQ(SaveDateFromCivil({2000, 1, 1, 18}), 36526.75);
    const TSaveDateTime t = SaveDateToCivil(SaveDateFromCivil({2026, 2, 28, 23, 59, 59, 999}));
    EXPECT_EQ(t.Year, 2026);
    EXPECT_EQ(t.Month, 2);
    EXPECT_EQ(t.Day, 28);
    EXPECT_EQ(t.Hour, 23);
    EXPECT_EQ(t.Minute, 59);
    EXPECT_EQ(t.Second, 59);
    EXPECT_EQ(t.Millisecond, 999);
    const TSaveDateTime bad = SaveDateToCivil(std::nan(""));
    EXPECT_EQ(bad.Year, 1899);
    EXPECT_EQ(SaveDateToCivil(1e300).Day, 30);
}

} // namespace
} // namespace tsukimi
