#pragma once
// The variable dump of `--dump-vars`: the system and game stores of an
// interpreter as JSON in UTF-8, for authors inspecting a run and for checks.
//   {"system": {NAME: VAR, ...}, "game": {NAME: VAR, ...}}
//   VAR = {"type": "int"|"str"|"obj", "dims": [d1, d2, d3, d4], "values": [...]}
#include <string>

namespace tsukimi {

class TValue;

std::string VariablesAsJson(const TValue& system, const TValue& game);

} // namespace tsukimi
