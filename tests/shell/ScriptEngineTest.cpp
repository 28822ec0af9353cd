// The engine with its real interpreters: scripts packed into the game data
// run on the game thread frame by frame, wait for input, report errors to
// the debugger overlay, and share the system store with the system thread.
#include "script/InterpreterMessages.h"
#include "script/ZanScript.h"
#include "platform/FileSystem.h"
#include "support/EngineFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace tsukimi {
namespace {

using testing::EngineFixture;

const char kGameDat[] = "GameTitle=Scripts\r\nScreenWidth=64\r\nScreenHeight=48\r\n";

class ScriptEngineTest : public ::testing::Test
{
protected:
    void Boot(const std::string& startup, const std::string& sysStartup = "@@none\r\n",
              const std::string& gameDat = kGameDat)
    {
        f.WritePack({{"system\\etc\\game.dat", gameDat},
                     {"startup.s", startup},
                     {"sysstartup.s", sysStartup},
                     {"system\\quicksaveload\\layout.dat", ""},
                     {"system\\etc\\message.txt", "WriteSaveFileError=The game could not be saved.\r\n"}});
        f.RecreateForm();
        f.form->AppIdle();
        ASSERT_EQ(f.form->BootState(), 1u);
    }
    TZanScript& Game() { return dynamic_cast<TZanScript&>(f.Engine().GameScript()); }
    TZanScript& System() { return dynamic_cast<TZanScript&>(f.Engine().SystemScript()); }
    int32_t Int(std::string_view expression) { return Game().Evaluate(expression).Number; }
    void Click(int x = 10, int y = 10)
    {
        platform::Event down;
        down.kind = platform::EventKind::MouseDown;
        down.x = x;
        down.y = y;
        platform::Event up = down;
        up.kind = platform::EventKind::MouseUp;
        f.Window().Inject(down);
        f.Window().Inject(up);
    }
    // A frame of the message loop: window events, then the idle handler.
    void Frames(int count)
    {
        for (int i = 0; i < count; ++i) {
            for (const auto& event : f.Window().PollEvents()) f.form->Dispatch(event);
            f.form->AppIdle();
        }
    }

    EngineFixture f;
};

TEST_F(ScriptEngineTest, StartUpRunsFromTopAndWaitsForClicks)
{
    Boot("@@reset\r\n\\go,@@top\r\n@@top\r\n\\gvar,int,n,at\r\n@@loop\r\n\\clk\r\n"
         "\\cal,n=n+1,at=ResultClkInt\r\n\\jmp,@@loop\r\n");
    Frames(5);
    EXPECT_EQ(Int("n"), 0) << "the click wait holds";
    EXPECT_TRUE(f.Engine().ScriptErrors().empty()) << f.Engine().ScriptErrors().front();
    Click();
    Frames(3);
    EXPECT_EQ(Int("n"), 1);
    Click();
    Frames(3);
    EXPECT_EQ(Int("n"), 2);
    EXPECT_EQ(f.Engine().DebugState(), 0);
}

TEST_F(ScriptEngineTest, AnErrorStopsTheFrameAndShowsTheDebugger)
{
    Boot("@@reset\r\n@@top\r\n\\gvar,int,n\r\n\\cal,n=1\r\n\\cal,(1+\r\n\\cal,n=2\r\n\\clk\r\n");
    Frames(3);
    EXPECT_EQ(f.Engine().DebugState(), 3);
    ASSERT_FALSE(f.Engine().ScriptErrors().empty());
    const auto& errors = f.Engine().ScriptErrors();
    EXPECT_TRUE(std::any_of(errors.begin(), errors.end(), [](const std::string& line) {
        return line.find(interpreter_messages::CalcFailed) != std::string::npos;
    })) << errors.front();
    EXPECT_EQ(Int("n"), 1) << "nothing after the failing command ran";
}

TEST_F(ScriptEngineTest, AMissingResetLabelIsReportedAtStart)
{
    Boot("@@top\r\n\\clk\r\n");
    Frames(2);
    EXPECT_EQ(f.Engine().DebugState(), 3);
}

TEST_F(ScriptEngineTest, SystemThreadSharesTheSystemStore)
{
    Boot("@@reset\r\n@@top\r\n\\svar,int,shared\r\n\\gvar,int,seen\r\n\\cal,shared=7\r\n"
         "@@wait\r\n\\clk\r\n\\cal,seen=shared\r\n\\jmp,@@wait\r\n",
         "@@menu\r\n\\cal,shared=shared*6\r\n\\clk\r\n");
    Frames(2);
    f.Engine().CallSystemLabel("@@menu");
    Frames(2);
    EXPECT_EQ(System().Evaluate("shared").Number, 42);
    EXPECT_EQ(f.Engine().Mode(), 6);
    f.Engine().ReturnToGame();
    Click();
    Frames(3);
    EXPECT_EQ(Int("seen"), 42);
    EXPECT_EQ(f.Engine().Mode(), 5);
}

TEST_F(ScriptEngineTest, QuickSavesFillTheSlotsThenReuseTheOldest)
{
    Boot("@@reset\r\n@@top\r\n\\gvar,int,n\r\n@@loop\r\n\\clk\r\n\\cal,n=n+1\r\n\\jmp,@@loop\r\n", "@@none\r\n",
         std::string(kGameDat) + "QuickSaveCount=2\r\n");
    Frames(2);
    f.Engine().QuickSave();
    Click();
    Frames(2);
    f.Engine().QuickSave();
    EXPECT_TRUE(std::filesystem::exists(f.dir.Path() / "SaveData/QuickSaveData0.svd"));
    EXPECT_TRUE(std::filesystem::exists(f.dir.Path() / "SaveData/QuickSaveData1.svd"));
    const std::string first = f.dir.Read("SaveData/QuickSaveData0.svd");
    Click();
    Frames(2);
    f.Engine().QuickSave();
    EXPECT_NE(f.dir.Read("SaveData/QuickSaveData0.svd"), first) << "all slots taken: the oldest is reused";
    EXPECT_FALSE(std::filesystem::exists(f.dir.Path() / "SaveData/QuickSaveData2.svd"));
    EXPECT_TRUE(f.Dialogs().History().empty());

    ASSERT_TRUE(Game().LoadGame("QuickSaveData1.svd"));
    EXPECT_EQ(Int("n"), 1);
}

TEST_F(ScriptEngineTest, AFailedQuickSaveTellsThePlayer)
{
    f.dir.Write("SaveData/QuickSaveData0.svd", "old");
    f.platform->files = platform::CreateNativeFileSystem(f.dir.Str(), platform::ReplaceFault::Rename);
    Boot("@@reset\r\n@@top\r\n\\clk\r\n", "@@none\r\n", std::string(kGameDat) + "QuickSaveCount=1\r\n");
    Frames(2);
    f.Engine().QuickSave();
    ASSERT_EQ(f.Dialogs().History().size(), 1u);
    EXPECT_EQ(f.Dialogs().History()[0].text, "The game could not be saved.");
    EXPECT_EQ(f.dir.Read("SaveData/QuickSaveData0.svd"), "old");
}

} // namespace
} // namespace tsukimi
