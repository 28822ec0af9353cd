#include "shell/FramePacing.h"

#include "platform/Clock.h"

#include <algorithm>

namespace tsukimi {

uint32_t FrameInterval(const TPacingState& state)
{
    int64_t rate = state.Active ? state.FPSLimit
                                : static_cast<int64_t>(state.FPSLimit) * state.FPSDeactiveDecay / 100;
    if (rate < 5)
        rate = 5;
    uint32_t interval = static_cast<uint32_t>(std::clamp<int64_t>(1000 / rate, 10, 200));
    if (state.Skip)
        interval = 10;
    if (state.NoWait)
        interval = 1;
    if (state.DebugState != 0)
        interval = 100;
    return interval;
}

TFrameClock::TFrameClock(platform::Clock& clock) : clock_(clock), lastRaw_(clock.Now()) {}

uint64_t TFrameClock::Now()
{
    const uint32_t raw = clock_.Now();
    // A step backwards by more than half the range is the counter wrapping.
    if (raw < lastRaw_ && lastRaw_ - raw > 0x80000000u)
        epoch_ += uint64_t{1} << 32;
    lastRaw_ = raw;
    return epoch_ + raw;
}

void TFrameClock::Sleep(uint32_t ms)
{
    clock_.Sleep(ms);
}

uint32_t WaitForFrame(TFrameClock& clock, uint64_t& lastFrameTime, uint32_t interval)
{
    auto remainingMs = [&] {
        return static_cast<int64_t>(interval) + static_cast<int64_t>(lastFrameTime) -
               static_cast<int64_t>(clock.Now());
    };
    int64_t remaining = remainingMs();
    if (remaining >= 0) {
        remaining = std::min<int64_t>(remaining, 1000);
        if (remaining > 4)
            clock.Sleep(static_cast<uint32_t>(remaining - 3));
    }
    for (;;) {
        remaining = remainingMs();
        if (remaining <= 0 || remaining > 5000)
            break;
        clock.Sleep(1);
    }
    const uint64_t now = clock.Now();
    const int64_t elapsed = static_cast<int64_t>(now) - static_cast<int64_t>(lastFrameTime);
    lastFrameTime = now;
    return static_cast<uint32_t>(std::clamp<int64_t>(elapsed, 1, 5000));
}

} // namespace tsukimi
