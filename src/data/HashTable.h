#pragma once
// A name-to-value table with its own file format ("HashVer1.2"/"HashVer1.3"):
// the name index of pack archives (embedded, 256 buckets, and the external
// ".hash" file, 512 buckets) and the store of the label logs (256 buckets,
// 4-byte values). Names are lower-cased on every insert and look-up; values
// are byte runs in one payload buffer.
#include "data/MemoryStream.h"
#include "data/StringCache.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

class THashTable
{
public:
    // Entries a bucket holds at most (its count is 16-bit in the file).
    static constexpr size_t MaxBucketEntries = 65535;

    explicit THashTable(uint32_t bucketCount);

    void Clear();
    // Appends a value, or overwrites the value of a name already present (in
    // place, `size` bytes). False for an empty name or a full bucket.
    bool Add(std::string_view name, const void* data, size_t size);
    // Copies `size` bytes of the value to `out` (nothing when `out` is null or
    // `size` is 0). False when the name is absent or the value would reach
    // beyond the payload.
    bool Find(std::string_view name, void* out, size_t size);
    // The same for a name that is already lower-cased (saves lower-casing it again).
    bool FindLowered(const std::string& lowerName, void* out, size_t size);

    // Both leave the table empty and answer false on a wrong version, a
    // bucket count other than this table's, or damaged data.
    bool LoadFromStream(TMemoryStream& stream);
    bool LoadFromFile(platform::FileSystem& files, std::string_view name);
    // Always writes version 1.3.
    void SaveToStream(TMemoryStream& stream) const;

    uint32_t BucketCount() const { return static_cast<uint32_t>(buckets_.size()); }
    size_t Count() const { return count_; }
    size_t PayloadSize() const { return payload_.size(); }

    // The bucket of a lower-cased name.
    uint32_t BucketOf(std::string_view lowerName) const;

private:
    struct Entry
    {
        std::string name;
        uint64_t offset = 0;
        uint32_t hash = 0;
    };
    // Payload offset of the value of a lower-cased name, or -1.
    int64_t Locate(const std::string& lowerName);
    bool ReadBody(TMemoryStream& body, bool withHashes, uint32_t payloadSize);

    std::vector<std::vector<Entry>> buckets_;
    size_t count_ = 0;
    std::vector<uint8_t> payload_;
    TStringCache cache_;
};

} // namespace tsukimi
