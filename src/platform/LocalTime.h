#pragma once
// The wall clock in local time (save headers carry the local time of saving).
namespace tsukimi::platform {

struct LocalDateTime
{
    int year = 1970, month = 1, day = 1; // month 1-12
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

LocalDateTime LocalTimeNow();

} // namespace tsukimi::platform
