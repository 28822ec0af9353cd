#include "platform/Clock.h"

#include <cerrno>
#include <ctime>

namespace tsukimi::platform {
namespace {

class SystemClock final : public Clock
{
public:
    uint32_t Now() override
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        // Keep the full range in 64 bits, then wrap like a 32-bit timer.
        const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u +
                            static_cast<uint64_t>(now.tv_nsec) / 1000000u;
        return static_cast<uint32_t>(ms);
    }

    void Sleep(uint32_t ms) override
    {
        timespec wait{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
        timespec rest{};
        while (nanosleep(&wait, &rest) != 0 && errno == EINTR)
            wait = rest;
    }
};

} // namespace

std::unique_ptr<Clock> CreateSystemClock()
{
    return std::make_unique<SystemClock>();
}

} // namespace tsukimi::platform
