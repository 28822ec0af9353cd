#include "script/ZanScript.h"
#include "ScriptFakes.h"
#include "script/InterpreterMessages.h"
#include "script/ScriptFormat.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <set>

namespace tsukimi::testing {
namespace {

namespace msg = interpreter_messages;

class RecordingHost : public TZanScriptHost
{
public:
    std::vector<std::string> errors;
    void ReportScriptError(std::string_view message) override { errors.emplace_back(message); }
    bool Has(std::string_view text) const
    {
        return std::find(errors.begin(), errors.end(), text) != errors.end();
    }
};

// Objects by name; each knows the commands listed for it.
class RecordingObjects : public TScriptObjects
{
public:
    std::map<std::string, std::vector<uint32_t>> known;
    std::vector<std::string> received;
    int channels = 0; // every channel of the bank plays
    int messageState = 0;
    int SoundChannelCount() const override { return channels; }
    bool SoundPlaying(int) const override { return true; }
    int MessageWaitState() const override { return messageState; }
    TDispatchResult Dispatch(std::string_view target, uint32_t code,
                             const std::vector<std::string>&, std::string& kind) override
    {
        const auto it = known.find(std::string(target));
        if (it == known.end()) return TDispatchResult::NotFound;
        kind = "img";
        const auto& codes = it->second;
        if (std::find(codes.begin(), codes.end(), code) == codes.end())
            return TDispatchResult::UnknownCommand;
        received.emplace_back(target);
        return TDispatchResult::Handled;
    }
};

class QueueInput : public TScriptInputSource
{
public:
    std::deque<TInputAction> actions;
    TInputAction NextAction() override
    {
        if (actions.empty()) return {};
        TInputAction action = actions.front();
        actions.pop_front();
        return action;
    }
};

class SetReadLog : public TScriptReadLog
{
public:
    std::set<std::string> read;
    bool RecordLine(std::string_view key, int offset) override
    {
        return read.insert(std::string(key) + "#" + std::to_string(offset)).second;
    }
    bool IsRead(std::string_view key, int offset) const override
    {
        return read.count(std::string(key) + "#" + std::to_string(offset)) != 0;
    }
};

class ZanScriptTest : public ::testing::Test
{
protected:
    // Loads `text` as "test.s" (after `prelude` lines run) and jumps to @@main.
    void Load(const std::string& text, const std::string& prelude = {})
    {
        source.Put("test.s", text);
        script = std::make_unique<TZanScript>("GameThread", &source, &host, &objects);
        TZanScriptServices services;
        services.Input = &input;
        services.ReadLog = readLog;
        ASSERT_TRUE(script->Initialize(nullptr, services));
        script->ExecuteText("\\gvar,int,n,i,k,d,f\\gvar,str,r,t" + prelude);
        script->ExecuteLine(R"(\go,@@main,"test.s")");
        ASSERT_TRUE(host.errors.empty()) << host.errors.front();
    }
    void Tick(uint32_t ms = 16, int frames = 1)
    {
        for (int i = 0; i < frames; ++i)
            script->Tick(ms, true, true);
    }
    void Click() { input.actions.push_back({1, 5, 5, {}, {}}); }
    int32_t Int(std::string_view expression) { return script->Evaluate(expression).Number; }
    std::string Str(std::string_view expression) { return script->Evaluate(expression).Text; }
    uint8_t Waiting() { return script->CurrentRoutine().WaitState; }

