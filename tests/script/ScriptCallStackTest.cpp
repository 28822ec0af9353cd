#include "script/ScriptCallStack.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

TScriptThread MakeThread(std::vector<std::string>* reports = nullptr)
{
    return TScriptThread("GameThread", [reports](std::string_view m) {
        if (reports)
            reports->emplace_back(m);
    });
}

TEST(ScriptCallStack, StateCodesBothWays)
{
    const uint8_t codes[12] = {0, 11, 2, 5, 9, 1, 3, 4, 6, 7, 8, 10};
    for (uint8_t state = 0; state < 12; ++state) {
        EXPECT_EQ(BlockStateCode(state), codes[state]);
        EXPECT_EQ(BlockStateFromCode(codes[state]), state);
    }
    EXPECT_EQ(BlockStateFromCode(12), 0);
    EXPECT_EQ(BlockStateFromCode(255), 0);
}

TEST(ScriptCallStack, ListOperations)
{
    TScriptThread thread = MakeThread();
    EXPECT_FALSE(thread.TruncateTo(0)) << "an empty stack";
    EXPECT_EQ(thread.CurrentRoutine(), nullptr);
    for (const char* label : {"", "@@Menu", "@@sub", "@@menu"}) {
        TScriptRoutine& routine = thread.AddNew();
        routine.AddNew().Label = label;
        routine.Item(0)->BlockState = 1;
    }
    EXPECT_EQ(thread.FindRoutineByCallLabel("@@MENU"), 3) << "the topmost, without case";
    EXPECT_EQ(thread.FindRoutineByCallLabel("@@none"), -1);
    EXPECT_EQ(thread.Item(9), nullptr);
    EXPECT_TRUE(thread.TruncateTo(1));
    EXPECT_EQ(thread.Count(), 2);
    EXPECT_EQ(thread.FindRoutineByCallLabel("@@menu"), 1);
    EXPECT_FALSE(thread.TruncateTo(5));
    thread.TruncateTo(0);
    EXPECT_EQ(thread.Count(), 1) << "TruncateTo(0) keeps the first routine";

    TScriptRoutine& routine = *thread.CurrentRoutine();
    routine.AddNew().BlockState = 2;
    routine.AddNew().BlockState = 3;
    routine.AddNew().BlockState = 2;
    EXPECT_EQ(routine.FindBlock(2), 3);
    EXPECT_EQ(routine.FindBlock(4), -1);
    routine.Delete(3);
    EXPECT_EQ(routine.FindBlock(2), 1);
}

TEST(ScriptCallStack, LimitsAreReportedNotEnforced)
{
    std::vector<std::string> reports;
    TScriptThread thread = MakeThread(&reports);
    for (int i = 0; i < 1025; ++i)
        thread.AddNew();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("\x83T\x83u", 0), 0u);
    EXPECT_EQ(thread.Count(), 1025);
    TScriptRoutine& routine = *thread.CurrentRoutine();
    for (int i = 0; i < 1026; ++i)
        routine.AddNew();
    EXPECT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[1].rfind("\x83u\x83\x8d", 0), 0u);
    EXPECT_EQ(routine.Count(), 1026);
}

