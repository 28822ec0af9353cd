#include "data/Cache.h"

#include "data/TextHelpers.h"

#include <bit>

namespace tsukimi {

uint32_t CacheKeyHash(std::string_view key)
{
    uint32_t hash = 0;
    for (char c : key)
        hash = std::rotl(hash, 1) + static_cast<uint8_t>(c);
    return hash;
}

CacheBudgets CacheBudgetsFor(int64_t cacheSize)
{
    const uint64_t size = cacheSize > 0 ? static_cast<uint64_t>(cacheSize) : 0;
    constexpr uint64_t kEightMiB = 8388608;
    return CacheBudgets{size, std::min<uint64_t>(size / 6, kEightMiB), size / 4 + kEightMiB};
}

std::string CacheDefaultKey(std::string_view name)
{
    return AnsiLowerText(name);
}

TMemoryStreamCache::Pointer TMemoryStreamCache::CreateObject(TMemoryStream& stream, size_t count,
                                                             std::string_view /*name*/)
{
    auto copy = std::make_shared<TMemoryStream>();
    copy->CopyFrom(stream, std::min(count, stream.Remaining()));
    copy->Rewind();
    return copy;
}

std::string TFileMemoryCache::NormaliseName(std::string_view name) const
{
    return LowerText(name);
}

} // namespace tsukimi
