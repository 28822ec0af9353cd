#include "shell/CommandLine.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

TEST(CommandLine, ParsesOptionsAndTheGameFolder)
{
    std::string error;
    auto line = ParseCommandLine({"--headless", "--frames", "12", "--screenshot", "s.png", "--input", "in.txt", "game"},
                                 &error);
    ASSERT_TRUE(line) << error;
    EXPECT_TRUE(line->Headless);
    EXPECT_EQ(line->Frames, 12u);
    EXPECT_EQ(line->Screenshot, "s.png");
    EXPECT_EQ(line->InputFile, "in.txt");
    EXPECT_EQ(line->GameDir, "game");

    auto defaults = ParseCommandLine({}, &error);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->GameDir, ".");
    EXPECT_FALSE(defaults->Frames);
}

TEST(CommandLine, RejectsBadUsage)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--frames"}, {"--frames", "-1"}, {"--frames", "12x"}, {"--screenshot"}, {"--bogus"}, {"a", "b"},
    };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(ParseCommandLine(args, &error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(ScriptedInput, TurnsLinesIntoEventsOfTheirFrame)
{
    TScriptedInput input;
    std::string error;
    ASSERT_TRUE(input.Parse("# comment\n0 click 5 6\n0 key Return\r\n2 wheel -1\n2 rclick 1 2\n"
                            "4 move 7 8\n4 down 1 1\n4 up 1 1\n9 close\n9 key Left Shift\n",
                            &error))
        << error;
    using platform::EventKind;
    auto f0 = input.EventsFor(0);
    ASSERT_EQ(f0.size(), 4u);
    EXPECT_EQ(f0[0].kind, EventKind::MouseDown);
    EXPECT_EQ(f0[1].kind, EventKind::MouseUp);
    EXPECT_EQ(f0[1].x, 5);
    EXPECT_EQ(f0[2].kind, EventKind::KeyDown);
    EXPECT_EQ(f0[2].key, 13);
    EXPECT_EQ(f0[3].kind, EventKind::KeyUp);
    auto f2 = input.EventsFor(2);
    ASSERT_EQ(f2.size(), 3u);
    EXPECT_EQ(f2[0].wheel, -1);
    EXPECT_EQ(f2[1].button, platform::MouseButton::Right);
    EXPECT_EQ(input.EventsFor(4).size(), 3u);
    auto f9 = input.EventsFor(9);
    ASSERT_EQ(f9.size(), 3u);
    EXPECT_EQ(f9[0].kind, EventKind::Close);
    EXPECT_EQ(f9[1].key, 16);
    EXPECT_TRUE(input.EventsFor(1).empty());
}

TEST(ScriptedInput, NamesTheBadLine)
{
    const char* bad[] = {"x click 1 2", "1 click 1", "1 jump", "1 key NoSuchKey", "1 wheel"};
    for (const char* text : bad) {
        TScriptedInput input;
        std::string error;
        EXPECT_FALSE(input.Parse(std::string("0 close\n") + text, &error)) << text;
        EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
        EXPECT_TRUE(input.Empty());
    }
}

} // namespace
} // namespace tsukimi