TEST(ScriptCallStack, StreamRoundTripWithSavedResults)
{
    TScriptThread thread = MakeThread();
    TScriptRoutine& main = thread.AddNew();
    TScriptBlock& first = main.AddNew();
    first.File = "startup.s";
    first.BlockState = 1;
    first.Label = "@@top";
    first.LineOffset = 7;
    first.Column = 3;
    first.Texts[5] = "five";
    TScriptRoutine& sub = thread.AddNew();
    sub.AddNew().BlockState = 11;
    sub.Targets[2] = "1_MSG,0";
    sub.WaitState = 4;
    sub.WaitTime = -5;
    sub.JumpLabel = "@@jump";
    sub.StopText = "stop";
    sub.Extra = 9;
    sub.TakeResultSnapshot();
    sub.SavedResults->ResultInt[15] = 42;
    sub.SavedResults->ResultBtnStr[3] = "btn";
    sub.SavedResults->ResultStopInt = -1;

    TMemoryStream stream;
    ASSERT_TRUE(thread.SaveToStream(stream));
    const size_t size = stream.Size();
    stream.Rewind();
    TScriptThread loaded = MakeThread();
    ASSERT_TRUE(loaded.LoadFromStream(stream));
    EXPECT_EQ(stream.Position(), size);
    ASSERT_EQ(loaded.Count(), 2);
    const TScriptBlock& block = *loaded.Item(0)->Item(0);
    EXPECT_EQ(block.File, "startup.s");
    EXPECT_EQ(block.BlockState, 1);
    EXPECT_EQ(block.LineOffset, 7);
    EXPECT_EQ(block.Texts[5], "five");
    const TScriptRoutine& back = *loaded.Item(1);
    EXPECT_EQ(back.Item(0)->BlockState, 11);
    EXPECT_EQ(back.Targets[2], "1_msg,0") << "targets are lower-cased when read";
    EXPECT_EQ(back.WaitState, 4);
    EXPECT_EQ(back.WaitTime, -5);
    EXPECT_EQ(back.JumpLabel, "@@jump");
    EXPECT_EQ(back.Extra, 9);
    ASSERT_EQ(back.HasSavedResults, 1);
    EXPECT_EQ(back.SavedResults->ResultInt[15], 42);
    EXPECT_EQ(back.SavedResults->ResultBtnStr[3], "btn");
    EXPECT_EQ(back.SavedResults->ResultStopInt, -1);
    EXPECT_EQ(loaded.Item(0)->HasSavedResults, 0);
}

TEST(ScriptCallStack, OlderRoutinesWithoutTheExtensionAndDamagedStreams)
{
    TScriptThread thread = MakeThread();
    thread.AddNew().AddNew().Label = "@@a";
    TMemoryStream full;
    thread.SaveToStream(full);
    // Cut the marker extension off: 4 + 4 + 1 bytes at the end.
    std::vector<uint8_t> bytes(full.Bytes().begin(), full.Bytes().end() - 9);
    TMemoryStream old(bytes);
    TScriptThread loaded = MakeThread();
    ASSERT_TRUE(loaded.LoadFromStream(old));
    EXPECT_EQ(loaded.Item(0)->Extra, 3);
    EXPECT_EQ(loaded.Item(0)->HasSavedResults, 0);

    // A state code of 12 or more reads back as state 0.
    TScriptRoutine routine;
    routine.AddNew().BlockState = 2;
    TMemoryStream blocks;
    routine.SaveToStream(blocks);
    blocks.Data()[4 + 2] = 12; // count, then the file's length, then the code
    blocks.Rewind();
    TScriptRoutine back;
    ASSERT_TRUE(back.LoadFromStream(blocks));
    EXPECT_EQ(back.Item(0)->BlockState, 0);

    // Truncations and an inflated count fail cleanly.
    for (size_t cut = 0; cut + 9 < full.Size(); ++cut) {
        std::vector<uint8_t> part(full.Bytes().begin(), full.Bytes().begin() + static_cast<long>(cut));
        TMemoryStream s(part);
        TScriptThread t = MakeThread();
        EXPECT_FALSE(t.LoadFromStream(s)) << cut;
    }
    std::vector<uint8_t> inflated(full.Bytes().begin(), full.Bytes().end());
    inflated[0] = inflated[1] = inflated[2] = inflated[3] = 0xFF;
    TMemoryStream s(inflated);
    TScriptThread t = MakeThread();
    EXPECT_FALSE(t.LoadFromStream(s));
    EXPECT_EQ(t.Count(), 0) << "nothing appended for a count the stream cannot hold";
}

} // namespace
} // namespace tsukimi
