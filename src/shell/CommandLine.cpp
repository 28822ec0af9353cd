#include "shell/CommandLine.h"

#include <charconv>
#include <sstream>

namespace tsukimi {
namespace {

bool ParseUnsigned(const std::string& text, uint64_t& value)
{
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool ParseInt(const std::string& text, int& value)
{
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

} // namespace

const char* CommandLineUsage()
{
    return "usage: tsukimi [OPTIONS] [GAME_DIR]\n"
           "  GAME_DIR           the game's folder (default: the current directory)\n"
           "  --headless         no window and no audio device; virtual clock; dialogs\n"
           "                     answered with their first button, texts on stderr\n"
           "  --frames N         close after N frames and shut down in order\n"
           "  --screenshot FILE  write the last presented frame as PNG at exit\n"
           "  --input FILE       scripted input: lines 'FRAME EVENT ARGS'\n"
           "  --dump-vars FILE   write the game thread's system and game variables\n"
           "                     as JSON (UTF-8) at exit\n"
           "  --help             this text\n";
}

std::optional<TCommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string* error)
{
    TCommandLine out;
    bool haveDir = false;
    auto fail = [&](const std::string& message) -> std::optional<TCommandLine> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            out.Help = true;
        } else if (arg == "--headless") {
            out.Headless = true;
        } else if (arg == "--frames") {
            std::string text;
            uint64_t frames = 0;
            if (!value(text) || !ParseUnsigned(text, frames))
                return fail("--frames needs a whole number");
            out.Frames = frames;
        } else if (arg == "--screenshot") {
            if (!value(out.Screenshot) || out.Screenshot.empty())
                return fail("--screenshot needs a file name");
        } else if (arg == "--dump-vars") {
            if (!value(out.DumpVars) || out.DumpVars.empty())
                return fail("--dump-vars needs a file name");
        } else if (arg == "--input") {
            if (!value(out.InputFile) || out.InputFile.empty())
                return fail("--input needs a file name");
        } else if (!arg.empty() && arg[0] == '-') {
            return fail("unknown option " + arg);
        } else if (haveDir) {
            return fail("only one game folder may be given");
        } else {
            out.GameDir = arg;
            haveDir = true;
        }
    }
    return out;
}

bool TScriptedInput::Parse(const std::string& text, std::string* error)
{
    events_.clear();
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& why) {
        if (error)
            *error = "line " + std::to_string(number) + ": " + why;
        events_.clear();
        return false;
    };
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            w.push_back(word);
        if (w.empty() || w[0][0] == '#')
            continue;
        uint64_t frame = 0;
        if (!ParseUnsigned(w[0], frame))
            return fail("the frame must be a whole number");
        if (w.size() < 2)
            return fail("missing event");
        const std::string& name = w[1];
        using platform::Event;
        using platform::EventKind;
        using platform::MouseButton;
        auto point = [&](int& x, int& y) { return w.size() == 4 && ParseInt(w[2], x) && ParseInt(w[3], y); };
        Event e;
        int x = 0, y = 0;
        if (name == "click" || name == "rclick" || name == "down" || name == "up" || name == "move") {
            if (!point(x, y))
                return fail(name + " needs X Y");
            e.x = x;
            e.y = y;
            e.button = name == "rclick" ? MouseButton::Right : MouseButton::Left;
            if (name == "move") {
                e.kind = EventKind::MouseMove;
                events_.emplace(frame, e);
                continue;
            }
            if (name != "up") {
                e.kind = EventKind::MouseDown;
                events_.emplace(frame, e);
            }
            if (name != "down") {
                e.kind = EventKind::MouseUp;
                events_.emplace(frame, e);
            }
        } else if (name == "wheel") {
            if (w.size() != 3 || !ParseInt(w[2], e.wheel))
                return fail("wheel needs N");
            e.kind = EventKind::Wheel;
            events_.emplace(frame, e);
        } else if (name == "key") {
            // Key names may contain spaces ("Left Shift").
            std::string keyName;
            for (size_t i = 2; i < w.size(); ++i)
                keyName += (i > 2 ? " " : "") + w[i];
            e.key = platform::VirtualKeyFromName(keyName);
            if (e.key == 0)
                return fail("unknown key name '" + keyName + "'");
            e.kind = EventKind::KeyDown;
            events_.emplace(frame, e);
            e.kind = EventKind::KeyUp;
            events_.emplace(frame, e);
        } else if (name == "close") {
            e.kind = EventKind::Close;
            events_.emplace(frame, e);
        } else {
            return fail("unknown event '" + name + "'");
        }
    }
    return true;
}

std::vector<platform::Event> TScriptedInput::EventsFor(uint64_t frame) const
{
    std::vector<platform::Event> out;
    const auto [first, last] = events_.equal_range(frame);
    for (auto it = first; it != last; ++it)
        out.push_back(it->second);
    return out;
}

} // namespace tsukimi
