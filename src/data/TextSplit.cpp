// Splitting a line into items at a separator, respecting brackets and quotes.
#include "data/TextHelpers.h"

namespace tsukimi {
namespace {

class Splitter
{
public:
    Splitter(std::string_view separator, bool skipBlanks, bool stopAtComment)
        : separator_(separator), skipBlanks_(skipBlanks), stopAtComment_(stopAtComment)
    {}

    std::vector<std::string> Run(std::string_view text, int minCount)
    {
        for (size_t i = 0; i < text.size();) {
            const size_t n = IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
            if (!Step(text, i, n)) break;
            i += consumed_;
        }
        if (!current_.empty()) items_.push_back(std::move(current_));
        if (!separator_.empty() && last_ == separator_) items_.emplace_back();
        while (static_cast<int64_t>(items_.size()) < minCount)
            items_.emplace_back();
        return std::move(items_);
    }

private:
    // Handles the character of `n` bytes at text[i]; false ends the walk.
    bool Step(std::string_view text, size_t i, size_t n)
    {
        const std::string_view c = text.substr(i, n);
        last_ = c;
        consumed_ = n;
        if (c == "\r" && i + 1 < text.size() && text[i + 1] == '\n') {
            EndItem();
            consumed_ = 2;
            return true;
        }
        if (skipBlanks_ && (c == " " || c == "\t")) return true;
        if (stopAtComment_ && c == "/" && i + 1 < text.size() && text[i + 1] == '/') return false;
        Track(c);
        if (c == separator_ && depth_ == 0 && !inQuote_) {
            EndItem();
        } else {
            current_ += c;
        }
        return true;
    }

    void Track(std::string_view c)
    {
        if (c == "{" || c == "(" || c == "[")
            ++depth_;
        else if (c == "}" || c == ")" || c == "]")
            --depth_;
        else if (c == "\"")
            inQuote_ = !inQuote_;
    }

    void EndItem()
    {
        items_.push_back(std::move(current_));
        current_.clear();
    }

    std::string_view separator_;
    bool skipBlanks_;
    bool stopAtComment_;
    std::vector<std::string> items_;
    std::string current_;
    std::string_view last_;
    size_t consumed_ = 0;
    int depth_ = 0;
    bool inQuote_ = false;
};

} // namespace

std::vector<std::string> SplitText(std::string_view separator, std::string_view text,
                                   bool skipBlanks, int minCount, bool stopAtComment)
{
    // The separator is one character: its first one or two bytes.
    if (!separator.empty()) separator = separator.substr(0, IsLeadByte(separator[0]) ? 2 : 1);
    return Splitter(separator, skipBlanks, stopAtComment).Run(text, minCount);
}

} // namespace tsukimi
