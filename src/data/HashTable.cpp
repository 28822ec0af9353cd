#include "data/HashTable.h"

#include "data/BlockTransforms.h"
#include "data/DataConstants.h"
#include "data/PackLimits.h"
#include "data/TextHelpers.h"

#include <cstring>
#include <limits>

namespace tsukimi {

namespace {

constexpr size_t HeaderSize = 32;
constexpr size_t VersionSize = 16;
constexpr size_t CacheNames = 32;
constexpr std::string_view Version12 = "hashver1.2";
constexpr std::string_view Version13 = "hashver1.3";
constexpr std::string_view SavedVersion = "HashVer1.3";
// Smallest entry in the body: empty name, 64-bit offset (and 32-bit hash).
constexpr size_t MinEntry12 = 2 + 8;
constexpr size_t MinEntry13 = 2 + 8 + 4;
// A second hash stored as -1 matches every name.
constexpr uint32_t AnyHash = 0xFFFFFFFFu;

std::string FixedText(const uint8_t* field, size_t size)
{
    const void* zero = std::memchr(field, 0, size);
    const size_t length =
        zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - field) : size;
    return std::string(reinterpret_cast<const char*>(field), length);
}

} // namespace

THashTable::THashTable(uint32_t bucketCount)
    : buckets_(bucketCount == 0 ? 1 : bucketCount), cache_(CacheNames)
{}

void THashTable::Clear()
{
    for (auto& bucket : buckets_)
        bucket.clear();
    count_ = 0;
    payload_.clear();
    cache_.Clear();
}

uint32_t THashTable::BucketOf(std::string_view lowerName) const
{
    uint32_t sum = 0;
    for (size_t i = 0; i < lowerName.size(); ++i)
        sum += uint32_t{static_cast<uint8_t>(lowerName[i])} * ((i + 1) & 0xFFu);
    if (buckets_.size() == 256) return sum & 0xFFu;
    return sum % static_cast<uint32_t>(buckets_.size());
}

int64_t THashTable::Locate(const std::string& lowerName)
{
    const int64_t cached = cache_.Get(lowerName, -1);
    if (cached >= 0) return cached;
    const uint32_t hash = StringHash(lowerName);
    for (const Entry& entry : buckets_[BucketOf(lowerName)]) {
        if ((entry.hash == hash || entry.hash == AnyHash) && entry.name == lowerName) {
            if (entry.offset > uint64_t{std::numeric_limits<int64_t>::max()}) return -1;
            const auto offset = static_cast<int64_t>(entry.offset);
            cache_.Put(lowerName, offset, false);
            return offset;
        }
    }
    return -1;
}

bool THashTable::Add(std::string_view name, const void* data, size_t size)
{
    if (name.empty()) return false;
    const std::string lower = LowerText(name);
    const int64_t found = Locate(lower);
    if (found >= 0) {
        const auto offset = static_cast<uint64_t>(found);
        if (size > 0) {
            // In place; a longer value than the payload holds extends it.
            if (offset > payload_.size() || size > payload_.size() - offset)
                payload_.resize(offset + size);
            std::memcpy(payload_.data() + offset, data, size);
        }
        return true;
    }
    auto& bucket = buckets_[BucketOf(lower)];
    if (bucket.size() >= MaxBucketEntries) return false;
    const uint64_t offset = payload_.size();
    bucket.push_back(Entry{lower, offset, StringHash(lower)});
    cache_.Put(lower, static_cast<int64_t>(offset), false);
    if (size > 0) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        payload_.insert(payload_.end(), bytes, bytes + size);
    }
    ++count_;
    return true;
}

bool THashTable::Find(std::string_view name, void* out, size_t size)
{
    return FindLowered(LowerText(name), out, size);
}

bool THashTable::FindLowered(const std::string& lowerName, void* out, size_t size)
{
    const int64_t found = Locate(lowerName);
    if (found < 0) return false;
    const auto offset = static_cast<uint64_t>(found);
    if (offset > payload_.size() || size > payload_.size() - offset) return false;
    if (out && size > 0) std::memcpy(out, payload_.data() + offset, size);
    return true;
}

bool THashTable::ReadBody(TMemoryStream& body, bool withHashes, uint32_t payloadSize)
{
    const size_t minEntry = withHashes ? MinEntry13 : MinEntry12;
    for (auto& bucket : buckets_) {
        const uint16_t entries = body.ReadU16();
        body.Require(size_t{entries} * minEntry);
        bucket.reserve(entries);
        for (uint16_t i = 0; i < entries; ++i) {
            Entry entry;
            entry.name = ReadString(body);
            entry.offset = body.ReadU64();
            entry.hash = withHashes ? body.ReadU32() : StringHash(entry.name);
            bucket.push_back(std::move(entry));
        }
        count_ += entries;
    }
    body.Require(payloadSize);
    payload_.resize(payloadSize);
    body.ReadBytes(payload_.data(), payloadSize);
    return true;
}

bool THashTable::LoadFromStream(TMemoryStream& stream)
{
    Clear();
    try {
        if (stream.Remaining() < HeaderSize) return false;
        uint8_t version[VersionSize];
        stream.ReadBytes(version, VersionSize);
        const std::string lowered = LowerText(FixedText(version, VersionSize));
        const bool is13 = lowered == Version13;
        if (!is13 && lowered != Version12) return false;
        const uint32_t bucketCount = stream.ReadU32();
        stream.ReadU32(); // entry count: the buckets tell
        const uint32_t payloadSize = stream.ReadU32();
        const uint32_t blockSize = stream.ReadU32();
        if (bucketCount != buckets_.size() || blockSize > stream.Remaining()) return false;
        std::vector<uint8_t> block = stream.ReadBlock(blockSize);
        BlockScramble(block, true, constants::kHashTableSeed);
        auto expanded = PackExpand(block, false, ExpandLimitFor(block.size()));
        if (!expanded) return false;
        TMemoryStream body(std::move(*expanded));
        if (ReadBody(body, is13, payloadSize)) return true;
    } catch (const StreamError&) {
    }
    Clear();
    return false;
}

bool THashTable::LoadFromFile(platform::FileSystem& files, std::string_view name)
{
    auto bytes = files.ReadAll(name);
    if (!bytes) {
        Clear();
        return false;
    }
    TMemoryStream stream(std::move(*bytes));
    return LoadFromStream(stream);
}

void THashTable::SaveToStream(TMemoryStream& stream) const
{
    TMemoryStream body;
    for (const auto& bucket : buckets_) {
        body.WriteU16(static_cast<uint16_t>(bucket.size()));
        for (const Entry& entry : bucket) {
            WriteString(body, entry.name);
            body.WriteU64(entry.offset);
            body.WriteU32(entry.hash);
        }
    }
    body.WriteBytes(payload_);
    std::vector<uint8_t> block = PackCompress(body.Bytes());
    BlockScramble(block, false, constants::kHashTableSeed);

    uint8_t version[VersionSize] = {};
    std::memcpy(version, SavedVersion.data(), SavedVersion.size());
    stream.WriteBytes(version, VersionSize);
    stream.WriteU32(static_cast<uint32_t>(buckets_.size()));
    stream.WriteU32(static_cast<uint32_t>(count_));
    stream.WriteU32(static_cast<uint32_t>(payload_.size()));
    stream.WriteU32(static_cast<uint32_t>(block.size()));
    stream.WriteBytes(block);
}

} // namespace tsukimi
