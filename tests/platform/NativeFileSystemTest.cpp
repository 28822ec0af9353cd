#include "platform/FileSystem.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace tsukimi::platform {
namespace {

using tsukimi::testing::TempDir;

std::span<const uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string Text(const std::optional<std::vector<uint8_t>>& bytes)
{
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
}

size_t EntryCount(const std::filesystem::path& folder)
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                             std::filesystem::directory_iterator()));
}

class NativeFileSystemTest : public ::testing::Test
{
protected:
    TempDir temp;
    std::unique_ptr<FileSystem> files = CreateNativeFileSystem(temp.Path().string());
};

TEST_F(NativeFileSystemTest, ResolvesNamesWithoutCase)
{
    temp.Write("GameData/System/Config.TXT", "cfg");
    temp.Write("表示/ソフト.txt", "sjis");
    temp.Write("ＡＢ.txt", "wide");

    EXPECT_EQ(Text(files->ReadAll("gamedata\\system\\config.txt")), "cfg");
    EXPECT_EQ(Text(files->ReadAll("GAMEDATA/SYSTEM/CONFIG.TXT")), "cfg");
    EXPECT_EQ(files->Resolve("gamedata\\SYSTEM\\config.txt"),
              (temp.Path() / "GameData/System/Config.TXT").string());
    // "表示\ソフト.txt" in Shift-JIS, trail bytes 0x5C included.
    EXPECT_EQ(Text(files->ReadAll("\x95\x5C\x8E\xA6\\\x83\x5C\x83\x74\x83\x67.TXT")), "sjis");
    // Fullwidth "ａｂ.txt" finds "ＡＢ.txt".
    EXPECT_EQ(Text(files->ReadAll("\x82\x81\x82\x82.txt")), "wide");

    EXPECT_TRUE(files->IsFolder("GAMEDATA\\system"));
    EXPECT_FALSE(files->IsFolder("gamedata\\system\\config.txt"));
    EXPECT_TRUE(files->Exists("gamedata\\system\\config.txt"));
    EXPECT_FALSE(files->Exists("gamedata\\system\\missing.txt"));
    EXPECT_FALSE(files->ReadAll("gamedata").has_value()); // a folder
    // Names never climb out of the game folder.
    EXPECT_FALSE(files->Exists("..\\" + temp.Path().filename().string()));
    EXPECT_TRUE(files->Exists("gamedata\\..\\GameData\\system"));
}

TEST_F(NativeFileSystemTest, ExactSpellingWinsOverFoldedMatch)
{
    temp.Write("data.txt", "lower");
    temp.Write("DATA.txt", "upper");
    EXPECT_EQ(Text(files->ReadAll("DATA.txt")), "upper");
    EXPECT_EQ(Text(files->ReadAll("data.txt")), "lower");
    // Otherwise the first in byte order.
    EXPECT_EQ(Text(files->ReadAll("Data.TXT")), "upper");
}

TEST_F(NativeFileSystemTest, SeesFilesAddedBehindItsBack)
{
    EXPECT_FALSE(files->Exists("late.txt"));
    temp.Write("Late.txt", "x");
    // The cached listing follows the folder's change time; a fresh file
    // system also sees it.
    EXPECT_TRUE(CreateNativeFileSystem(temp.Path().string())->Exists("late.txt"));
}

