#include "shell/InputActions.h"

namespace tsukimi {

namespace {
constexpr int KeyReturn = 13;
constexpr int KeySpace = 32;
} // namespace

TInputAction TInputActions::NextAction()
{
    TInputAction action;
    const TPoint at = input_.MouseGame();
    if (input_.Clicks(platform::MouseButton::Left) > 0) {
        action.Number = 1;
        action.X = at.x;
        action.Y = at.y;
    } else if (input_.KeyPresses(KeyReturn) > 0 || input_.KeyPresses(KeySpace) > 0) {
        action.Number = 2;
    }
    return action;
}

} // namespace tsukimi
