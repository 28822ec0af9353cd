#include "data/StringCache.h"

#include "data/TextHelpers.h"

namespace tsukimi {

TStringCache::TStringCache(size_t capacity) : entries_(capacity == 0 ? 1 : capacity) {}

size_t TStringCache::IndexOf(std::string_view text, uint32_t hash) const
{
    for (size_t i = 0; i < count_; ++i) {
        if (entries_[i].hash == hash && entries_[i].text == text) return i;
    }
    return entries_.size();
}

void TStringCache::Put(std::string_view text, int64_t value, bool reuse)
{
    const uint32_t hash = StringHash(text);
    if (reuse) {
        const size_t found = IndexOf(text, hash);
        if (found < entries_.size()) {
            entries_[found].value = value;
            return;
        }
    }
    Entry& slot = entries_[position_];
    slot.value = value;
    slot.text.assign(text);
    slot.hash = hash;
    position_ = (position_ + 1) % entries_.size();
    if (count_ < entries_.size()) ++count_;
}

int64_t TStringCache::Get(std::string_view text, int64_t fallback) const
{
    const size_t found = IndexOf(text, StringHash(text));
    return found < entries_.size() ? entries_[found].value : fallback;
}

void TStringCache::Clear()
{
    count_ = 0;
    position_ = 0;
}

} // namespace tsukimi