TEST_F(NativeFileSystemTest, ReplaceWritesAtomicallyAndLeavesNoTemporary)
{
    ASSERT_TRUE(files->MakeFolders("SaveData"));
    EXPECT_TRUE(files->Replace("savedata\\Save1.svd", Bytes("first")));
    EXPECT_TRUE(files->Replace("SAVEDATA\\save1.SVD", Bytes("second")));
    // The existing entry was replaced, not a second one made beside it.
    EXPECT_EQ(temp.Read("SaveData/Save1.svd"), "second");
    EXPECT_EQ(EntryCount(temp.Path() / "SaveData"), 1u);
    // A replaced file keeps its permissions.
    namespace fs = std::filesystem;
    const fs::path save = temp.Path() / "SaveData/Save1.svd";
    fs::permissions(save, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(files->Replace("SaveData\\Save1.svd", Bytes("third")));
    EXPECT_EQ(fs::status(save).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // Shift-JIS leaf name becomes UTF-8 on disk.
    EXPECT_TRUE(files->Replace("SaveData\\\x95\x5C.dat", Bytes("hyo")));
    EXPECT_EQ(temp.Read("SaveData/表.dat"), "hyo");
    // No parent folder, or a folder in the way: refused.
    EXPECT_FALSE(files->Replace("NoFolder\\a.txt", Bytes("x")));
    EXPECT_FALSE(files->Replace("SaveData", Bytes("x")));
    EXPECT_FALSE(files->Replace("", Bytes("x")));
}

TEST(NativeFileSystemFaultTest, FailedReplaceKeepsTheOldFile)
{
    const ReplaceFault faults[] = {ReplaceFault::Create, ReplaceFault::Write, ReplaceFault::Flush,
                                   ReplaceFault::Rename};
    for (const ReplaceFault fault : faults) {
        SCOPED_TRACE(static_cast<int>(fault));
        TempDir temp;
        temp.Write("SaveData/SystemData.dat", "old contents");
        auto files = CreateNativeFileSystem(temp.Path().string(), fault);
        EXPECT_FALSE(files->Replace("savedata\\systemdata.dat", Bytes("new")));
        EXPECT_EQ(temp.Read("SaveData/SystemData.dat"), "old contents");
        EXPECT_FALSE(files->Replace("savedata\\fresh.dat", Bytes("new")));
        EXPECT_FALSE(files->Exists("savedata\\fresh.dat"));
        EXPECT_EQ(EntryCount(temp.Path() / "SaveData"), 1u);
    }
}

TEST_F(NativeFileSystemTest, AppendDeleteMakeFoldersAndList)
{
    EXPECT_TRUE(files->MakeFolders("A\\b\\C"));
    EXPECT_TRUE(files->MakeFolders("a\\B\\c\\")); // already there, any case
    EXPECT_EQ(EntryCount(temp.Path()), 1u);
    EXPECT_TRUE(std::filesystem::is_directory(temp.Path() / "A/b/C"));

    EXPECT_TRUE(files->Append("a\\ERRORLOG.txt", Bytes("one\n")));
    EXPECT_TRUE(files->Append("A\\errorlog.TXT", Bytes("two\n")));
    EXPECT_EQ(Text(files->ReadAll("a\\errorlog.txt")), "one\ntwo\n");
    EXPECT_FALSE(files->MakeFolders("a\\errorlog.txt\\x")); // a file in the way
    EXPECT_FALSE(files->Append("missing\\log.txt", Bytes("x")));

    EXPECT_EQ(files->List("a"), (std::vector<std::string>{"ERRORLOG.txt", "b"}));
    EXPECT_TRUE(files->List("nothing").empty());

    EXPECT_TRUE(files->Delete("A\\ErrorLog.txt"));
    EXPECT_FALSE(files->Exists("a\\errorlog.txt"));
    EXPECT_FALSE(files->Delete("a\\errorlog.txt"));
    EXPECT_FALSE(files->Delete("a\\b")); // not empty
    EXPECT_TRUE(files->Delete("a\\b\\c"));
    EXPECT_EQ(files->List("A\\B"), std::vector<std::string>{});
}

TEST_F(NativeFileSystemTest, ListGivesShiftJisNames)
{
    temp.Write("表.txt", "");
    EXPECT_EQ(files->List(""), std::vector<std::string>{"\x95\x5C.txt"});
}

TEST_F(NativeFileSystemTest, ReadAtStaysInsideTheFile)
{
    temp.Write("data0.pack", "0123456789");
    auto file = files->OpenRead("DATA0.PACK");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Size(), 10u);
    char buffer[16] = {};
    EXPECT_TRUE(file->ReadAt(2, buffer, 3));
    EXPECT_EQ(std::string(buffer, 3), "234");
    EXPECT_TRUE(file->ReadAt(0, buffer, 10));
    EXPECT_TRUE(file->ReadAt(10, buffer, 0));
    EXPECT_FALSE(file->ReadAt(8, buffer, 3));
    EXPECT_FALSE(file->ReadAt(11, buffer, 0));
    EXPECT_FALSE(file->ReadAt(UINT64_MAX, buffer, 2));
    EXPECT_FALSE(file->ReadAt(1, buffer, SIZE_MAX));
    EXPECT_EQ(files->OpenRead("missing.pack"), nullptr);
    EXPECT_EQ(files->OpenRead(""), nullptr); // the folder itself
}

} // namespace
} // namespace tsukimi::platform
