#include "shell/MessageTable.h"

#include "shell/TextUtil.h"

namespace tsukimi {

void TMessageTable::Load(std::string_view text)
{
    lines_.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            lines_.emplace_back(line);
        start = end + 1;
    }
}

std::string TMessageTable::Get(std::string_view key) const
{
    for (const auto& line : lines_) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        if (EqualsIgnoreAsciiCase(std::string_view(line).substr(0, eq), key))
            return line.substr(eq + 1);
    }
    return {};
}

} // namespace tsukimi
