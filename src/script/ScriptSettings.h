#pragma once
// What the script language takes from the engine: where its error messages
// go, and the game settings that change how script text is read.
#include <functional>
#include <string_view>

namespace tsukimi {

// The script error report. An empty function drops the messages.
using TScriptErrorReport = std::function<void(std::string_view message)>;

struct TScriptSettings
{
    // Braces group text in command lines, arguments and brace literals.
    bool OldStringWordEnable = true;
    // Replacement entries of the pattern kinds see the line with CR LF added.
    bool OldScriptReplaceAddReturnCode = true;
};

} // namespace tsukimi
