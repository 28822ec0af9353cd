#include "shell/DisplayLog.h"

#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

#include <cstdio>

namespace tsukimi {

void TDisplayLog::Write(std::string_view text)
{
    if (!enabled_)
        return;
    char number[32];
    std::snprintf(number, sizeof number, "debug#%.5d ... ", ++count_);
    const std::string line = number + platform::Utf8ToSjis(text) + "\r\n";
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(line.data()), line.size());
    if (count_ == 1)
        files_.Replace("dddd.debug", bytes);
    else
        files_.Append("dddd.debug", bytes);
}

} // namespace tsukimi
