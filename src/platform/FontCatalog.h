#pragma once
// The installed font faces that can show Japanese text.
#include <string>
#include <vector>

namespace tsukimi::platform {

struct InstalledFace
{
    std::string Name; // Shift-JIS
    bool FixedPitch = false;
};

// Family names of the installed fonts that cover Japanese, each once, in
// Shift-JIS (faces whose name has no Shift-JIS form are left out).
std::vector<InstalledFace> InstalledJapaneseFaces();

} // namespace tsukimi::platform
