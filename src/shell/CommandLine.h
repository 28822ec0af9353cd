#pragma once
// The engine's own command line:
//   tsukimi [--headless] [--frames N] [--screenshot FILE] [--input FILE]
//           [--dump-vars FILE] [GAME_DIR]
#include "platform/Events.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tsukimi {

struct TCommandLine
{
    std::string GameDir = ".";
    bool Headless = false;
    std::optional<uint64_t> Frames;
    std::string Screenshot;
    std::string InputFile;
    std::string DumpVars;
    bool Help = false;
};

// Parses argv; on bad usage returns nullopt and fills `error`.
std::optional<TCommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string* error);
const char* CommandLineUsage();

// Scripted input: one event a line, "FRAME EVENT ARGS", delivered at the
// start of frame FRAME (0-based). Events: click X Y, rclick X Y, move X Y,
// down X Y, up X Y, wheel N, key NAME, close. Blank lines and lines starting
// with "#" are skipped.
class TScriptedInput
{
public:
    // False with `error` naming the line when the text is malformed.
    bool Parse(const std::string& text, std::string* error);
    // The events of one frame, in file order.
    std::vector<platform::Event> EventsFor(uint64_t frame) const;
    bool Empty() const { return events_.empty(); }

private:
    std::multimap<uint64_t, platform::Event> events_;
};

} // namespace tsukimi
