#pragma once
// Shift-JIS (code page 932) <-> UTF-8.
#include <string>
#include <string_view>

namespace tsukimi::platform {

// Undecodable bytes become U+FFFD.
std::string SjisToUtf8(std::string_view sjis);
// Characters without a CP932 form become '?'.
std::string Utf8ToSjis(std::string_view utf8);

} // namespace tsukimi::platform
