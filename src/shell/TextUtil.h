#pragma once
// Small text routines of the shell (Shift-JIS byte strings).
#include <string>
#include <string_view>

namespace tsukimi {

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
// Replaces every occurrence of `from` (compared without ASCII case) by `to`,
// stepping over two-byte characters so a match never starts on a trail byte.
std::string ReplaceAllIgnoreCase(std::string_view text, std::string_view from, std::string_view to);

} // namespace tsukimi
