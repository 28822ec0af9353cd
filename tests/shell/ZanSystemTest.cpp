#include "shell/ZanSystem.h"

#include "support/EngineFixture.h"

#include <gtest/gtest.h>

#include <set>

namespace tsukimi {
namespace {

using testing::EngineFixture;

uint32_t TickLength(EngineFixture& f)
{
    const uint32_t before = f.Clock().Now();
    f.Ticks(1);
    return f.Clock().Now() - before;
}

TEST(ZanSystemTick, PacesOnTheVirtualClock)
{
    struct Case
    {
        int limit, decay;
        bool focused;
        uint32_t expected;
    } cases[] = {{0, 100, true, 200}, {1, 100, true, 200}, {500, 100, true, 10}, {60, 50, false, 33}};
    for (const auto& c : cases) {
        EngineFixture f;
        f.Boot([&](TSystemData& s) {
            s.User.FPSLimit = c.limit;
            s.User.FPSDeactiveDecay = c.decay;
        });
        f.Window().SetFocused(c.focused);
        f.Ticks(2);
        EXPECT_EQ(TickLength(f), c.expected) << "limit " << c.limit;
    }
}

TEST(ZanSystemTick, SkipAndNoWaitFlagsAndTheDebuggerShortenOrStretchFrames)
{
    EngineFixture f;
    f.Boot();
    f.Ticks(2);
    f.form->Settings().SkipFlag = 1;
    f.Ticks(1);
    EXPECT_EQ(TickLength(f), 10u);
    f.form->Settings().NoWaitFlag = 1;
    f.Ticks(1);
    EXPECT_EQ(TickLength(f), 1u);
    f.Engine().SetDebugState(1);
    f.Ticks(1);
    EXPECT_EQ(TickLength(f), 100u);
}

TEST(ZanSystemTick, ScriptFrameSkipGivesInputOnEveryNPlusOnethFrameAtMostTenth)
{
    for (auto [n, frames, withInput] : {std::tuple{1, 20, 10}, {20, 30, 3}, {0, 7, 7}}) {
        EngineFixture f;
        f.Boot([n](TSystemData& s) { s.User.ScriptFrameSkip = n; });
        const uint64_t steps0 = f.game->Steps(), input0 = f.game->StepsWithInput();
        f.Ticks(frames);
        EXPECT_EQ(f.game->Steps() - steps0, static_cast<uint64_t>(frames)) << "n=" << n;
        EXPECT_EQ(f.game->StepsWithInput() - input0, static_cast<uint64_t>(withInput)) << "n=" << n;
    }
}

TEST(ZanSystemTick, SkippedFramesStillTakeInputWhileSkipping)
{
    EngineFixture f;
    f.Boot([](TSystemData& s) { s.User.ScriptFrameSkip = 3; });
    f.form->Settings().SkipFlag = 1;
    const uint64_t input0 = f.game->StepsWithInput();
    f.Ticks(8);
    EXPECT_EQ(f.game->StepsWithInput() - input0, 8u);
}

TEST(ZanSystemTitle, ReadOutNeverTrapsAndKeepsCpuWithin0To100)
{
    struct Case
    {
        int limit;
        uint32_t workMs;
        std::string expected; // "" = only the range checks
    } cases[] = {
        {-3, 0, "-3 -3 0"},    {0, 0, "0 0 0"},         {1, 0, "1 1 0"},       {60, 0, "60 60 0"},
        {1000, 0, "100 1000 0"}, {2000, 0, "100 2000 0"}, {2000, 50, "20 2000 100"}, {0, 50, ""},
    };
    for (const auto& c : cases) {
        EngineFixture f;
        f.Boot([&](TSystemData& s) {
            s.User.FPSLimit = c.limit;
            s.Game.FormCaption = "%%%fps %%%LIMIT %%%cpu";
        });
        f.game->OnStep = [&] { f.Clock().Advance(c.workMs); };
        for (int i = 0; i < 300 && f.Engine().Caption().empty(); ++i)
            f.Ticks(1);
        const std::string caption = f.Engine().Caption();
        ASSERT_FALSE(caption.empty()) << "limit " << c.limit;
        EXPECT_EQ(f.Window().Caption(), caption);
        if (!c.expected.empty()) {
            EXPECT_EQ(caption, c.expected) << "limit " << c.limit;
        } else {
            const int cpu = std::stoi(caption.substr(caption.rfind(' ') + 1));
            EXPECT_GE(cpu, 0);
            EXPECT_LE(cpu, 100);
        }
    }
}

TEST(ZanSystemTitle, MinimisedOverrideReplacesTheCaption)
{
    EngineFixture f;
    f.Boot([](TSystemData& s) {
        s.Game.FormCaption = "game %%%fps";
        s.User.MinimizeOverrideTitle = "resting";
    });
    f.Window().Minimise();
    for (int i = 0; i < 20 && f.Engine().Caption().empty(); ++i)
        f.Ticks(1);
    EXPECT_EQ(f.Engine().Caption(), "resting");
}

TEST(ZanSystemRequests, ALabelRunsOnTheSystemThreadExceptForCodes8_23_25)
{
    const std::set<int> defaultOnly = {8, 23, 25};
    for (int code = 1; code <= 25; ++code) {
        EngineFixture f;
        f.Boot();
        f.Ticks(1);
        const size_t before = f.system->Commands().size();
        f.game->RaiseRequest(static_cast<uint8_t>(code | 0x80 * (code % 2)), "@@label");
        f.Ticks(1);
        const bool ranLabel = f.system->Commands().size() > before &&
                              f.system->Commands().back() == "\\go,\"@@label\",\"SysStartUp.s\"";
        EXPECT_EQ(ranLabel, !defaultOnly.count(code)) << "code " << code;
        if (ranLabel) {
            EXPECT_EQ(f.Engine().Mode(), 6) << "code " << code;
        }
    }
}

TEST(ZanSystemRequests, DefaultActionsWithoutLabel)
{
    EngineFixture f;
    f.Boot();
    f.Ticks(1);

    // Menu without a layout falls back to the game's "@@MENU" label.
    f.game->RaiseRequest(4, "");
    f.Ticks(1);
    EXPECT_EQ(f.Engine().Mode(), 7);
    f.Ticks(1);
    EXPECT_EQ(f.Engine().Mode(), 6);
    EXPECT_EQ(f.system->Commands().back(), "\\go,\"@@MENU\",\"SysStartUp.s\"");

    // Back to the game, then a reset into a label of a file.
    f.system->RaiseRequest(23, "ignored");
    f.Ticks(1);
    EXPECT_EQ(f.Engine().Mode(), 5);
    f.game->RaiseRequest(8, "@@chapter2,chapter2.s");
    f.Ticks(1);
    EXPECT_EQ(f.game->Commands().back(), "\\go,\"@@chapter2\",\"chapter2.s\"");
    f.game->RaiseRequest(8, "a,b,c");
    f.Ticks(1);
    EXPECT_EQ(f.game->Commands().back(), "\\go,\"@@reset\",\"startup.s\"");

    // Play mode toggles.
    f.game->RaiseRequest(13, "");
    f.Ticks(1);
    EXPECT_EQ(f.game->PlayMode(), 2);
    f.game->RaiseRequest(13, "");
    f.Ticks(1);
    EXPECT_EQ(f.game->PlayMode(), 0);

    // Stop.
    f.game->RaiseRequest(25, "@@ignored");
    f.Ticks(1);
    EXPECT_EQ(f.Engine().DebugState(), 1);
}

TEST(ZanSystemRequests, QuitRequestClosesTheWindow)
{
    EngineFixture f;
    f.Boot();
    f.Ticks(1);
    f.game->RaiseRequest(2, "");
    f.Ticks(1);
    EXPECT_TRUE(f.form->Closed());
}

TEST(ZanSystemRequests, ExitConfirmationAsksAndAnswersNoStaysInTheGame)
{
    EngineFixture f;
    f.form->Hooks().MessageText = [] { return std::string("EXIT_Text=Quit?\r\nEXIT_Yes=Yes\r\nEXIT_no=No\r\n"); };
    f.Boot();
    f.Ticks(1);
    f.Dialogs().QueueAnswer(1); // "No"
    f.game->RaiseRequest(3, "");
    f.Ticks(2);
    EXPECT_EQ(f.Engine().Mode(), 5);
    ASSERT_FALSE(f.Dialogs().History().empty());
    EXPECT_EQ(f.Dialogs().History().back().text, "Quit?");
    f.game->RaiseRequest(3, "");
    f.Ticks(2); // "Yes" is the first button
    EXPECT_TRUE(f.form->Closed());
}

TEST(ZanSystemErrors, ReportFeedsTheOverlayAndRewritesThenAppendsTheLog)
{
    EngineFixture f;
    f.Boot();
    f.Ticks(1);
    f.Engine().ReportScriptError("first");
    f.Engine().ReportScriptError("second");
    EXPECT_EQ(f.dir.Read("ERRORLOG.txt"), "[ERROR]:first\r\n[ERROR]:second\r\n");
    f.Ticks(1);
    EXPECT_EQ(f.Engine().DebugState(), 3);
    EXPECT_FALSE(f.Engine().ScriptErrorFlag());
    // The stopped engine does not step the script.
    const uint64_t steps = f.game->Steps();
    f.Ticks(3);
    EXPECT_EQ(f.game->Steps(), steps);

    // A reset clears the list; the next first error starts a new log.
    f.Engine().ResetGame();
    EXPECT_EQ(f.Engine().DebugState(), 0);
    EXPECT_TRUE(f.Engine().ScriptErrors().empty());
    f.Engine().ReportScriptError("third");
    EXPECT_EQ(f.dir.Read("ERRORLOG.txt"), "[ERROR]:third\r\n");
}

TEST(ZanSystemErrors, SingleStepRunsOneFrameThenStops)
{
    EngineFixture f;
    f.Boot();
    f.Ticks(1);
    f.Engine().SetDebugState(2);
    const uint64_t steps = f.game->Steps();
    f.Ticks(1);
    EXPECT_EQ(f.game->Steps(), steps + 1);
    EXPECT_EQ(f.Engine().DebugState(), 1);
}

TEST(ZanSystemModes, ModeTicksWrapTo0xFFFF)
{
    EngineFixture f;
    f.Boot();
    f.Engine().SetModeTicks(0xFFFFFFFu);
    f.Ticks(1);
    EXPECT_EQ(f.Engine().ModeTicks(), 0xFFFFu);
}

TEST(ZanSystemModes, StartRunsTopOfStartUpAfterAReset)
{
    EngineFixture f;
    f.Boot();
    const auto& commands = f.game->Commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[commands.size() - 2], "\\go,\"@@reset\",\"startup.s\"");
    EXPECT_EQ(commands.back(), "\\go,\"@@top\",\"StartUp.s\"");
    EXPECT_EQ(f.Engine().Mode(), 5);
}

TEST(ZanSystemPresent, FramesReachThePresenterInTheGameRectangle)
{
    EngineFixture f;
    f.Boot();
    f.game->SetFill(0xFF336699u);
    f.Ticks(1);
    EXPECT_EQ(f.Presenter().Width(), 64);
    EXPECT_EQ(f.Presenter().Pixels().front(), 0xFF336699u);
    EXPECT_EQ(f.Presenter().Destination(), (platform::Rect{0, 0, 64, 48}));
}

TEST(ZanSystemVirtualFiles, ImportReadsDiskFilesAndRendersAlwaysExist)
{
    EngineFixture f;
    f.Boot();
    f.dir.Write("extra/notes.txt", "hello");
    f.dir.Write("SaveData/SaveData1.svd", "x");
    auto& engine = f.Engine();
    EXPECT_TRUE(engine.VirtualFileExists("$$$GameThreadImage,0.bmp"));
    EXPECT_TRUE(engine.VirtualFileExists("$$$saveimage,SaveData1.svd.bmp"));
    EXPECT_FALSE(engine.VirtualFileExists("$$$saveimage,SaveData2.svd.bmp"));
    EXPECT_TRUE(engine.VirtualFileExists("$$$fileimport,extra\\notes.txt"));
    EXPECT_FALSE(engine.VirtualFileExists("$$$fileimport,extra\\missing.txt"));
    const auto bytes = engine.VirtualFileLoad("$$$fileimport,extra\\notes.txt");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "hello");
    EXPECT_FALSE(engine.VirtualFileExists("plain.txt"));
}

} // namespace
} // namespace tsukimi
