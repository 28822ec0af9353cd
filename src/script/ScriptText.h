#pragma once
// Scanning of command lines and expressions: splitting arguments, and the
// groups opened by double quotes, brackets and parentheses. Two-byte
// characters are stepped over whole; `braceWords` is the OldStringWordEnable
// setting (braces group text).
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

// Pieces between `delimiter` bytes outside quotes, brackets, parentheses
// (and braces), trimmed of spaces; a trailing delimiter adds no piece;
// padded with empty pieces to `minCount`.
std::vector<std::string> SplitArguments(std::string_view text, char delimiter, int minCount,
                                        bool braceWords);
// The same into `pieces` (replacing what it held), reusing its strings.
void SplitArgumentsInto(std::string_view text, char delimiter, int minCount, bool braceWords,
                        std::vector<std::string>& pieces);

// The text inside the first group opened by a double quote, "[" or "(";
// empty without an opener or its closer.
std::string_view InnerGroup(std::string_view text);
// The text before the first group opener; without one, the text less its
// last byte.
std::string_view HeadBeforeGroup(std::string_view text, bool braceWords);
// A brace literal: the text between the first byte ("{", "(", "[" or a
// double quote) and its matching closer, taken as it stands.
std::string TakeBraceText(std::string_view argument);

// Trims spaces (0x20 only) at both ends.
std::string_view TrimSpaces(std::string_view text);

} // namespace tsukimi
