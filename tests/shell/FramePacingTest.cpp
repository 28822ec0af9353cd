#include "platform/Clock.h"
#include "shell/FramePacing.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

struct IntervalCase
{
    const char* name;
    TPacingState state;
    uint32_t expected;
};

TPacingState State(int limit, int decay = 100, bool active = true, bool skip = false, bool noWait = false,
                   uint8_t debug = 0)
{
    return {limit, decay, active, skip, noWait, debug};
}

TEST(FrameInterval, FollowsTheRateFlagsAndDebuggerState)
{
    const IntervalCase cases[] = {
        {"limit 0 paces at 5 fps", State(0), 200},
        {"limit 1 paces at 5 fps", State(1), 200},
        {"negative limit paces at 5 fps", State(-3), 200},
        {"limit 40", State(40), 25},
        {"limit 500 hits the 10 ms floor", State(500), 10},
        {"limit 2000 hits the 10 ms floor", State(2000), 10},
        {"inactive at 50 percent of 60", State(60, 50, false), 33},
        {"inactive with decay 0 runs at 5 fps", State(60, 0, false), 200},
        {"decay is ignored while active", State(60, 50, true), 16},
        {"skip flag", State(40, 100, true, true), 10},
        {"no-wait flag wins over skip", State(40, 100, true, true, true), 1},
        {"debugger state wins over no-wait", State(40, 100, true, true, true, 3), 100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FrameInterval(c.state), c.expected) << c.name;
}

TEST(WaitForFrame, SleepsUntilTheIntervalHasPassed)
{
    platform::VirtualClock clock(1000);
    TFrameClock frames(clock);
    uint64_t last = frames.Now();
    EXPECT_EQ(WaitForFrame(frames, last, 25), 25u);
    EXPECT_EQ(clock.Now(), 1025u);
    EXPECT_EQ(last, 1025u);
    // Time already spent in the frame counts towards the interval.
    clock.Advance(20);
    EXPECT_EQ(WaitForFrame(frames, last, 25), 25u);
    EXPECT_EQ(clock.Now(), 1050u);
    // A frame that overran is not waited for.
    clock.Advance(40);
    EXPECT_EQ(WaitForFrame(frames, last, 25), 40u);
    EXPECT_EQ(clock.Now(), 1090u);
}

// A clock that jumps ahead by `jump` ms on its first sleep.
class JumpingClock final : public platform::Clock
{
public:
    explicit JumpingClock(uint32_t jump) : jump_(jump) {}
    uint32_t Now() override { return now_; }
    void Sleep(uint32_t ms) override
    {
        now_ += ms + jump_;
        jump_ = 0;
    }

private:
    uint32_t now_ = 100;
    uint32_t jump_;
};

TEST(WaitForFrame, AClockJumpEndsTheWaitAndCountsAs5000ms)
{
    JumpingClock clock(7000);
    TFrameClock frames(clock);
    uint64_t last = frames.Now();
    EXPECT_EQ(WaitForFrame(frames, last, 200), 5000u);
    EXPECT_EQ(clock.Now(), 100u + 197u + 7000u);

    platform::VirtualClock still(0);
    TFrameClock frames2(still);
    uint64_t last2 = frames2.Now();
    still.Advance(9000);
    EXPECT_EQ(WaitForFrame(frames2, last2, 25), 5000u);
    EXPECT_EQ(still.Now(), 9000u); // no sleep at all
}

TEST(WaitForFrame, TheClockWrappingPast2To32IsAnOrdinaryFrame)
{
    platform::VirtualClock clock(0xFFFFFFFFu - 60);
    TFrameClock frames(clock);
    uint64_t last = frames.Now();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(WaitForFrame(frames, last, 25), 25u) << "frame " << i;
    EXPECT_EQ(clock.Now(), static_cast<uint32_t>(0xFFFFFFFFu - 60 + 150));
    EXPECT_EQ(last, uint64_t{0xFFFFFFFFu} - 60 + 150);
}

} // namespace
} // namespace tsukimi
