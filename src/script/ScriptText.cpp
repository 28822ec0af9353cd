#include "script/ScriptText.h"

#include "data/TextHelpers.h"

#include <algorithm>
#include <array>

namespace tsukimi {

namespace {

enum : uint8_t { Plain, Lead, Brace, Quote, Open, Close };

constexpr std::array<uint8_t, 256> ByteClass = [] {
    std::array<uint8_t, 256> table{};
    for (int b = 0; b < 256; ++b) {
        if (IsLeadByte(static_cast<uint8_t>(b))) table[static_cast<size_t>(b)] = Lead;
    }
    table['{'] = table['}'] = Brace;
    table['"'] = Quote;
    table['['] = table['('] = Open;
    table[']'] = table[')'] = Close;
    return table;
}();

} // namespace

std::string_view TrimSpaces(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.substr(begin, end - begin);
}

void SplitArgumentsInto(std::string_view text, char delimiter, int minCount, bool braceWords,
                        std::vector<std::string>& pieces)
{
    // The strings already in `pieces` are reused, so repeated splits of
    // similar lines allocate nothing.
    size_t count = 0;
    const auto put = [&](std::string_view piece) {
        if (count < pieces.size()) {
            pieces[count].assign(piece);
        } else {
            pieces.emplace_back(piece);
        }
        ++count;
    };
    if (pieces.capacity() < static_cast<size_t>(std::max(minCount, 8))) {
        pieces.reserve(static_cast<size_t>(std::max(minCount, 8)));
    }
    int braces = 0, brackets = 0;
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const uint8_t kind = ByteClass[static_cast<uint8_t>(c)];
        if (kind != Plain) {
            if (kind == Lead) {
                ++i;
                continue;
            }
            if (kind == Brace && braceWords) {
                braces += c == '{' ? 1 : -1;
                continue;
            }
            if (kind == Quote) {
                if (braces == 0) quoted = !quoted;
                continue;
            }
            if (braces == 0 && !quoted) brackets += kind == Open ? 1 : kind == Close ? -1 : 0;
        }
        if (c == delimiter && braces == 0 && !quoted && brackets == 0) {
            put(TrimSpaces(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    if (start < text.size()) put(TrimSpaces(text.substr(start)));
    while (count < static_cast<size_t>(std::max(minCount, 0)))
        put({});
    pieces.resize(count);
}

std::vector<std::string> SplitArguments(std::string_view text, char delimiter, int minCount,
                                        bool braceWords)
{
    std::vector<std::string> pieces;
    SplitArgumentsInto(text, delimiter, minCount, braceWords, pieces);
    return pieces;
}

std::string_view InnerGroup(std::string_view text)
{
    char closer = 0;
    size_t start = 0;
    int depth = 0;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsLeadByte(c)) {
            ++i;
            continue;
        }
        if (closer == 0) {
            if (c == '"') {
                closer = '"';
                quoted = true;
            } else if (c == '[' || c == '(') {
                closer = c == '[' ? ']' : ')';
                depth = 1;
            } else {
                continue;
            }
            start = i + 1;
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted) {
            if (c == '[' || c == '(') ++depth;
            if (c == ']' || c == ')') --depth;
        }
        if (c == closer && depth == 0 && !quoted) return text.substr(start, i - start);
    }
    return {};
}

std::string_view HeadBeforeGroup(std::string_view text, bool braceWords)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsLeadByte(c)) {
            ++i;
            continue;
        }
        if (c == '"' || c == '(' || c == '[' || (braceWords && c == '{')) return text.substr(0, i);
    }
    return text.empty() ? text : text.substr(0, text.size() - 1);
}

std::string TakeBraceText(std::string_view argument)
{
    std::string taken;
    if (TrimSpaces(argument).empty()) return taken;
    int braces = 0, brackets = 0;
    bool quoted = false;
    char closer = 0;
    bool opened = false;
    for (size_t i = 0; i < argument.size(); ++i) {
        const char c = argument[i];
        if (IsLeadByte(c)) {
            if (!opened) return taken; // no opener: nothing is taken
            taken += argument.substr(i, 2);
            ++i;
            continue;
        }
        if (c == '{') {
            ++braces;
        } else if (c == '}') {
            --braces;
        } else if (braces == 0) {
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted) {
                if (c == '[' || c == '(') ++brackets;
                if (c == ']' || c == ')') --brackets;
            }
        }
        if (!quoted && braces == 0 && static_cast<uint8_t>(c) < '!') continue;
        if (!opened) {
            switch (c) {
            case '{':
                closer = '}';
                break;
            case '(':
                closer = ')';
                break;
            case '[':
                closer = ']';
                break;
            case '"':
                closer = '"';
                break;
            default:
                return taken;
            }
            opened = true;
            continue;
        }
        if (c == closer && brackets == 0 && !quoted && braces == 0) return taken;
        taken += c;
    }
    return taken;
}

} // namespace tsukimi
