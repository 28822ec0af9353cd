#pragma once
// The engine's one caching policy. Decoded objects (file bytes, images,
// waves, motion data) are kept by name after use, shared while in use, aged
// while idle, and evicted when the idle ones exceed a byte budget. A subclass
// says how names become keys, how an object is made from a stream and how
// large it is.
//
// Objects are handed out as shared pointers: an entry counts its users
// through Get/GetOrCreate and Release, and only idle entries (in-use 0) are
// ever evicted. Clear drops every entry, but an object still held by a
// caller stays alive until that caller lets go of it; Release of an object
// the cache does not hold changes nothing in the cache (the caller's last
// pointer frees it).
#include "data/MemoryStream.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tsukimi {

// h := (h rotated left by 1) + byte, 32-bit.
uint32_t CacheKeyHash(std::string_view key);

// The byte budgets derived from the setting CacheSize.
struct CacheBudgets
{
    uint64_t images = 0; // CacheSize
    uint64_t waves = 0;  // min(CacheSize / 6, 8388608)
    uint64_t files = 0;  // CacheSize / 4 + 8388608
};
// A negative CacheSize counts as 0.
CacheBudgets CacheBudgetsFor(int64_t cacheSize);

template <class T> class TCache
{
public:
    using Pointer = std::shared_ptr<T>;

    static constexpr int FreshStart = 4096;
    static constexpr size_t EntryCap = 512;
    static constexpr int RemovalsPerTrim = 256;

    struct TCacheListObject
    {
        std::string key;
        std::string data; // a second text the caller attaches
        uint32_t keyHash = 0;
        uint64_t size = 0;
        Pointer object;
        int inUse = 0;
        int uses = 0;
        int freshness = FreshStart;
    };

    explicit TCache(uint64_t limit = 0) : limit_(limit) {}
    virtual ~TCache() = default;
    TCache(const TCache&) = delete;
    TCache& operator=(const TCache&) = delete;

    // False (and the object is not kept) when the key exists. Otherwise the
    // new entry is in use once; then the cache trims.
    bool Add(Pointer object, std::string_view name, std::string_view data = {});
    // Null when absent. `refresh` renews the freshness; `acquire` or
    // `refresh` counts a use; `acquire` also marks one more user.
    Pointer Get(std::string_view name, bool acquire, bool refresh);
    // The cached object (one more user; `stream` skips `count` bytes as if
    // read), else a new one from CreateObject, added in use. Null when the
    // object cannot be made (CreateObject fails or throws).
    Pointer GetOrCreate(TMemoryStream& stream, size_t count, std::string_view data,
                        std::string_view name);
    // One user fewer (not below 0), then a trim.
    void Release(const Pointer& object);

    void SetLimit(uint64_t bytes);
    uint64_t Limit() const { return limit_; }
    // Drops every idle entry.
    void Flush();
    void Clear() { entries_.clear(); }
    void Trim(bool force = false);

    void SetUniqueNames(bool unique) { uniqueNames_ = unique; }
    bool UniqueNames() const { return uniqueNames_; }
    const std::vector<TCacheListObject>& Entries() const { return entries_; }
    size_t Count() const { return entries_.size(); }

protected:
    virtual std::string NormaliseName(std::string_view name) const;
    // Null when the object cannot be made.
    virtual Pointer CreateObject(TMemoryStream& stream, size_t count, std::string_view name) = 0;
    virtual uint64_t ObjectSize(const T& object) const = 0;

private:
    TCacheListObject* Find(std::string_view key);
    void RemoveIdleEmpty();
    uint64_t IdleTotal() const;

    uint64_t limit_ = 0;
    std::vector<TCacheListObject> entries_;
    uint64_t requests_ = 0;
    bool uniqueNames_ = true;
};

// Caches memory streams; a new object is a copy of `count` bytes of the
// stream from its position (fewer when it ends first).
class TMemoryStreamCache : public TCache<TMemoryStream>
{
public:
    using TCache::TCache;

protected:
    Pointer CreateObject(TMemoryStream& stream, size_t count, std::string_view name) override;
    uint64_t ObjectSize(const TMemoryStream& object) const override { return object.Size(); }
};

// The data locator's cache of pack entries; keys use the engine's LowerText.
class TFileMemoryCache : public TMemoryStreamCache
{
public:
    using TMemoryStreamCache::TMemoryStreamCache;

protected:
    std::string NormaliseName(std::string_view name) const override;
};

