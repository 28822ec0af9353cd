#pragma once
// Where the interpreter takes its input actions from (the system key map
// fed by the engine), and the read-text log shared by both interpreters.
#include <cstdint>
#include <string>
#include <string_view>

namespace tsukimi {

// Action numbers: 1 click, 2 key click, 3 button click, 4 skip click,
// 5-35 the system actions; 0 none.
struct TInputAction
{
    int Number = 0;
    int X = 0, Y = 0;
    std::string Text;   // the action's label text
    std::string Target; // "self" runs the label here; empty means "system"
};

class TScriptInputSource
{
public:
    virtual ~TScriptInputSource() = default;
    // The next action of this frame; Number 0 when none.
    virtual TInputAction NextAction() = 0;
    virtual int PointerX() const { return 0; }
    virtual int PointerY() const { return 0; }
};

class TScriptReadLog
{
public:
    virtual ~TScriptReadLog() = default;
    // Records a line read under a label; true when it was not read before.
    virtual bool RecordLine(std::string_view labelKey, int lineOffset) = 0;
    virtual bool IsRead(std::string_view labelKey, int lineOffset) const = 0;
    virtual bool Suppressed() const { return false; }
};

} // namespace tsukimi
