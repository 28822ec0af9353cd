#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace tsukimi::platform {
namespace {

TEST(VirtualClockTest, WrapsModulo32Bits)
{
    VirtualClock clock(0xFFFFFFF0u);
    clock.Sleep(0x20);
    EXPECT_EQ(clock.Now(), 0x10u);
    EXPECT_EQ(clock.SleepCount(), 1u);
    // Elapsed time computed the way the frame loop does survives the wrap.
    const uint32_t start = 0xFFFFFFFBu;
    clock.Set(start);
    clock.Advance(10);
    EXPECT_EQ(clock.Now() - start, 10u);
}

TEST(SystemClockTest, AdvancesAcrossASleep)
{
    auto clock = CreateSystemClock();
    const uint32_t before = clock->Now();
    clock->Sleep(20);
    const uint32_t elapsed = clock->Now() - before;
    EXPECT_GE(elapsed, 19u);
    EXPECT_LT(elapsed, 5000u);
}

} // namespace
} // namespace tsukimi::platform
