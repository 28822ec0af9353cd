#include "platform/FileSystem.h"
#include "platform/NameFold.h"

#include <gtest/gtest.h>

namespace tsukimi::platform {
namespace {

using Parts = std::vector<std::string>;

TEST(SplitEngineNameTest, SplitsAtSeparatorsButNotAtTrailBytes)
{
    const struct
    {
        std::string name;
        Parts parts;
    } cases[] = {
        {"System\\etc\\Game.dat", {"System", "etc", "Game.dat"}},
        {"GameData/System/config.txt", {"GameData", "System", "config.txt"}},
        {"\\a\\\\.\\b\\", {"a", "b"}},
        {"", {}},
        // "表\ソ\x.txt": 0x95 0x5C and 0x83 0x5C are characters, not separators.
        {"\x95\x5C\\\x83\x5C\\x.txt", {"\x95\x5C", "\x83\x5C", "x.txt"}},
        {"\x95\x5C\x83\x5C.png", {"\x95\x5C\x83\x5C.png"}},
        // A lead byte at the very end keeps its place.
        {"a\\b\x95", {"a", "b\x95"}},
        {"..\\a", {"..", "a"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitEngineName(c.name), c.parts) << c.name;
}

TEST(FoldNameTest, FoldsLettersWithCaseOnly)
{
    EXPECT_EQ(FoldName("Config.TXT"), "config.txt");
    EXPECT_EQ(FoldName("ＡＢＣ"), "ａｂｃ");
    EXPECT_EQ(FoldName("ΑΩ ДЁ Ⅻ"), "αω дё ⅻ");
    EXPECT_EQ(FoldName("表示ソ"), "表示ソ");
    // Malformed bytes pass through unchanged.
    EXPECT_EQ(FoldName("A\xFF\xE8Z"), "a\xFF\xE8z");
}

} // namespace
} // namespace tsukimi::platform
