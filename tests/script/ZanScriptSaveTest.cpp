// Saving and loading the game thread: round trips through files and memory,
// and the guarantees that a failed save or a bad load changes nothing.
#include "script/ZanScript.h"

#include "ScriptFakes.h"
#include "data/BlockTransforms.h"
#include "platform/FileSystem.h"
#include "script/ZanSaveData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <deque>

namespace tsukimi::testing {
namespace {

class Host : public TZanScriptHost
{
public:
    std::vector<std::string> errors;
    void ReportScriptError(std::string_view m) override { errors.emplace_back(m); }
};

class Clicks : public TScriptInputSource
{
public:
    int pending = 0;
    TInputAction NextAction() override
    {
        if (pending == 0) return {};
        --pending;
        return {1, 1, 1, {}, {}};
    }
};

// A game three routines deep, waiting for a click inside a \for loop, with
// variables of every kind in the game, local and system stores.
const char* const kGame =
    "@@main\n\\gvar,int,n,grid[2,2]\\gvar,str,name\\svar,int,plays\n"
    "\\cal,n=1,grid[1,1]=7,name=\"moon\",plays=plays+1\n\\sub,@@outer,,5\n\\cal,n=100\n\\clk\n"
    "@@outer\n\\var,int,depth\\cal,depth=ParamInt[0]\n\\sub,@@inner\n\\ret\n"
    "@@inner\n\\var,str,local\\cal,local=\"in\"\n"
    "\\for,n=1,n<4,n++\n\\clk\n\\cal,name=name+local\n\\end\n\\ret\n";

class ZanScriptSaveTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        files = platform::CreateNativeFileSystem(dir.Str(), platform::ReplaceFault::None);
        files->MakeFolders("SaveData");
        source.Put("game.s", kGame);
    }
    std::unique_ptr<TZanScript> Start(platform::FileSystem* fs = nullptr)
    {
        auto s = std::make_unique<TZanScript>("GameThread", &source, &host, &objects);
        TZanScriptServices services;
        services.Input = &input;
        services.Files = fs ? fs : files.get();
        services.ShowMessage = [this](std::string_view key) { messages.emplace_back(key); };
        services.Now = [] { return 46000.5; };
        EXPECT_TRUE(s->Initialize(nullptr, services));
        return s;
    }
    void Run(TZanScript& s, int frames = 1)
    {
        for (int i = 0; i < frames; ++i) s.Tick(16, true, true);
    }
    // Plays until the first click of the loop: three routines, a \for block.
    std::unique_ptr<TZanScript> PlayToTheLoop()
    {
        auto s = Start();
        s->ExecuteLine(R"(\go,@@main,"game.s")");
        Run(*s);
        input.pending = 1;
        Run(*s, 2);
        EXPECT_TRUE(host.errors.empty()) << host.errors.front();
        EXPECT_EQ(s->Thread().Count(), 3);
        return s;
    }
    std::string Str(TZanScript& s, std::string_view e) { return s.Evaluate(e).Text; }
    int32_t Int(TZanScript& s, std::string_view e) { return s.Evaluate(e).Number; }

    TempDir dir;
    std::unique_ptr<platform::FileSystem> files;
    MapSource source;
    Host host;
    TNullScriptObjects objects;
    Clicks input;
    std::vector<std::string> messages;
};

// After loading, the game goes on exactly where the saved one was.
void ExpectResumesInTheLoop(ZanScriptSaveTest& t, TZanScript& s, Clicks& input)
{
    EXPECT_EQ(s.Thread().Count(), 3);
    EXPECT_EQ(t.Str(s, "name"), "moonin");
    EXPECT_EQ(t.Int(s, "grid[1,1]"), 7);
    EXPECT_EQ(t.Str(s, "local"), "in") << "the innermost routine's locals are back";
    input.pending = 2;
    t.Run(s, 4);
    EXPECT_EQ(t.Str(s, "name"), "mooninin" "in");
    EXPECT_EQ(s.Thread().Count(), 1) << "both \\ret ran";
    EXPECT_EQ(t.Int(s, "n"), 100);
}

