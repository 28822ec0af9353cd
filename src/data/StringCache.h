#pragma once
// A small fixed-size cache from a text to a number: recently used names of a
// hash table and the like get a short linear probe instead of a full search.
// Texts compare exactly (case-sensitive); writes go round-robin.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

class TStringCache
{
public:
    explicit TStringCache(size_t capacity);

    // With `reuse`, an entry of the same text is overwritten; otherwise the
    // slot at the write position is taken and the position advances.
    void Put(std::string_view text, int64_t value, bool reuse);
    int64_t Get(std::string_view text, int64_t fallback) const;
    void Clear();

    size_t Count() const { return count_; }
    size_t Capacity() const { return entries_.size(); }

private:
    struct Entry
    {
        int64_t value = 0;
        std::string text;
        uint32_t hash = 0;
    };
    // Index of the entry holding `text`, or Capacity() when none does.
    size_t IndexOf(std::string_view text, uint32_t hash) const;

    std::vector<Entry> entries_;
    size_t count_ = 0;
    size_t position_ = 0;
};

} // namespace tsukimi
