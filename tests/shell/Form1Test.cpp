#include "shell/Form1.h"

#include "shell/TaskTray.h"
#include "support/EngineFixture.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

using testing::EngineFixture;

// "起動に必要なパッケージデータがみつかりません。" begins with these bytes.
constexpr char kPackageTextStart[] = "\x8b\x4e\x93\xae\x82\xc9\x95\x4b\x97\x76";

TEST(Form1Boot, FailuresShowTheirDialogAndEndWithStatus1)
{
    struct Case
    {
        const char* name;
        std::function<void(EngineFixture&)> inject;
        std::string expectedText; // empty: no dialog
    } cases[] = {
        {"no packs", [](EngineFixture& f) { f.form->Hooks().OpenGameData = [] { return false; }; },
         kPackageTextStart},
        {"no MMX", [](EngineFixture& f) { f.form->Hooks().ProcessorCheck = [] { return false; }; },
         "\x82\xb1\x82\xcc"},
        {"no game definition", [](EngineFixture& f) { f.form->Hooks().LoadGameDefinition = [] { return false; }; },
         "\x83\x47\x83\x93"},
    };
    for (const auto& c : cases) {
        EngineFixture f;
        c.inject(f);
        EXPECT_EQ(f.form->Run(), 1) << c.name;
        ASSERT_EQ(f.Dialogs().History().size(), 1u) << c.name;
        const auto& shown = f.Dialogs().History().front();
        EXPECT_EQ(shown.text.rfind(c.expectedText, 0), 0u) << c.name;
        EXPECT_EQ(shown.buttons, std::vector<std::string>{"OK"}) << c.name;
        EXPECT_EQ(f.form->System(), nullptr) << c.name;
    }
}

TEST(Form1Boot, PackageTextBreaksItsLineAndTheCaptionNamesTheEngine)
{
    EngineFixture f;
    f.form->Hooks().OpenGameData = [] { return false; };
    f.form->Run();
    const auto& shown = f.Dialogs().History().front();
    EXPECT_NE(shown.text.find("\r\n"), std::string::npos);
    EXPECT_EQ(shown.text.find("%%%n"), std::string::npos);
    EXPECT_EQ(shown.caption, "Tsukimi");
}

TEST(Form1Boot, KeyedFailureUsesTheMessageTableAndIsSilentWithoutTheKey)
{
    auto failingSetup = [](EngineFixture& f) {
        TZanSystemParts parts;
        parts.Scripts = [](const std::string&, TZanScriptInterface*, TZanScriptHost&) {
            return std::unique_ptr<TZanScriptInterface>();
        };
        f.form = std::make_unique<TForm1>(*f.platform, parts);
        f.form->Hooks().OpenGameData = [] { return true; };
        f.form->Hooks().LoadGameDefinition = [] { return true; };
    };
    {
        EngineFixture f;
        failingSetup(f);
        f.form->Hooks().MessageText = [] { return std::string("ok=Close\nEngineSetupERROR=Setup failed%%%nSorry"); };
        EXPECT_EQ(f.form->Run(), 1);
        ASSERT_EQ(f.Dialogs().History().size(), 1u);
        EXPECT_EQ(f.Dialogs().History()[0].text, "Setup failed\r\nSorry");
        EXPECT_EQ(f.Dialogs().History()[0].buttons, std::vector<std::string>{"Close"});
    }
    {
        EngineFixture f;
        failingSetup(f);
        EXPECT_EQ(f.form->Run(), 1);
        EXPECT_TRUE(f.Dialogs().History().empty());
    }
}

