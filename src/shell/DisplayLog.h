#pragma once
// "dddd.debug": the display's log, one line "debug#%.5d ... %s" an entry,
// numbered from 1. The first entry of a run rewrites the file, later ones
// append. Written only when the display's debug messages are on.
#include <string>
#include <string_view>

namespace tsukimi {
namespace platform {
class FileSystem;
}

class TDisplayLog
{
public:
    TDisplayLog(platform::FileSystem& files, bool enabled) : files_(files), enabled_(enabled) {}
    // `text` in UTF-8 (the platform's words), written in Shift-JIS.
    void Write(std::string_view text);
    int Count() const { return count_; }

private:
    platform::FileSystem& files_;
    bool enabled_;
    int count_ = 0;
};

} // namespace tsukimi