    MapSource source;
    RecordingHost host;
    RecordingObjects objects;
    QueueInput input;
    TScriptReadLog* readLog = nullptr;
    std::unique_ptr<TZanScript> script;
};

TEST(ZanScriptCode, PacksUpToFourLowerCaseBytes)
{
    EXPECT_EQ(TZanScript::CommandCode("\\if"), 0x6669u);
    EXPECT_EQ(TZanScript::CommandCode("\\IF"), 0x6669u);
    EXPECT_EQ(TZanScript::CommandCode("\\sub"), 0x627573u);
    EXPECT_EQ(TZanScript::CommandCode("\\subr"), 0x72627573u);
    EXPECT_EQ(TZanScript::CommandCode("\\subroutine"), 0x72627573u);
    EXPECT_EQ(TZanScript::CommandCode("if"), 0u);
    EXPECT_EQ(TZanScript::CommandCode("@@main"), 0u);
    EXPECT_EQ(TZanScript::CommandCode("\\"), 0u);
}

TEST_F(ZanScriptTest, WaitRunsOutInGameTimeAndIgnoresClicks)
{
    Load("@@main\n\\wait,0\n\\cal,n=1\n\\wait,500\n\\cal,n=2\n\\clk");
    Tick(0);
    EXPECT_EQ(Int("n"), 1);
    EXPECT_EQ(Waiting(), 3);
    Click();
    Tick(200);
    EXPECT_EQ(Int("n"), 1);
    Tick(300);
    EXPECT_EQ(Int("n"), 2);
}

TEST_F(ZanScriptTest, FrameControlsAndHeldTime)
{
    Load("@@main\n\\draw,2\n\\cal,n=1\n\\skip,400\n\\wait,500\n\\cal,n=2\n"
         "\\zero\n\\wait,100\n\\cal,n=3\n\\wait,300\n\\cal,n=4\n\\clk");
    Tick(0, 2);
    EXPECT_EQ(Int("n"), 0) << "\\draw pauses two frames";
    Tick(0);
    EXPECT_EQ(Int("n"), 1);
    Tick(100);
    EXPECT_EQ(Int("n"), 2) << "\\skip adds its time to the next frame";
    Tick(100);
    EXPECT_EQ(Int("n"), 2) << "\\zero drops the next frame's time";
    Tick(100);
    EXPECT_EQ(Int("n"), 3);
    script->Tick(200, true, false);
    EXPECT_EQ(Int("n"), 3);
    Tick(100);
    EXPECT_EQ(Int("n"), 4) << "time of a frame without script is held for the next";
    EXPECT_EQ(script->Clock, 600) << "\\zero keeps the clock running";

    script->Reset();
    EXPECT_EQ(script->Thread().Count(), 1);
    EXPECT_EQ(script->CurrentRoutine().Count(), 1);
    EXPECT_EQ(script->CurrentRoutine().Item(0)->BlockState, 1);
    EXPECT_EQ(script->Clock, 0);
    EXPECT_EQ(script->LockFlags, 0x0FFFFFFFu);
    EXPECT_EQ(script->Evaluate("n").Kind, TValueKind::Invalid) << "the game store is refilled";
}

TEST_F(ZanScriptTest, ClickWaits)
{
    struct Case
    {
        std::string command;
        uint32_t before; // ms that pass before the click (no click when 0)
        uint32_t after;  // ms of the frame with the click
        bool ended;
        int32_t clk;
    };
    const Case cases[] = {
        {"\\clk,1000", 0, 1000, true, 0},  // runs out without a click
        {"\\clk,1000", 300, 0, true, 700}, // the click gives the remaining time
        {"\\clk", 0, 100000, false, 0},    // no limit: waits for ever
        {"\\clk", 50000, 0, true, -1},     // ... until a click
        {"\\clk,-5", 0, 100000, false, 0}, // below -1 counts as -1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        host.errors.clear();
        Load("@@main\n\\cal,ResultClkInt=9\n" + c.command + "\n\\cal,n=1,k=ResultClkInt\n\\clk");
        Tick(0);
        ASSERT_EQ(Waiting(), 4);
        if (c.before > 0) {
            Tick(c.before);
            Click();
        }
        Tick(c.after);
        EXPECT_EQ(Int("n"), c.ended ? 1 : 0);
        EXPECT_EQ(Int("k"), c.clk);
    }
}

TEST_F(ZanScriptTest, TimeRestartsTheClockAndWaitsForAPointInTime)
{
    Load("@@main\n\\time\n\\time,3000\n\\cal,n=1\n\\clk");
    Tick(5000); // the clock ran before the restart
    EXPECT_EQ(Waiting(), 5);
    Tick(1000, 2);
    EXPECT_EQ(Int("n"), 0);
    Click();
    Tick(500);
    EXPECT_EQ(Int("ResultClkInt"), 2000) << "input comes before the frame's time";
    EXPECT_EQ(Int("n"), 0) << "a click without jump label does not end the wait";
    Tick(500);
    EXPECT_EQ(Int("n"), 1);
}

TEST_F(ZanScriptTest, TimeWithLabelJumpsOnClick)
{
    Load("@@main\n\\time,3000,,@@away\n\\cal,n=1\n@@away\n\\cal,n=2\n\\clk");
    Tick(100);
    Click();
    Tick(100);
    EXPECT_EQ(Int("n"), 2);
}

TEST_F(ZanScriptTest, SoundAndMessageWaits)
{
    objects.channels = 4;
    Load("@@main\n\\wav,99\n\\cal,n=1\n\\wav,2\n\\cal,n=2\n\\clk");
    Tick();
    EXPECT_EQ(Waiting(), 10);
    Tick();
    EXPECT_EQ(Int("n"), 1) << "a channel outside the bank counts as stopped";
    Tick(16, 3);
    EXPECT_EQ(Int("n"), 1);
    objects.channels = 0;
    Tick();
    EXPECT_EQ(Int("n"), 2);

    objects.messageState = 2;
    Load("@@main\n\\msg\n\\cal,n=1\n\\clk");
    Tick(16, 2);
    EXPECT_EQ(Waiting(), 8);
    objects.messageState = 0;
    Tick();
    EXPECT_EQ(Int("n"), 1);
}

TEST_F(ZanScriptTest, AutoAndSkipModesAdvanceClickWaits)
{
    Load("@@main\n\\clk\n\\cal,n=1\n\\clk,5000\n\\cal,n=2\n\\wait,5000\n\\cal,n=3\n\\clk");
    script->LockFlags = 0;
    Tick();
    script->SetPlayMode(2);
    Tick();
    EXPECT_EQ(Int("n"), 1);
    Tick();
    EXPECT_EQ(Int("n"), 1) << "auto mode waits out a timed click wait";
    script->SetPlayMode(3);
    Tick();
    EXPECT_EQ(Int("n"), 2);
    Tick(16, 3);
    EXPECT_EQ(Int("n"), 2) << "skip does not cut a \\wait short";
    script->LockFlags = TZanScript::LockSkip;
    Tick();
    EXPECT_EQ(script->PlayMode(), 0);
}

TEST_F(ZanScriptTest, StopCallsItsLabelOncePerFrameUntilPlay)
{
    Load("@@main\n\\stop,@@s,0\n\\cal,n=n+100\n\\clk\n"
         "@@s\n\\cal,n=n+1\n\\if,n>=3\n\\play\n\\end\n\\ret");
    Tick();
    EXPECT_EQ(Int("n"), 0);
    Tick();
    EXPECT_EQ(Int("n"), 1);
    Tick();
    EXPECT_EQ(Int("n"), 2);
    Tick();
    EXPECT_EQ(Int("n"), 103);
    EXPECT_EQ(Int("ResultStopInt"), -1);
}

TEST_F(ZanScriptTest, StopWithTimeEndsByItself)
{
    Load("@@main\n\\stop,@@s,100\n\\cal,n=n+100\n\\clk\n@@s\n\\cal,n=n+1\n\\ret");
    Tick(0);
    Tick(50);
    EXPECT_EQ(Int("n"), 1);
    Tick(50);
    EXPECT_EQ(Int("n"), 101);
}

TEST_F(ZanScriptTest, StopWithUnknownLabelReports)
{
    Load("@@main\n\\stop,@@nowhere,0");
    Tick();
    Tick();
    EXPECT_TRUE(host.Has(std::string(msg::StopLabelMissing) + "@@nowhere"));
}

TEST_F(ZanScriptTest, CommandsPerFrameBelowTwoRunOneCommand)
{
    for (const int32_t limit : {0, 1}) {
        Load("@@main\n\\cal,n=n+1\n\\cal,n=n+1\n\\cal,n=n+1");
        script->CommandsPerFrame = limit;
        Tick(16, 3); // the label line is the first command
        EXPECT_EQ(Int("n"), 2) << limit;
    }
    Load("@@main\n\\cal,n=n+1\n\\cal,n=n+1\n\\cal,n=n+1");
    Tick();
    EXPECT_EQ(Int("n"), 3);
}

TEST_F(ZanScriptTest, ErrorStopsTheFrameUntilTheFlagIsCleared)
{
    Load("@@main\n\\cal,n=n+1\n\\bogus\n\\cal,n=n+1");
    Tick();
    EXPECT_EQ(Int("n"), 1);
    EXPECT_TRUE(host.Has(std::string(msg::UndefinedCommand) + "\\bogus"));
    EXPECT_TRUE(host.Has("\x83\x49\x83\x75\x83\x57\x83\x46\x83\x4e\x83\x67\x82\xaa\x8e\x77\x92\xe8"
                         "\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1\x81\x42"));
    Tick();
    EXPECT_EQ(Int("n"), 1);
    script->ClearErrorFlag();
    Tick();
    EXPECT_EQ(Int("n"), 2);
}

// Runs `body` after @@main and gives r.
class BlockTest : public ZanScriptTest
{
protected:
    std::string Run(const std::string& body)
    {
        host.errors.clear();
        Load("@@main\n" + body + "\n\\clk");
        Tick();
        return Str("r");
    }
};

TEST_F(BlockTest, IfThenElse)
{
    const std::string tail =
        "\n\\cal,r=r+\"a\"\n\\else\n\\cal,r=r+\"b\"\n\\then\n\\cal,r=r+\"c\"\n\\end";
    EXPECT_EQ(Run("\\if,1" + tail), "ac");
    EXPECT_EQ(Run("\\if,0" + tail), "b");
    EXPECT_EQ(Run("\\if,2" + tail), "") << "neither branch";
    EXPECT_EQ(Run("\\if,0\n\\if,1\n\\cal,r=\"x\"\n\\else\n\\cal,r=\"y\"\n\\end\n\\else\n"
                  "\\cal,r=r+\"z\"\n\\end"),
              "z");
    EXPECT_EQ(Run("\\if,1\\cal,r=\"one line\"\\end"), "one line");
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(BlockTest, BlockErrors)
{
    Run("\\end");
    EXPECT_TRUE(host.Has(msg::EndUnpaired));
    EXPECT_EQ(script->CurrentRoutine().Count(), 1);
    Run("\\else");
    EXPECT_TRUE(host.Has(msg::ElseUnpaired));
    Run("\\ans,1");
    EXPECT_TRUE(host.Has(msg::AnsUnpaired));
    Run("\\brk");
    EXPECT_TRUE(host.Has(msg::BrkOutside));
    Run("\\if,n=1\n\\end");
    EXPECT_TRUE(host.Has(msg::IfAssigned));
}

TEST_F(BlockTest, LabelInsideABlockWarnsButPasses)
{
    EXPECT_EQ(Run("\\if,1\n@@inner\n\\cal,r=\"in\"\n\\end"), "");
    EXPECT_TRUE(host.Has(msg::LabelInBlock));
    EXPECT_EQ(Str("SelfFileName"), "test.s");
    script->ClearErrorFlag();
    Tick();
    EXPECT_EQ(Str("r"), "in") << "the next frame goes on after the label";
}

TEST_F(BlockTest, ForLoops)
{
    EXPECT_EQ(Run("\\for,i=0,i<3,i++\n\\cal,r=r+\"x\"\n\\end"), "xxx");
    EXPECT_EQ(Run("\\for,,\n\\cal,i=i+1\n\\if,i==4\n\\brk\n\\end\n\\cal,r=r+\"x\"\n\\end\n"
                  "\\cal,r=r+\"!\""),
              "xxx!");
    EXPECT_EQ(Int("i"), 4);
    EXPECT_EQ(Run("\\for,i=0,i<4,i++\n\\if,i==1\n\\cnt\n\\end\n\\cal,r=r+\"x\"\n\\end"), "xxx");
    EXPECT_EQ(Int("i"), 4) << "the step still runs after \\cnt";
    EXPECT_EQ(Run("\\for,i=5,i<3,i++,1\n\\cal,r=r+\"x\"\n\\end"), "");
    EXPECT_EQ(Int("i"), 0) << "four arguments evaluate nothing";
    EXPECT_EQ(Run("\\for,i=0,i<2,i++\n\\for,k=0,k<2,k++\n\\cal,r=r+\"x\"\n\\end\n\\end"), "xxxx");
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(BlockTest, CaseRetestsEveryAnswer)
{
    EXPECT_EQ(Run("\\case,\"b\"\n\\ans,\"a\",\"b\"\n\\cal,r=r+\"1\"\n\\ans,\"b\"\n\\cal,r=r+\"2\"\n"
                  "\\ans,\"c\"\n\\cal,r=r+\"3\"\n\\else\n\\cal,r=r+\"e\"\n\\end"),
              "12");
    const std::string numbers = "\n\\ans,1\n\\cal,r=\"a\"\n\\ans,2,3\n\\cal,r=\"b\"\n\\else\n"
                                "\\cal,r=\"c\"\n\\end";
    EXPECT_EQ(Run("\\case,3" + numbers), "b");
    EXPECT_EQ(Run("\\case,9" + numbers), "c");
    EXPECT_EQ(Run("\\if,0\n\\case,1\n\\ans,1\n\\cal,r=\"x\"\n\\end\n\\end"), "");
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(ZanScriptTest, SubPassesParameters)
{
    Load("@@main\n\\cal,k=41\n\\sub,@@l,self,5,\"x\",,k+1\n\\cal,r=r+\"|back\"\n\\clk\n"
         "@@l\n\\cal,n=ParamCount\n"
         "\\cal,r=ParamStr[0]+\",\"+ParamStr[1]+\",\"+ParamStr[2]+\",\"+ParamStr[3]\n"
         "\\cal,d=ParamInt[0]*1000+ParamInt[1]*100+ParamInt[2]*10+ParamInt[3]\n\\ret");
    Tick();
    EXPECT_EQ(Int("n"), 4);
    EXPECT_EQ(Str("r"), "5,x,,42|back");
    EXPECT_EQ(Int("d"), 5042);
    EXPECT_EQ(script->Thread().Count(), 1);
    EXPECT_EQ(script->Calculation().LocalStore().FindVariable("ParamCount", 1), -1);
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(ZanScriptTest, SubrRestoresTheResultVariables)
{
    for (const std::string call : {"\\sub", "\\subr"}) {
        Load("@@main\n\\cal,ResultInt[0]=7\n\\cal,ResultClkInt=3\n" + call +
             ",@@l\n\\cal,k=ResultInt[0]+ResultClkInt\n\\clk\n"
             "@@l\n\\cal,ResultInt[0]=99\n\\cal,ResultClkInt=1\n\\ret");
        Tick();
        EXPECT_EQ(Int("k"), call == "\\subr" ? 10 : 100) << call;
    }
}

TEST_F(ZanScriptTest, RetWithLabelLeavesEveryRoutineAboveTheCallMadeThere)
{
    Load("@@main\n\\sub,@@a\n\\cal,r=r+\"m\"\n\\clk\n"
         "@@a\n\\sub,@@b\n\\cal,r=r+\"A\"\n@@b\n\\sub,@@c\n\\cal,r=r+\"B\"\n"
         "@@c\n\\cal,n=ParamCount\n\\ret,@@main\n\\cal,r=r+\"C\"");
    Tick();
    EXPECT_EQ(Str("r"), "m");
    EXPECT_EQ(script->Thread().Count(), 1);
    script->ExecuteLine("\\ret");
    EXPECT_TRUE(host.Has(msg::RetUnpaired));
}

TEST_F(ZanScriptTest, GoAndJmpAcrossFiles)
{
    source.Put("b.s", "@@b1\n\\cal,r=SelfFileName\n\\cal,n=n+1\n\\jmp,@@back,\"test.s\"\n"
                      "@@b2\n\\cal,k=99\n\\go,@@back,\"test.s\"");
    Load("@@main\n\\jmp,@@b1,\"b.s\"\n@@back\n\\cal,d=d+1\n\\if,d==1\n\\sub,@@s\n\\end\n\\clk\n"
         "@@s\n\\go,@@b2,\"b.s\"");
    Tick();
    EXPECT_EQ(Str("r"), "b.s");
    EXPECT_EQ(Int("n"), 1);
    EXPECT_EQ(Int("k"), 99);
    EXPECT_EQ(Int("d"), 2);
    EXPECT_EQ(script->Thread().Count(), 1) << "\\go drops the routines";
    EXPECT_EQ(script->CurrentRoutine().Count(), 1) << "\\go drops the open \\if";
    EXPECT_TRUE(host.errors.empty());
    script->ExecuteLine("\\go,@@nowhere");
    EXPECT_TRUE(host.Has(std::string(msg::GoFailed) + "@@nowhere:"));
}

TEST_F(ZanScriptTest, JmpKeepsTheRoutines)
{
    Load("@@main\n\\sub,@@s\n\\clk\n@@s\n\\jmp,@@t\n@@t\n\\cal,n=1\n\\clk");
    Tick();
    EXPECT_EQ(Int("n"), 1);
    EXPECT_EQ(script->Thread().Count(), 2);
}

TEST_F(ZanScriptTest, DeclarationsGoToTheirStores)
{
    Load("@@main\n\\sub,@@s\n\\vexs,lv\n\\cal,d=ResultInt[0]\n\\clk\n"
         "@@s\n\\var,int,lv[3]\n\\gvar,str,gs\n\\svar,int,sv\n\\cal,lv[2]=5\n"
         "\\vexs,lv\n\\cal,n=ResultInt[0]\n\\garr,lv\n\\cal,k=ResultInt[0]\n"
         "\\vexs,gs\n\\cal,i=ResultInt[0]*10\n\\vexs,sv\n\\cal,i=i+ResultInt[0]\n\\ret");
    Tick();
    EXPECT_EQ(Int("n"), 3);
    EXPECT_EQ(Int("k"), 3);
    EXPECT_EQ(Int("i"), 21);
    EXPECT_EQ(Int("d"), 0) << "the local variable is gone after \\ret";
    script->ExecuteLine("\\svar,img,picture");
    EXPECT_TRUE(host.Has(std::string(msg::SystemObject) + "img"));

    TZanScript system("SystemThread", &source, &host, &objects);
    ASSERT_TRUE(system.Initialize(script.get(), {}));
    script->ExecuteLine("\\cal,sv=12");
    EXPECT_EQ(system.Evaluate("sv").Number, 12);
    system.ExecuteLine("\\gvar,int,mine");
    system.ExecuteLine("\\vset,k,mine+5");
    EXPECT_EQ(Int("k"), 5);
    system.ExecuteLine("\\vget,mine,k*2");
    EXPECT_EQ(system.Evaluate("mine").Number, 10);
}

TEST_F(ZanScriptTest, VariableCommands)
{
    Load("@@main");
    const auto result = [&](const std::string& line) {
        script->ExecuteLine(line);
        return Int("ResultInt[0]");
    };
    script->ExecuteText("\\cal,n=1,k=2,r=\"x\"\\swap,n,k");
    EXPECT_EQ(Int("n"), 2);
    EXPECT_EQ(Int("k"), 1);
    script->ExecuteLine("\\swap,n,r");
    EXPECT_TRUE(host.Has(std::string(msg::KindDiffers) + "n"));
    EXPECT_EQ(result("\\lexs,@@main"), 1);
    EXPECT_EQ(result("\\lexs,@@none"), 0);
    script->ExecuteText("\\gvar,int,arr[2]\\cal,arr[1]=4\\sarr,arr[5]");
    EXPECT_EQ(result("\\garr,arr"), 5);
    EXPECT_EQ(Int("arr[1]"), 4);
    script->ExecuteLine("\\init,arr");
    EXPECT_EQ(Int("arr[1]"), 0);
    script->ExecuteLine("\\del,arr");
    EXPECT_EQ(result("\\vexs,arr"), 0);
    EXPECT_EQ(result("\\vexs,ResultInt"), 2);
}

TEST_F(ZanScriptTest, CalReportsAFailedExpression)
{
    Load("@@main");
    script->ExecuteLine("\\cal,n=2,,k=n*3");
    EXPECT_EQ(Int("k"), 6);
    host.errors.clear();
    script->ExecuteLine("\\cal,(1+");
    EXPECT_TRUE(host.Has(std::string(msg::CalcFailed) + "(1+"));
}

TEST_F(ZanScriptTest, StringCommands)
{
    struct Case
    {
        std::string line, result; // ResultStr[0]
        int32_t number;           // ResultInt[0]
    };
    const std::string aiu = "\x82\xa0\x82\xa2\x82\xa4";
    const Case cases[] = {
        {R"(\rep,"aBcab","AB","x")", "xcx", 0},
        {R"(\div,",","a,b,c")", "a", 3},
        {"\\len,\"" + aiu + "\"", "", 3},
        {"\\hlen,\"" + aiu + "\"", "", 6},
        {"\\pos,\"\x82\xa2\",\"" + aiu + "\"", "", 2},
        {"\\hpos,\"\x82\xa2\",\"" + aiu + "\"", "", 3},
        {R"(\pos,"B","abc")", "", 2},
        {R"(\cpy,"abcdef",2,3)", "bcd", 0},
        {"\\copy,\"" + aiu + "\",2,1", "\x82\xa2", 0},
        {"\\hcpy,\"" + aiu + "\",3,2", "\x82\xa2", 0},
        {R"(\lowc,"ABC")", "abc", 0},
        {R"(\upc,"abc")", "ABC", 0},
        {R"(\trim," a b ")", "a b", 0},
        {R"(\zenc,"A")", "\x82\x60", 0},
        {"\\hanc,\"\x82\x60\"", "A", 0},
        {R"(\fmt,"%05d",42,"[%s]","ab")", "00042[ab]", 0},
        {R"(\fmt,"%s",5,"%d%d",1,"abc",1)", "abc", 0},
    };
    Load("@@main");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        script->ExecuteLine("\\cal,ResultInt[0]=77,ResultStr[0]=\"old\"");
        script->ExecuteLine(c.line);
        EXPECT_EQ(Str("ResultStr[0]"), c.result);
        EXPECT_EQ(Int("ResultInt[0]"), c.number);
    }
    script->ExecuteLine(R"(\div,",","a,b,c")");
    EXPECT_EQ(Str("ResultStr[2]"), "c");
    EXPECT_TRUE(host.errors.empty()) << host.errors.front();
}

TEST(ScriptFormat, OwnFormatterTakesOneConversionOfTheValuesKind)
{
    struct Case
    {
        const char* format;
        TReturnValue value;
        const char* expected;
    };
    const auto i = [](int32_t n) { return TReturnValue::IntegerText(n); };
    const auto s = [](const char* t) { return TReturnValue::String(t); };
    const Case cases[] = {
        {"%05d", i(42), "00042"},
        {"[%s]", s("ab"), "[ab]"},
        {"%s", i(5), ""},
        {"%d%d", i(1), ""},
        {"abc", i(1), "abc"},
        {"%d", s("7"), ""},
        {"%n", i(1), ""},
        {"%*d", i(1), ""},
        {"%ld", i(1), ""},
        {"%-4d|", i(7), "7   |"},
        {"%x", i(255), "ff"},
        {"%#X", i(255), "0XFF"},
        {"%#o", i(8), "010"},
        {"%+d", i(5), "+5"},
        {"% d", i(5), " 5"},
        {"%.2s", s("abc"), "ab"},
        {"%5s", s("ab"), "   ab"},
        {"%%%d%%", i(3), "%3%"},
        {"%c", i(65), "A"},
        {"%u", i(-1), "4294967295"},
        {"%d", i(INT32_MIN), "-2147483648"},
        {"%.3d", i(-7), "-007"},
        {"%.0d", i(0), ""},
        {"%08.3d", i(5), "     005"},
        {"%99999d", i(1), ""},
        {"%", i(1), ""},
        {"%5", i(1), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatScriptValue(c.format, c.value), c.expected) << c.format;
}

TEST_F(ZanScriptTest, ScopeSendsCommandsToTargetsUpToTheFirstGap)
{
    const uint32_t code = TZanScript::CommandCode("\\show");
    objects.known = {{"a", {code}}, {"b", {code}}, {"c", {code}}, {"other", {}}};
    Load("@@main");
    script->ExecuteLine(R"(\scp,"A",,"b")");
    script->ExecuteLine("\\show,1");
    EXPECT_EQ(objects.received, std::vector<std::string>{"a"});
    objects.received.clear();
    script->ExecuteLine(R"(\scp,"a","other","nobody","c")");
    script->ExecuteLine("\\show");
    EXPECT_EQ(objects.received, (std::vector<std::string>{"a", "c"}));
    EXPECT_TRUE(host.Has(std::string(msg::ObjectLacksCommandHead) + "img" +
                         std::string(msg::ObjectLacksCommandTail)));
    EXPECT_TRUE(host.Has(std::string(msg::UndefinedObject) + "nobody"));
    host.errors.clear();
    script->ExecuteLine("\\scp,5");
    EXPECT_TRUE(host.Has(std::string(msg::ScopeNotObject) + "5"));
}

TEST_F(ZanScriptTest, EventLabelAbandonsAWaitingRoutine)
{
    Load("@@main\n\\cal,n=1\n\\clk\n\\cal,n=2\n\\clk\n"
         "@@OnFrameEvent\n\\cal,f=f+1\n\\clk\n\\cal,f=100\n\\ret");
    Tick();
    EXPECT_EQ(Int("f"), 1);
    EXPECT_EQ(Int("n"), 1);
    Tick();
    EXPECT_EQ(Int("f"), 2);
    EXPECT_EQ(Int("n"), 1);
    Click();
    Tick();
    EXPECT_EQ(Int("f"), 3);
    EXPECT_EQ(Int("n"), 2);
    EXPECT_EQ(script->Thread().Count(), 1);
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(ZanScriptTest, NestedTextExecutionIsBounded)
{
    Load("@@main");
    script->Calculation().GameStore().SetString("t", 0, "\\cal,d=d+1\\exop,t");
    script->ExecuteLine("\\exop,t");
    EXPECT_EQ(Int("d"), TZanScript::NestingLimit);
    EXPECT_TRUE(host.Has("\x83\x54\x83\x75\x83\x8b\x81\x5b\x83\x60\x83\x93\x83\x58\x83\x5e\x83\x62"
                         "\x83\x4e\x82\xaa\x8c\xc0\x8a\x45\x92\x6c\x82\xf0\x92\xb4\x82\xa6\x82\xdc"
                         "\x82\xb5\x82\xbd\x81\x42"));
}

TEST_F(ZanScriptTest, ExecuteTextDropsSpacesEvenInQuotes)
{
    Load("@@main");
    script->ExecuteText(R"(\cal,r="a b"\cal,n = 3)");
    EXPECT_EQ(Str("r"), "ab");
    EXPECT_EQ(Int("n"), 3);
}

TEST_F(ZanScriptTest, InputActionsPostEventsUnlessLocked)
{
    Load("@@main\n\\clk");
    struct Case
    {
        int action;
        uint16_t locks;
        uint8_t event;
    };
    const Case cases[] = {
        {5, 0, 4},  {5, TZanScript::LockMenu, 0},
        {9, 0, 3},  {9, TZanScript::LockReset, 0},
        {11, 0, 9}, {35, 0xFFFF, 1},
        {18, 0, 0},
    };
    for (const Case& c : cases) {
        script->LockFlags = c.locks;
        input.actions.push_back({c.action, 0, 0, "@@lbl", ""});
        Tick();
        const TSystemRequest request = script->TakeRequest();
        EXPECT_EQ(request.Code, c.event) << c.action;
        if (c.event != 0) {
            EXPECT_EQ(request.Label, "@@lbl");
        }
    }
    script->ExecuteLine("\\thrd,1,@@sys");
    EXPECT_EQ(script->PendingEvent, 22);
    EXPECT_EQ(script->EventText, "@@sys");
}

TEST_F(ZanScriptTest, PlayModesFollowTheLocks)
{
    Load("@@main\n\\btn,0");
    script->LockFlags = 0;
    EXPECT_TRUE(script->AllowsPlayMode(1));
    EXPECT_TRUE(script->AllowsPlayMode(2));
    EXPECT_TRUE(script->AllowsPlayMode(3));
    EXPECT_FALSE(script->AllowsPlayMode(4)) << "no read-text log: the line is not read";
    Tick();
    EXPECT_EQ(Waiting(), 9);
    EXPECT_FALSE(script->AllowsPlayMode(3)) << "waiting for a button";
    script->LockFlags = TZanScript::LockView | TZanScript::LockAuto;
    EXPECT_FALSE(script->AllowsPlayMode(1));
    EXPECT_FALSE(script->AllowsPlayMode(2));
    script->SetPlayMode(2);
    Tick();
    EXPECT_EQ(script->PlayMode(), 0) << "a locked mode is left";
}

TEST_F(ZanScriptTest, SkipOfReadTextStopsAtUnreadText)
{
    SetReadLog log;
    readLog = &log;
    const std::string text = "@@main\n\\clk\n\\cal,n=1\n\\clk\n\\cal,n=2\n\\clk";
    Load(text);
    script->LockFlags = 0;
    script->SetPlayMode(4);
    Tick();
    EXPECT_EQ(script->PlayMode(), 0) << "an unread line leaves the mode";
    EXPECT_EQ(Int("n"), 0);

    Load(text); // now every line up to the first \clk is read
    script->LockFlags = 0;
    Tick();
    EXPECT_TRUE(script->AllowsPlayMode(4));
    script->SetPlayMode(4);
    Tick();
    EXPECT_EQ(Int("n"), 1);
    EXPECT_EQ(script->PlayMode(), 0) << "and stops again where the text was not read";
}

TEST_F(ZanScriptTest, LaterCommandsReportThatTheyAreNotAvailable)
{
    Load("@@main");
    for (const char* line : {R"(\btra,"a","a")", R"(\bsub,"a","a")", R"(\bmat,"a","a")",
                             R"(\bspl,"a","a")", "\\sndt,0,100"}) {
        host.errors.clear();
        script->ExecuteLine(line);
        EXPECT_EQ(host.errors.size(), 1u) << line;
    }
}

} // namespace
} // namespace tsukimi::testing

namespace tsukimi::testing {
namespace {

TEST_F(ZanScriptTest, FileArgumentsResolveThroughThePath)
{
    source.Put("scenes\\one.s", "@@one\n\\cal,r=\"one\"\n\\go,@@two,\"two.s\"\n");
    source.Put("scenes\\two.s", "@@two\n\\cal,r=r+\" two\"\n\\clk\n");
    source.Put("pics\\moon.png", "");
    Load("@@main\n\\go,@@one,\"scenes\\one.s\"\n");
    Tick();
    EXPECT_EQ(Str("r"), "one two") << "two.s is found in the folder of the running script";
    EXPECT_TRUE(host.errors.empty()) << host.errors.front();

    script->ExecuteLine(R"(\fexs,"moon.png")");
    EXPECT_EQ(Int("ResultInt[0]"), 0);
    script->Path().Add("pics");
    script->ExecuteLine(R"(\fexs,"moon.png")");
    EXPECT_EQ(Int("ResultInt[0]"), 1);
    EXPECT_EQ(Str("ResultStr[0]"), "pics\\moon.png");
    EXPECT_TRUE(host.errors.empty()) << "the existence query reports nothing";
}

} // namespace
} // namespace tsukimi::testing
