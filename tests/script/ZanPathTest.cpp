#include "script/ZanPath.h"

#include "ScriptFakes.h"

#include <gtest/gtest.h>

#include <set>

namespace tsukimi::testing {
namespace {

constexpr std::string_view SlashMessage = "FileIO：パスに/を使わないでください：";
constexpr std::string_view NotFoundMessage = "FileIO：指定されたファイルが見つかりません：";

struct PathFixture
{
    std::set<std::string> files;
    std::string base;
    std::vector<std::string> resolved;
    MessageLog log;
    TZanPath Make(bool quiet = false)
    {
        return TZanPath([this](std::string_view n) { return files.count(std::string(n)) != 0; },
                        [this] { return base; },
                        [this](std::string_view n) { resolved.emplace_back(n); }, log.Sink(), quiet);
    }
};

TEST(ZanPath, NormalizeCleansTheFormAndSaysWhatItChanged)
{
    struct Case
    {
        std::string name, normal;
        size_t messages;
    };
    const Case cases[] = {
        {"bg\\..\\bg\\a.png", "bg\\a.png", 0},
        {"..\\a.png", "..\\a.png", 0},
        {"a\\b\\..\\..\\c.png", "c.png", 0},
        {"/bg/a.png", "\\bg\\a.png", 1}, // the leading "\" test runs before "/" is replaced
        {"\\bg\\a.png", "bg\\a.png", 1},
        {"bg\\\\a.png", "bg\\a.png", 1},
        {"bg\\\\\\a.png", "bg\\\\a.png", 1}, // one pass
        {"plain.png", "plain.png", 0},
    };
    for (const Case& c : cases) {
        PathFixture f;
        const TZanPath path = f.Make();
        EXPECT_EQ(path.Normalize(c.name, true), c.normal) << c.name;
        EXPECT_EQ(f.log.messages.size(), c.messages) << c.name;
        EXPECT_EQ(path.Normalize(c.name, false), c.normal);
    }
    PathFixture f;
    f.Make().Normalize("/x", true);
    ASSERT_EQ(f.log.messages.size(), 1u);
    EXPECT_EQ(f.log.messages[0], std::string(SlashMessage) + "/x") << "ends with the name passed in";
}

TEST(ZanPath, ResolveTriesScriptFolderThenNameThenFolders)
{
    PathFixture f;
    TZanPath path = f.Make();
    f.files = {"ev\\a.png", "b.png", "scene\\b.png"};
    path.Add("ev");
    EXPECT_EQ(path.Item(0), "ev\\");
    EXPECT_EQ(path.Resolve("a.png", true, true), "ev\\a.png");
    EXPECT_EQ(path.Resolve("b.png", true, true), "b.png");
    f.base = "scene\\";
    EXPECT_EQ(path.Resolve("b.png", true, true), "scene\\b.png") << "the script's folder wins";
    EXPECT_EQ(f.resolved, (std::vector<std::string>{"ev\\a.png", "b.png", "scene\\b.png"}));
    EXPECT_TRUE(f.log.messages.empty());

    EXPECT_EQ(path.Resolve("none.png", false, true), "");
    EXPECT_EQ(f.log.messages, (std::vector<std::string>{std::string(NotFoundMessage) + "none.png"}));
    EXPECT_EQ(f.resolved.size(), 3u);

    path.Remove("ev");
    EXPECT_EQ(path.Count(), 1) << "removing needs the stored form with its backslash";
    path.Remove("EV\\");
    EXPECT_EQ(path.Count(), 0);
}

TEST(ZanPath, QuietResolverReportsNothing)
{
    PathFixture f;
    const TZanPath path = f.Make(true);
    EXPECT_EQ(path.Resolve("/missing.png", true, true), "");
    EXPECT_TRUE(f.log.messages.empty());
}

TEST(ZanPath, StateRoundTripsAndClearDropsTheFlag)
{
    PathFixture f;
    TZanPath path = f.Make();
    path.Add("ev\\");
    path.Add("Ev");
    path.Add("bgm");
    path.SetScriptFlag(true);
    TMemoryStream stream;
    path.SaveState(stream);
    TZanPath loaded = f.Make();
    loaded.Add("old");
    stream.Seek(0);
    loaded.LoadState(stream);
    ASSERT_EQ(loaded.Count(), 2) << "duplicates are not added";
    EXPECT_EQ(loaded.Item(1), "bgm\\");
    EXPECT_TRUE(loaded.ScriptFlag());
    loaded.Clear();
    EXPECT_FALSE(loaded.ScriptFlag());

    TMemoryStream hostile;
    hostile.WriteU32(0x7FFFFFFF);
    hostile.Seek(0);
    EXPECT_THROW(loaded.LoadState(hostile), StreamError);
}

} // namespace
} // namespace tsukimi::testing