TEST(Form1Boot, SizesAndCentresTheWindowAndStartsTheGame)
{
    EngineFixture f;
    f.Boot([](TSystemData& s) { s.Game.GameTitle = "Moon"; });
    EXPECT_EQ(f.form->BootState(), 1u);
    EXPECT_EQ(f.Window().ClientSize(), (platform::Size{64, 48}));
    EXPECT_EQ(f.Window().Left(), (1920 - 64) / 2);
    EXPECT_EQ(f.Window().Top(), (1080 - 48) / 2);
    EXPECT_TRUE(f.Window().IsShowing());
    EXPECT_EQ(f.Window().Caption(), "Moon");
    EXPECT_EQ(f.Engine().Mode(), 5);
}

TEST(Form1Close, ExitDialogAnswersQuitTitleAndCancel)
{
    const char* table = "APPCLOSE_Text=Leave?\nAPPCLOSE_Exit=Quit\nAPPCLOSE_Reset=Title\nAPPCLOSE_Cancel=Stay\n";
    EngineFixture f;
    f.form->Hooks().MessageText = [table] { return std::string(table); };
    f.Boot();
    const int resets = f.game->Resets();
    f.Dialogs().QueueAnswer(2); // cancel
    EXPECT_FALSE(f.form->Close());
    f.Dialogs().QueueAnswer(1); // back to the title
    EXPECT_FALSE(f.form->Close());
    EXPECT_EQ(f.game->Resets(), resets + 1);
    EXPECT_EQ(f.Dialogs().History().back().buttons, (std::vector<std::string>{"Quit", "Title", "Stay"}));
    EXPECT_TRUE(f.form->Close()); // the first button quits
}

TEST(Form1Close, WithoutTheTextQuittingNeedsNoConfirmation)
{
    EngineFixture f;
    f.Boot();
    EXPECT_TRUE(f.form->Close());
    EXPECT_TRUE(f.Dialogs().History().empty());
}

TEST(Form1Close, CloseLabelRunsOnTheSystemThreadInstead)
{
    EngineFixture f;
    f.Boot([](TSystemData& s) { s.Game.FormCloseEventLabel = "@@closing"; });
    EXPECT_FALSE(f.form->Close());
    EXPECT_EQ(f.Engine().Mode(), 6);
    EXPECT_EQ(f.system->Commands().back(), "\\go,\"@@closing\",\"SysStartUp.s\"");
}

TEST(Form1Close, FreeLabelJumpsThereFirstThenCloses)
{
    EngineFixture f;
    f.Boot([](TSystemData& s) { s.Game.FormFreeEventLabel = "@@bye"; });
    EXPECT_FALSE(f.form->Close());
    EXPECT_EQ(f.game->Commands().back(), "\\go,\"@@bye\",\"Startup.s\"");
    EXPECT_TRUE(f.form->Close());
}

TEST(Form1Run, FramesOptionClosesWithoutAskingAndShutsDown)
{
    EngineFixture f;
    f.form->Hooks().MessageText = [] { return std::string("APPCLOSE_Text=Leave?\n"); };
    bool wrote = false;
    f.form->Hooks().WriteUserSettings = [&] { wrote = true; };
    f.form->Hooks().LoadGameDefinition = [&] {
        f.form->Settings().Game.ScreenWidth = 64;
        f.form->Settings().Game.ScreenHeight = 48;
        return true;
    };
    TRunOptions options;
    options.Frames = 5;
    options.KeepFrames = true;
    EXPECT_EQ(f.form->Run(options), 0);
    EXPECT_TRUE(f.Dialogs().History().empty());
    EXPECT_TRUE(wrote);
    EXPECT_EQ(f.form->System(), nullptr);
    EXPECT_EQ(f.form->LastSize(), (platform::Size{64, 48}));
}

