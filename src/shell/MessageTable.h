#pragma once
// The message table: every user-visible engine text, looked up by key in
// lines of the form key=value.
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

class TMessageTable
{
public:
    // Takes the table's text as stored (Shift-JIS, CR LF or LF lines).
    void Load(std::string_view text);
    void Clear() { lines_.clear(); }
    bool Empty() const { return lines_.empty(); }
    // The value of the first line whose key equals `key` without regard to
    // ASCII case; empty when there is none.
    std::string Get(std::string_view key) const;

private:
    std::vector<std::string> lines_;
};

} // namespace tsukimi
