#include "platform/LocalTime.h"

#include <chrono>
#include <algorithm>
#include <ctime>

namespace tsukimi::platform {

LocalDateTime LocalTimeNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm parts{};
    LocalDateTime out;
    if (!localtime_r(&seconds, &parts)) return out;
    out.year = parts.tm_year + 1900;
    out.month = parts.tm_mon + 1;
    out.day = parts.tm_mday;
    out.hour = parts.tm_hour;
    out.minute = parts.tm_min;
    out.second = std::min(parts.tm_sec, 59);
    out.millisecond = static_cast<int>(ms < 0 ? 0 : ms);
    return out;
}

} // namespace tsukimi::platform