TEST_F(ZanScriptSaveTest, FileRoundTripResumesTheCallStackBlocksAndPosition)
{
    for (const bool compress : {true, false}) {
        auto saved = PlayToTheLoop();
        saved->Reader().AddReplacement("moon", "tsuki", 0);
        saved->SaveDescriptions()[0] = "chapter one";
        ASSERT_TRUE(saved->SaveGame("SaveData1.svd", compress));

        TZanSaveData header(52046);
        ASSERT_TRUE(header.ReadFromFile(*files, "SaveData\\SaveData1.svd", false, true));
        EXPECT_TRUE(header.Scrambled()) << "always scrambled";
        EXPECT_EQ(header.Compressed(), compress);
        EXPECT_EQ(header.Description(0), "chapter one");
        EXPECT_DOUBLE_EQ(header.Date(), 46000.5);

        auto loaded = Start();
        ASSERT_TRUE(loaded->LoadGame("SaveData1.svd"));
        EXPECT_TRUE(messages.empty());
        ASSERT_EQ(loaded->Reader().Replacements().size(), 1u);
        EXPECT_EQ(loaded->SaveDescriptions()[0], "chapter one");
        ExpectResumesInTheLoop(*this, *loaded, input);
        EXPECT_EQ(Int(*loaded, "plays"), compress ? 1 : 2) << "the system store comes from SystemData.dat";
    }
}

TEST_F(ZanScriptSaveTest, MemorySlotsCarryWholeGames)
{
    auto s = PlayToTheLoop();
    TMemoryStream slot;
    ASSERT_TRUE(s->SaveGameToStream(slot, true));
    s->MemorySlots().Store("Before", slot.Bytes());
    input.pending = 5;
    Run(*s, 6);
    ASSERT_EQ(s->Thread().Count(), 1);
    ASSERT_TRUE(s->SaveGame("AfterSlot.svd"));

    auto other = Start();
    ASSERT_TRUE(other->LoadGame("AfterSlot.svd"));
    ASSERT_EQ(other->MemorySlots().Count(), 1) << "the slots travel inside the save";
    TMemoryStream back(other->MemorySlots().Item(0)->Bytes);
    ASSERT_TRUE(other->LoadGameFromStream(back));
    ExpectResumesInTheLoop(*this, *other, input);
}

TEST_F(ZanScriptSaveTest, AFailedWriteLeavesTheOldSaveAndSystemDataUntouched)
{
    auto s = PlayToTheLoop();
    ASSERT_TRUE(s->SaveGame("SaveData1.svd"));
    const std::string oldSave = dir.Read("SaveData/SaveData1.svd");
    const std::string oldSystem = dir.Read("SaveData/SystemData.dat");
    for (const auto fault : {platform::ReplaceFault::Create, platform::ReplaceFault::Write,
                             platform::ReplaceFault::Flush, platform::ReplaceFault::Rename}) {
        auto failing = platform::CreateNativeFileSystem(dir.Str(), fault);
        auto t = Start(failing.get());
        t->ExecuteLine(R"(\go,@@main,"game.s")");
        Run(*t);
        EXPECT_FALSE(t->SaveGame("SaveData1.svd"));
        EXPECT_EQ(dir.Read("SaveData/SaveData1.svd"), oldSave);
        EXPECT_EQ(dir.Read("SaveData/SystemData.dat"), oldSystem);
        t.reset(); // the destructor's system data write fails as well
        EXPECT_EQ(dir.Read("SaveData/SystemData.dat"), oldSystem);
    }
    EXPECT_TRUE(messages.empty()) << "script saves answer failure without a message";
}

