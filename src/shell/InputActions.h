#pragma once
// Turns the frame's input state into the interpreter's input actions: a
// left click is a click at the pointer, Enter or Space a key click. The full
// system key map replaces this with its configurable table.
#include "script/ScriptInput.h"
#include "shell/Input.h"

namespace tsukimi {

class TInputActions final : public TScriptInputSource
{
public:
    explicit TInputActions(const TInput& input) : input_(input) {}
    TInputAction NextAction() override;
    int PointerX() const override { return input_.MouseGame().x; }
    int PointerY() const override { return input_.MouseGame().y; }

private:
    const TInput& input_;
};

} // namespace tsukimi
