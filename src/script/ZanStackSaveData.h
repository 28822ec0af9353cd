#pragma once
// The memory save slots: an ordered list of named snapshots, each the bytes
// of a complete save body. Names are compared after LowerText.
//
// Stream form: entry count (32-bit), then per entry the name (16-bit-length
// string), the size (32-bit) and that many bytes.
#include "data/MemoryStream.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

class TZanStackSaveData
{
public:
    struct TEntry
    {
        std::string Name;
        std::vector<uint8_t> Bytes;
    };

    // Replaces the bytes of the entry of that name (keeping its place and
    // its first spelling) or appends a new entry.
    void Store(std::string_view name, std::vector<uint8_t> bytes);
    void Store(std::string_view name, std::span<const uint8_t> bytes);
    // False when no entry has that name.
    bool Remove(std::string_view name);
    void Clear() { entries_.clear(); }
    int Count() const { return static_cast<int>(entries_.size()); }
    // Null outside 0 .. Count() - 1.
    const TEntry* Item(int index) const;
    // Index of the entry of that name, or -1.
    int IndexOf(std::string_view name) const;
    const TEntry* Find(std::string_view name) const { return Item(IndexOf(name)); }

    void SaveToStream(TMemoryStream& stream) const;
    // Reads the stream form at the position. The count and every name and
    // size are checked against what remains; on any shortfall it returns
    // false with the slots and the stream position unchanged.
    bool LoadFromStream(TMemoryStream& stream);

private:
    std::vector<TEntry> entries_;
};

} // namespace tsukimi
