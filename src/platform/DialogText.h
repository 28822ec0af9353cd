#pragma once
#include <string>
#include <string_view>

namespace tsukimi::platform {

// A Shift-JIS dialog text as UTF-8, the message table's "%%%n" line breaks
// turned into newlines.
std::string DialogTextToUtf8(std::string_view sjis);

} // namespace tsukimi::platform