TEST(Form1Run, ScriptedInputReachesTheEngineAtItsFrame)
{
    EngineFixture f;
    f.form->Hooks().LoadGameDefinition = [&] {
        f.form->Settings().Game.ScreenWidth = 64;
        f.form->Settings().Game.ScreenHeight = 48;
        f.form->Settings().User.ScriptFrameSkip = 0;
        return true;
    };
    TRunOptions options;
    std::string error;
    ASSERT_TRUE(options.Input.Parse("3 click 10 20\n6 close\n", &error)) << error;
    int clicksSeen = 0;
    uint64_t frameOfClick = 0, steps = 0;
    options.Frames = 100;
    // Watch the input from the script's step.
    f.Boot([](TSystemData& s) { s.User.ScriptFrameSkip = 0; });
    f.game->OnStep = [&] {
        steps = f.game->Steps();
        if (f.Engine().Input().Clicks(platform::MouseButton::Left) > 0) {
            ++clicksSeen;
            frameOfClick = f.game->Steps();
        }
    };
    EXPECT_EQ(f.form->Run(options), 0);
    EXPECT_EQ(clicksSeen, 1);
    EXPECT_GT(frameOfClick, 0u);
    EXPECT_LT(steps, 20u); // the "close" at frame 6 ended the run (the scripts are gone now)
}

TEST(Form1Activity, DeactiveSystemStopPausesWhileInactive)
{
    EngineFixture f;
    f.Boot([](TSystemData& s) { s.User.DeactiveSystemStop = 1; });
    f.Ticks(1);
    f.Window().SetFocused(false);
    f.Ticks(1);
    EXPECT_FALSE(f.Engine().Running());
    const uint64_t steps = f.game->Steps();
    f.Ticks(2);
    EXPECT_EQ(f.game->Steps(), steps);
    f.Window().SetFocused(true);
    f.Ticks(1);
    EXPECT_TRUE(f.Engine().Running());
}

TEST(Form1Activity, MinimiseStopAndMinimiseLabels)
{
    EngineFixture f;
    f.Boot([](TSystemData& s) {
        s.Game.MinimizeSystemStop = 1;
        s.Game.FormMinimizeEnableEventLabel = "@@min";
    });
    f.Window().Minimise();
    for (int i = 0; i < 30; ++i)
        f.Ticks(1);
    EXPECT_FALSE(f.Engine().Running());
    EXPECT_EQ(f.system->Commands().back(), "\\go,\"@@min\",\"SysStartUp.s\"");
}

class RecordingTray final : public TTrayBackend
{
public:
    explicit RecordingTray(std::string& log) : log_(log) {}
    void AddIcon() override { log_ += "add "; }
    void RemoveIcon() override { log_ += "remove "; }
    void HideAppWindow() override { log_ += "hide "; }
    void ShowAppWindow() override { log_ += "show "; }

private:
    std::string& log_;
};

TEST(TaskTray, ModeTable)
{
    struct Case
    {
        uint8_t mode;
        const char *setMode, *minimise, *restore;
    } cases[] = {
        {0, "", "", "show "},
        {1, "show add ", "", "show "},
        {2, "show add ", "hide ", "show "},
        {3, "show ", "add hide ", "show remove "},
        {4, "", "", ""},
    };
    for (const auto& c : cases) {
        std::string log;
        TTaskTray tray(std::make_unique<RecordingTray>(log));
        tray.Poll(false); // the first report settles the state
        log.clear();
        tray.SetMode(c.mode);
        EXPECT_EQ(log, c.setMode) << "mode " << int(c.mode);
        log.clear();
        tray.Poll(true);
        EXPECT_EQ(log, c.minimise) << "mode " << int(c.mode);
        log.clear();
        tray.Poll(false);
        EXPECT_EQ(log, c.restore) << "mode " << int(c.mode);
        log.clear();
        tray.SetMode(c.mode);
        EXPECT_EQ(log, "") << "an unchanged mode does nothing";
    }
}

TEST(Form1Keys, TheWindowNeverActsOnF10AltOrTheWindowsKeys)
{
    for (int key : {121, 18, 91, 92, 93})
        EXPECT_EQ(FilterWindowKey(key), 0);
    EXPECT_EQ(FilterWindowKey(13), 13);
}

} // namespace
} // namespace tsukimi
