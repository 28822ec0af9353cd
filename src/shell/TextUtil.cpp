#include "shell/TextUtil.h"

namespace tsukimi {
namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLead(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || c >= 0xE0;
}

} // namespace

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

std::string ReplaceAllIgnoreCase(std::string_view text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (i + from.size() <= text.size() && EqualsIgnoreAsciiCase(text.substr(i, from.size()), from)) {
            out += to;
            i += from.size();
            continue;
        }
        const size_t step = (IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
        out.append(text.substr(i, step));
        i += step;
    }
    return out;
}

} // namespace tsukimi
