#pragma once
// The formatter behind "\fmt": literal text, "%%", and at most one
// conversion with flags "-+ 0#", width and precision, then "d i u x X o c"
// for an integer value or "s" for a string value. Anything else (a second
// conversion, "*", length modifiers, "%n", a conversion of the wrong kind,
// widths or precisions above MaxFormatWidth) gives an empty result.
#include "script/ReturnValue.h"

#include <string>
#include <string_view>

namespace tsukimi {

inline constexpr int MaxFormatWidth = 4096;

std::string FormatScriptValue(std::string_view format, const TReturnValue& value);

} // namespace tsukimi
