#include "script/ZanStackSaveData.h"

#include "data/TextHelpers.h"

namespace tsukimi {

namespace {

// The least an entry takes in the stream: an empty name and a zero size.
constexpr size_t MinEntrySize = 2 + 4;

} // namespace

void TZanStackSaveData::Store(std::string_view name, std::vector<uint8_t> bytes)
{
    const int index = IndexOf(name);
    if (index >= 0) {
        entries_[static_cast<size_t>(index)].Bytes = std::move(bytes);
        return;
    }
    entries_.push_back(TEntry{std::string(name), std::move(bytes)});
}

void TZanStackSaveData::Store(std::string_view name, std::span<const uint8_t> bytes)
{
    Store(name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

bool TZanStackSaveData::Remove(std::string_view name)
{
    const int index = IndexOf(name);
    if (index < 0) return false;
    entries_.erase(entries_.begin() + index);
    return true;
}

const TZanStackSaveData::TEntry* TZanStackSaveData::Item(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return &entries_[static_cast<size_t>(index)];
}

int TZanStackSaveData::IndexOf(std::string_view name) const
{
    const std::string key = LowerText(name);
    for (size_t i = 0; i < entries_.size(); ++i)
        if (LowerText(entries_[i].Name) == key) return static_cast<int>(i);
    return -1;
}

void TZanStackSaveData::SaveToStream(TMemoryStream& stream) const
{
    stream.WriteU32(static_cast<uint32_t>(entries_.size()));
    for (const TEntry& entry : entries_) {
        WriteString(stream, entry.Name);
        stream.WriteU32(static_cast<uint32_t>(entry.Bytes.size()));
        stream.WriteBytes(entry.Bytes);
    }
}

bool TZanStackSaveData::LoadFromStream(TMemoryStream& stream)
{
    const size_t start = stream.Position();
    try {
        const uint32_t count = stream.ReadU32();
        if (count > stream.Remaining() / MinEntrySize) throw StreamError("slot count");
        std::vector<TEntry> entries;
        entries.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            TEntry entry;
            entry.Name = ReadString(stream);
            const uint32_t size = stream.ReadU32();
            stream.Require(size);
            entry.Bytes = stream.ReadBlock(size);
            entries.push_back(std::move(entry));
        }
        entries_ = std::move(entries);
        return true;
    } catch (const StreamError&) {
        stream.Seek(start);
        return false;
    }
}

} // namespace tsukimi
