#include "FakeFileSystem.h"

#include "data/GameData.h"
#include "data/HashTable.h"
#include "data/PackWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tsukimi {
namespace {

using testing::FakeFileSystem;

std::vector<uint8_t> Bytes(std::string_view text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::string Text(const std::optional<TMemoryStream>& stream)
{
    if (!stream) return "(null)";
    return std::string(reinterpret_cast<const char*>(stream->Data()), stream->Size());
}

// Pack n holds "shared.txt" = "pack n", "only<n>.txt" and "script.s".
void PutPack(FakeFileSystem& files, int n, const std::vector<TPackSource>& extra = {})
{
    std::vector<TPackSource> entries = {{"shared.txt", Bytes("pack " + std::to_string(n))},
                                        {"only" + std::to_string(n) + ".txt", Bytes("only")},
                                        {"script.s", Bytes("@@top")}};
    entries.insert(entries.end(), extra.begin(), extra.end());
    files.Put("GameData\\data" + std::to_string(n) + ".pack",
              BuildPack(entries, TPackWriteOptions{}).pack);
}

TEST(GameData, NormalisesNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"System/etc//Game.dat", "System\\etc\\Game.dat"},
        {"\\System\\etc\\Game.dat", "System\\etc\\Game.dat"},
        {"//a\\\\\\b", "a\\b"},
        {"a\\b\\..\\c.txt", "a\\c.txt"},
        {"..\\..\\a\\..\\b", "..\\..\\b"},
        {"a\\..\\..\\b", "..\\b"},
        {"a..b\\c", "a..b\\c"},
        // The trail byte 0x5C of a two-byte character is no separator.
        {"\x95\x5C\\\x83\x5C/x", "\x95\x5C\\\x83\x5C\\x"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(TGameData::NormaliseName(name), expected) << name;
}

TEST(GameData, OpensPacksAndSearchesFromFifteenDown)
{
    FakeFileSystem files;
    PutPack(files, 3);
    PutPack(files, 7);
    TGameData data(files);
    EXPECT_EQ(data.OpenPacks("GameData\\"), 2);
    EXPECT_TRUE(data.PackExists(7));
    EXPECT_FALSE(data.PackExists(4));
    EXPECT_FALSE(data.PackExists(16));
    EXPECT_EQ(data.GameFolder(), "/game/gamedata\\");

    EXPECT_EQ(Text(data.LoadData("SHARED.TXT")), "pack 7");
    EXPECT_EQ(Text(data.LoadData("shared.txt", 3)), "pack 3");
    EXPECT_EQ(Text(data.LoadData("only7.txt", 3)), "(null)");
    EXPECT_EQ(Text(data.LoadData("/only3.txt")), "only");
    EXPECT_EQ(Text(data.LoadData("script.s")), "@@top");
    EXPECT_EQ(data.ResolveName("missing.txt"), "");
    EXPECT_EQ(data.ResolveName(""), "");
}

TEST(GameData, LooseFilesComeFirstButNeverScripts)
{
    FakeFileSystem files;
    PutPack(files, 0);
    files.Put("shared.txt", "loose");
    files.Put("Script.S", "loose script");
    files.Put("loose.s", "loose only");
    TGameData data(files);
    ASSERT_EQ(data.OpenPacks("GameData\\"), 1);

    EXPECT_EQ(Text(data.LoadData("shared.txt")), "loose");
    EXPECT_EQ(Text(data.LoadData("shared.txt", 0)), "loose"); // a pack number does not skip it
    // A loose script hides the name altogether, pack entry or not.
    EXPECT_EQ(data.ResolveName("script.s"), "");
    EXPECT_EQ(Text(data.LoadData("script.s")), "(null)");
    EXPECT_EQ(Text(data.LoadData("loose.s")), "(null)");
}

TEST(GameData, VirtualFilesComeLastAndStopLooseReads)
{
    FakeFileSystem files;
    PutPack(files, 0);
    files.Put("shared.txt", "loose");
    files.Put("notes.txt", "loose notes");
    TGameData data(files);
    ASSERT_EQ(data.OpenPacks("GameData\\"), 1);
    EXPECT_EQ(Text(data.LoadData("notes.txt")), "loose notes");

    std::vector<std::string> asked;
    data.SetVirtualFileHooks(
        [&](std::string_view name) {
            asked.emplace_back(name);
            return name.substr(0, 3) == "$$$";
        },
        [](std::string_view name) -> std::optional<TMemoryStream> {
            if (name.substr(0, 3) != "$$$") return std::nullopt;
            return TMemoryStream(std::string("virtual ") + std::string(name));
        });
    EXPECT_EQ(Text(data.LoadData("$$$saveimage,1.bmp")), "virtual $$$saveimage,1.bmp");
    EXPECT_EQ(Text(data.LoadData("only0.txt")), "only");
    // Set up, a loose file still resolves but no longer loads.
    EXPECT_EQ(data.ResolveName("shared.txt"), "shared.txt");
    EXPECT_EQ(Text(data.LoadData("shared.txt")), "(null)");
    EXPECT_EQ(Text(data.LoadData("nothing.txt")), "(null)");
    // The hook is asked only for names nothing else has.
    EXPECT_EQ(asked, (std::vector<std::string>{"$$$saveimage,1.bmp", "nothing.txt"}));

    data.ClearVirtualFileHooks();
    EXPECT_EQ(Text(data.LoadData("notes.txt")), "loose notes");
    EXPECT_EQ(data.ResolveName("$$$saveimage,1.bmp"), "");
}

TEST(GameData, RepeatedNameReusesThePreviousResolution)
{
    FakeFileSystem files;
    TGameData data(files);
    bool present = true;
    data.SetVirtualFileHooks([&](std::string_view) { return present; }, nullptr);
    EXPECT_EQ(data.ResolveName("$$$memsaveimage,a"), "$$$memsaveimage,a");
    present = false;
    EXPECT_EQ(data.ResolveName("$$$memsaveimage,a"), "$$$memsaveimage,a");
    EXPECT_EQ(data.ResolveName("$$$memsaveimage,a", 2), ""); // another pack number
    EXPECT_EQ(data.ResolveName("$$$memsaveimage,a"), "");
}

TEST(GameData, OutOfRangeIndexValueFallsThroughToLowerPacks)
{
    FakeFileSystem files;
    PutPack(files, 3);
    PutPack(files, 5);
    // data5.hash claims "shared.txt" is entry 9999 of a 3-entry pack.
    THashTable index(512);
    const uint16_t wild = 9999, first = 1;
    index.Add("shared.txt", &wild, 2);
    index.Add("only5.txt", &first, 2);
    TMemoryStream saved;
    index.SaveToStream(saved);
    files.Put("GameData\\data5.hash",
              std::vector<uint8_t>(saved.Bytes().begin(), saved.Bytes().end()));
    TGameData data(files);
    ASSERT_EQ(data.OpenPacks("GameData\\"), 2) << data.LastError();
    EXPECT_EQ(Text(data.LoadData("shared.txt")), "pack 3");
    EXPECT_EQ(Text(data.LoadData("only5.txt")), "only");
}

TEST(GameData, BadPackFailsTheOpenWithTheFileName)
{
    FakeFileSystem files;
    PutPack(files, 0);
    files.Put("GameData\\data4.pack", "not a pack at all, just some text");
    TGameData data(files);
    EXPECT_EQ(data.OpenPacks("GameData\\"), 0);
    EXPECT_NE(data.LastError().find("GameData\\data4.pack"), std::string::npos) << data.LastError();
    EXPECT_FALSE(data.PackExists(0));

    FakeFileSystem empty;
    TGameData none(empty);
    EXPECT_EQ(none.OpenPacks("GameData\\"), 0);
    EXPECT_FALSE(none.LastError().empty());
}

TEST(GameData, CachesPackEntriesAndReportsChecksumFailures)
{
    FakeFileSystem files;
    std::vector<uint8_t> pack =
        BuildPack({{{"a.txt", Bytes("first entry")}, {"b.txt", Bytes("second entry")}}},
                  TPackWriteOptions{3, PackCompression::None, 0, false})
            .pack;
    pack[12] ^= 1; // inside "b.txt"
    files.Put("GameData\\data0.pack", pack);
    TGameData data(files);
    std::vector<std::string> failed;
    data.SetCrcFailure([&](const std::string& name) { failed.push_back(name); });
    ASSERT_EQ(data.OpenPacks("GameData\\"), 1);
    data.Cache().SetLimit(1 << 20);

    EXPECT_EQ(Text(data.LoadData("a.txt")), "first entry");
    EXPECT_EQ(data.Cache().Count(), 1u);
    EXPECT_EQ(Text(data.LoadData("A.TXT")), "first entry");
    EXPECT_EQ(Text(data.LoadData("a.txt", 0)), "first entry");
    EXPECT_EQ(data.Cache().Count(), 1u);

    EXPECT_EQ(Text(data.LoadData("b.txt")), "(null)");
    EXPECT_EQ(failed, std::vector<std::string>{"b.txt"});
    data.SetCrcCheck(false);
    EXPECT_EQ(Text(data.LoadData("b.txt")).size(), 12u);

    data.ClosePacks();
    EXPECT_EQ(data.Cache().Count(), 0u);
    EXPECT_EQ(Text(data.LoadData("a.txt")), "(null)");
}

TEST(GameData, OpensAGameFolderOnDisk)
{
    const auto root =
        std::filesystem::temp_directory_path() /
        ("tsukimi-gamedata-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "gamedata");
    {
        const std::vector<uint8_t> pack =
            BuildPack({{{"system\\etc\\game.dat", Bytes("GameTitle=x")}}}, TPackWriteOptions{})
                .pack;
        std::ofstream(root / "gamedata" / "DATA0.pack", std::ios::binary)
            .write(reinterpret_cast<const char*>(pack.data()),
                   static_cast<std::streamsize>(pack.size()));
        std::ofstream(root / "loose.txt") << "on disk";
    }
    auto files = platform::CreateNativeFileSystem(root.string());
    TGameData data(*files);
    EXPECT_EQ(data.OpenPacks("GameData\\"), 1) << data.LastError();
    EXPECT_EQ(Text(data.LoadData("System\\etc\\Game.dat")), "GameTitle=x");
    EXPECT_EQ(Text(data.LoadData("LOOSE.TXT")), "on disk");
    data.ClosePacks();
    std::filesystem::remove_all(root);
}

} // namespace
} // namespace tsukimi
