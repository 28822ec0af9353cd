#pragma once
// Frame pacing of the engine loop: the interval in force and the
// sleep-and-poll wait for the next frame start.
#include <cstdint>

namespace tsukimi {
namespace platform {
class Clock;
}

struct TPacingState
{
    int FPSLimit = 40;
    int FPSDeactiveDecay = 100;
    bool Active = true; // application active and not minimised
    bool Skip = false;
    bool NoWait = false;
    uint8_t DebugState = 0;
};

// Interval in ms: 1000 / rate clamped to [10, 200], then the skip flag
// (10 ms), the no-wait flag (1 ms) and a debugger state (100 ms) in that
// order, the last one winning.
uint32_t FrameInterval(const TPacingState& state);

// Extends the wrapping 32-bit millisecond clock into a 64-bit time line, so a
// wrap past 2^32 is one more millisecond like any other.
class TFrameClock
{
public:
    explicit TFrameClock(platform::Clock& clock);
    uint64_t Now();
    void Sleep(uint32_t ms);

private:
    platform::Clock& clock_;
    uint32_t lastRaw_;
    uint64_t epoch_ = 0;
};

// Waits until `interval` ms after `lastFrameTime`, then makes now the new
// frame start. Returns the elapsed time clamped to [1, 5000]; a clock jump
// of more than 5000 ms ends the wait at once.
uint32_t WaitForFrame(TFrameClock& clock, uint64_t& lastFrameTime, uint32_t interval);

} // namespace tsukimi