// A body that passes the checksum but ends after the call stack.
TEST_F(ZanScriptSaveTest, ATruncatedBodyChangesNothingAndSaysSo)
{
    auto s = PlayToTheLoop();
    TMemoryStream good;
    ASSERT_TRUE(s->SaveGameToStream(good, false));
    good.Seek(0);
    TZanSaveData save(52046);
    ASSERT_TRUE(save.ReadFromStream(good, false, true));
    TMemoryStream body = save.TakeBody();
    s->Thread().LoadFromStream(body); // walk past the call stack
    std::vector<uint8_t> cut(body.Bytes().begin(), body.Bytes().begin() + static_cast<std::ptrdiff_t>(body.Position()));
    save.SetBody(std::move(cut));
    TMemoryStream bad;
    ASSERT_TRUE(save.WriteToStream(bad, true, true));

    auto running = PlayToTheLoop();
    running->ExecuteLine("\\cal,name=\"changed\"");
    bad.Seek(0);
    messages.clear();
    EXPECT_FALSE(running->LoadGameFromStream(bad));
    EXPECT_EQ(messages, (std::vector<std::string>{"ReadSaveFileError"}));
    EXPECT_EQ(Str(*running, "name"), "changed");
    EXPECT_EQ(running->Thread().Count(), 3);
    EXPECT_EQ(running->Reader().CurrentFileName(), "game.s");
    input.pending = 1;
    Run(*running, 2);
    EXPECT_EQ(Str(*running, "name"), "changedin") << "the position is unchanged";

    TMemoryStream foreign(std::string_view("not a save at all"));
    EXPECT_FALSE(running->LoadGameFromStream(foreign));
    EXPECT_EQ(messages.size(), 2u);
}

// Bodies of format level 3 end before the eight description texts; the
// first four come from the interpreter block's old fields.
TEST_F(ZanScriptSaveTest, ALevelThreeBodyTakesItsDescriptionsFromTheBlock)
{
    auto s = Start();
    s->ExecuteLine(R"(\go,@@main,"game.s")");
    for (std::string& text : s->SaveDescriptions()) text = "new";
    s->Block().Reset();
    TMemoryStream file;
    ASSERT_TRUE(s->SaveGameToStream(file, false));
    file.Seek(0);
    TZanSaveData save(52046);
    ASSERT_TRUE(save.ReadFromStream(file, false, true));
    std::vector<uint8_t> body(save.Body().begin(), save.Body().end());

    // From the end: 8 descriptions of "new" (5 bytes each), no memory slots
    // (4), the Flash state, the file-log filter, the suppression flag and an
    // empty frame event label come after the block.
    const size_t tail = 8 * 5 + 4 + 2198 + 4097 + 1 + 2;
    ASSERT_GT(body.size(), tail + TZanInterpreterBlock::Size);
    const size_t block = body.size() - tail - TZanInterpreterBlock::Size;
    ASSERT_EQ(body[block + 944], 4) << "the format level";
    body[block + 944] = 3;
    const std::string old[4] = {"one", "two", "three", "four"};
    for (size_t i = 0; i < 4; ++i) {
        body[block + 21 + i * 64] = static_cast<uint8_t>(old[i].size());
        std::copy(old[i].begin(), old[i].end(), body.begin() + static_cast<std::ptrdiff_t>(block + 22 + i * 64));
    }
    body.resize(body.size() - 8 * 5);
    save.SetBody(std::move(body));
    TMemoryStream level3;
    ASSERT_TRUE(save.WriteToStream(level3, true, true));
    level3.Seek(0);
    ASSERT_TRUE(s->LoadGameFromStream(level3));
    const TSaveDescriptions& d = s->SaveDescriptions();
    EXPECT_EQ(std::vector<std::string>(d.begin(), d.end()),
              (std::vector<std::string>{"one", "two", "three", "four", "", "", "", ""}));
}

TEST_F(ZanScriptSaveTest, SaveFileHelpers)
{
    auto s = Start();
    EXPECT_FALSE(s->SaveFileExists("a.svd"));
    ASSERT_TRUE(s->SaveGame("a.svd"));
    EXPECT_TRUE(s->SaveFileExists("A.SVD"));
    EXPECT_TRUE(s->CopySaveFile("a.svd", "b.svd"));
    EXPECT_EQ(dir.Read("SaveData/b.svd"), dir.Read("SaveData/a.svd"));
    EXPECT_TRUE(s->DeleteSaveFile("a.svd"));
    EXPECT_FALSE(s->SaveFileExists("a.svd"));
    EXPECT_FALSE(s->DeleteSaveFile("a.svd"));
}

} // namespace
} // namespace tsukimi::testing
