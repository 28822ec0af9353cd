#pragma once
// Case folding of native (UTF-8) file names for the case-insensitive lookup.
#include <string>
#include <string_view>

namespace tsukimi::platform {

// Lower-cases the letters that have case in code page 932 or Latin-1:
// ASCII A-Z, Latin-1 capitals (U+00C0-U+00DE except U+00D7), Greek
// capitals (U+0391-U+03A9), Cyrillic capitals (U+0400-U+042F), Roman
// numerals (U+2160-U+216F) and fullwidth Latin capitals (U+FF21-U+FF3A).
// Everything else, including malformed bytes, is kept as it is. The rule is
// a fixed table, independent of the locale.
std::string FoldName(std::string_view utf8);

} // namespace tsukimi::platform