// The default key: the platform's code page 932 lower-casing.
std::string CacheDefaultKey(std::string_view name);

// ---------------------------------------------------------------------------

template <class T> std::string TCache<T>::NormaliseName(std::string_view name) const
{
    return CacheDefaultKey(name);
}

template <class T> typename TCache<T>::TCacheListObject* TCache<T>::Find(std::string_view key)
{
    const uint32_t hash = CacheKeyHash(key);
    for (auto& entry : entries_) {
        if (entry.keyHash == hash && entry.key == key) return &entry;
    }
    return nullptr;
}

template <class T> bool TCache<T>::Add(Pointer object, std::string_view name, std::string_view data)
{
    if (!object) return false;
    std::string key = NormaliseName(name);
    if (!uniqueNames_) key += std::to_string(requests_);
    if (Find(key)) return false;
    TCacheListObject entry;
    entry.keyHash = CacheKeyHash(key);
    entry.key = std::move(key);
    entry.data = std::string(data);
    entry.size = ObjectSize(*object);
    entry.object = std::move(object);
    entry.inUse = 1;
    entry.uses = 1;
    entries_.push_back(std::move(entry));
    Trim();
    return true;
}

template <class T>
typename TCache<T>::Pointer TCache<T>::Get(std::string_view name, bool acquire, bool refresh)
{
    TCacheListObject* entry = Find(NormaliseName(name));
    if (!entry) return nullptr;
    if (refresh) entry->freshness = FreshStart;
    if (acquire || refresh) ++entry->uses;
    if (acquire) ++entry->inUse;
    return entry->object;
}

template <class T>
typename TCache<T>::Pointer TCache<T>::GetOrCreate(TMemoryStream& stream, size_t count,
                                                   std::string_view data, std::string_view name)
{
    ++requests_;
    if (TCacheListObject* entry = Find(NormaliseName(name))) {
        ++entry->uses;
        ++entry->inUse;
        entry->freshness = FreshStart;
        stream.Seek(stream.Position() + std::min(count, stream.Remaining()));
        return entry->object;
    }
    Pointer object;
    try {
        object = CreateObject(stream, count, name);
    } catch (const std::exception&) {
        return nullptr;
    }
    if (!object) return nullptr;
    Pointer result = object;
    if (!Add(std::move(object), name, data)) return nullptr;
    return result;
}

template <class T> void TCache<T>::Release(const Pointer& object)
{
    if (!object) return;
    for (auto& entry : entries_) {
        if (entry.object == object) {
            if (entry.inUse > 0) --entry.inUse;
            Trim();
            return;
        }
    }
}

template <class T> void TCache<T>::SetLimit(uint64_t bytes)
{
    limit_ = bytes;
    Trim();
}

template <class T> void TCache<T>::Flush()
{
    const uint64_t old = limit_;
    limit_ = 0;
    Trim(true);
    limit_ = old;
}

template <class T> uint64_t TCache<T>::IdleTotal() const
{
    uint64_t total = 0;
    for (const auto& entry : entries_) {
        if (entry.inUse == 0) total += entry.size;
    }
    return total;
}

template <class T> void TCache<T>::RemoveIdleEmpty()
{
    for (auto& entry : entries_) {
        if (entry.inUse == 0 && entry.freshness > 0) --entry.freshness;
    }
    std::erase_if(entries_,
                  [](const TCacheListObject& e) { return e.inUse == 0 && e.freshness == 0; });
}

template <class T> void TCache<T>::Trim(bool force)
{
    RemoveIdleEmpty();
    uint64_t total = IdleTotal();
    if (!force && entries_.size() < EntryCap && total <= limit_) return;

    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const TCacheListObject& a, const TCacheListObject& b) {
                         return a.freshness > b.freshness;
                     });
    for (int removed = 0; total > limit_ && removed < RemovalsPerTrim; ++removed) {
        auto idle = std::find_if(entries_.rbegin(), entries_.rend(),
                                 [](const TCacheListObject& e) { return e.inUse == 0; });
        if (idle == entries_.rend()) break;
        total -= idle->size;
        entries_.erase(std::next(idle).base());
    }
    if (entries_.size() >= EntryCap) {
        size_t toAge = entries_.size() - EntryCap;
        for (auto it = entries_.rbegin(); it != entries_.rend() && toAge > 0; ++it) {
            if (it->inUse == 0) {
                it->freshness = 0;
                --toAge;
            }
        }
    }
}

} // namespace tsukimi
