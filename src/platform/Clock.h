#pragma once
// Millisecond clock of the frame loop: a 32-bit counter that wraps like the
// multimedia timer, and a sleep.
#include <cstdint>
#include <memory>

namespace tsukimi::platform {

class Clock
{
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps modulo 2^32.
    virtual uint32_t Now() = 0;
    virtual void Sleep(uint32_t ms) = 0;
};

// Deterministic clock for headless runs and tests: time moves only when
// someone sleeps or advances it.
class VirtualClock final : public Clock
{
public:
    explicit VirtualClock(uint32_t start = 0) : now_(start) {}
    uint32_t Now() override { return now_; }
    void Sleep(uint32_t ms) override { now_ += ms; ++sleeps_; }
    void Advance(uint32_t ms) { now_ += ms; }
    void Set(uint32_t value) { now_ = value; }
    uint64_t SleepCount() const { return sleeps_; }

private:
    uint32_t now_;
    uint64_t sleeps_ = 0;
};

// CLOCK_MONOTONIC in milliseconds.
std::unique_ptr<Clock> CreateSystemClock();

} // namespace tsukimi::platform
