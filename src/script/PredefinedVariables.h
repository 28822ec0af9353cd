#pragma once
// The variables the interpreter declares in the game store at level 0 each
// time it resets its variables (result variables, fixed texts, lock and
// sound category constants).
#include "script/Value.h"

namespace tsukimi {

void DeclarePredefinedVariables(TValue& gameStore);

// The subroutine parameters, declared in the local store at a new level.
void DeclareParameterVariables(TValue& localStore, int level);

} // namespace tsukimi
