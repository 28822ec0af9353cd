#include "data/FilePack.h"

#include "data/BlockTransforms.h"
#include "data/DataConstants.h"
#include "data/PackLimits.h"
#include "data/PackScrambler.h"
#include "data/TextHelpers.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>

namespace tsukimi {

namespace pack {
uint32_t KeyFromMaterial(std::span<const uint8_t> material)
{
    return PackCheckSum(material) & 0x0FFFFFFFu;
}
} // namespace pack

namespace {

constexpr size_t ChunkSize = 64 * 1024;
constexpr size_t MinIndexEntry = 2 + pack::RecordSize;

uint32_t U32At(const uint8_t* p)
{
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

uint64_t U64At(const uint8_t* p)
{
    return uint64_t{U32At(p)} | (uint64_t{U32At(p + 4)} << 32);
}

std::string FixedText(const uint8_t* field, size_t size)
{
    const void* zero = std::memchr(field, 0, size);
    const size_t length =
        zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - field) : size;
    return std::string(reinterpret_cast<const char*>(field), length);
}

// Sequential reads of one region of a file, a chunk at a time. Reading past
// the region's end throws StreamError.
class TRegionReader
{
public:
    TRegionReader(const platform::RandomAccessFile& file, uint64_t begin, uint64_t end)
        : file_(file), next_(begin), end_(end)
    {}

    void Read(void* out, size_t count)
    {
        auto* bytes = static_cast<uint8_t*>(out);
        while (count > 0) {
            if (used_ == buffer_.size()) Refill();
            const size_t take = std::min(count, buffer_.size() - used_);
            std::memcpy(bytes, buffer_.data() + used_, take);
            used_ += take;
            bytes += take;
            count -= take;
        }
    }

private:
    void Refill()
    {
        if (next_ >= end_) throw StreamError("index runs past its end");
        const size_t take = static_cast<size_t>(std::min<uint64_t>(ChunkSize, end_ - next_));
        buffer_.resize(take);
        if (!file_.ReadAt(next_, buffer_.data(), take)) throw StreamError("index cannot be read");
        next_ += take;
        used_ = 0;
    }

    const platform::RandomAccessFile& file_;
    uint64_t next_;
    uint64_t end_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
};

} // namespace

TFilePack::TFilePack(std::unique_ptr<platform::RandomAccessFile> file)
    : file_(std::move(file)), random_(PackRandomStateSize, PackRandomShift)
{
    try {
        Open();
    } catch (const std::exception& e) {
        Fail(std::string("cannot be read (") + e.what() + ")");
    }
}

bool TFilePack::Fail(std::string reason)
{
    error_ = std::move(reason);
    version_ = 0;
    entries_.clear();
    nameIndex_.reset();
    return false;
}

bool TFilePack::Open()
{
    if (!file_) return Fail("cannot be opened");
    const uint64_t size = file_->Size();
    if (size < pack::TrailerSize) return Fail("is too short for a pack trailer");
    uint8_t trailer[pack::TrailerSize];
    if (!file_->ReadAt(size - pack::TrailerSize, trailer, sizeof trailer))
        return Fail("trailer cannot be read");
    const std::string signature = LowerText(FixedText(trailer, pack::SignatureSize));
    if (signature == LowerText(pack::Signature1))
        version_ = 10;
    else if (signature == LowerText(pack::Signature2))
        version_ = 20;
    else if (signature == LowerText(pack::Signature3))
        version_ = 30;
    else
        return Fail("has an unknown pack signature");
    const uint32_t count = U32At(trailer + 16);
    const uint64_t indexPosition = U64At(trailer + 20);

    uint64_t indexEnd = size - pack::TrailerSize;
    if (version_ != 10 && !ReadFooter(indexEnd)) return false;
    return ReadIndex(indexPosition, indexEnd, count);
}

bool TFilePack::ReadFooter(uint64_t& indexEnd)
{
    const uint64_t size = file_->Size();
    if (size < pack::FooterSize) return Fail("is too short for a pack footer");
    const uint64_t footerStart = size - pack::FooterSize;
    uint8_t head[pack::KeyMaterialOffset + pack::KeyMaterialSize];
    if (!file_->ReadAt(footerStart, head, sizeof head)) return Fail("footer cannot be read");
    if (version_ == 30) {
        std::memcpy(keyMaterial_.data(), head + pack::KeyMaterialOffset, keyMaterial_.size());
        key_ = pack::KeyFromMaterial(keyMaterial_);
    }
    std::span<uint8_t> check(head, pack::CheckTextSize);
    BlockScramble(check, true, key_);
    if (std::string_view(reinterpret_cast<const char*>(head), check.size()) != pack::CheckText)
        return Fail("check text does not match (wrong key or damaged footer)");

    const uint32_t indexSize = U32At(head + pack::CheckTextSize);
    if (indexSize > footerStart) return Fail("name index size exceeds the file");
    indexEnd = footerStart - indexSize;
    if (indexSize == 0) return true;
    if (indexSize > TMemoryStream::MaxSize) return Fail("name index is too large");
    std::vector<uint8_t> bytes(indexSize);
    if (!file_->ReadAt(indexEnd, bytes.data(), bytes.size()))
        return Fail("name index cannot be read");
    TMemoryStream stream(std::move(bytes));
    nameIndex_.emplace(pack::EmbeddedIndexBuckets);
    if (!nameIndex_->LoadFromStream(stream)) return Fail("name index is damaged");
    return true;
}

bool TFilePack::ReadIndex(uint64_t indexPosition, uint64_t indexEnd, uint32_t count)
{
    if (indexPosition > indexEnd) return Fail("index position lies outside the file");
    if (uint64_t{count} > (indexEnd - indexPosition) / MinIndexEntry || count > INT32_MAX)
        return Fail("entry count exceeds the index");
    const uint32_t nameKey = version_ == 30 ? key_ : constants::kPackNameKey;
    TRegionReader reader(*file_, indexPosition, indexEnd);
    entries_.reserve(count);
    try {
        for (uint32_t i = 0; i < count; ++i) {
            uint8_t length[2];
            reader.Read(length, 2);
            std::string stored(size_t{length[0]} | (size_t{length[1]} << 8), '\0');
            reader.Read(stored.data(), stored.size());
            uint8_t record[pack::RecordSize];
            reader.Read(record, sizeof record);
            TPackEntry entry;
            entry.name = NameScramble(stored, nameKey);
            entry.position = U64At(record);
            entry.storedSize = U32At(record + 8);
            entry.expandedSize = U32At(record + 12);
            entry.compressed = U32At(record + 16);
            entry.scramble = U32At(record + 20);
            entry.checkSum = U32At(record + 24);
            entries_.push_back(std::move(entry));
        }
    } catch (const StreamError&) {
        return Fail("entry records run past the index");
    }
    return true;
}

int TFilePack::IndexOf(std::string_view name)
{
    if (Bad()) return -1;
    const std::string lower = LowerText(name);
    if (nameIndex_) {
        uint8_t value[2];
        if (!nameIndex_->FindLowered(lower, value, sizeof value)) return -1;
        const size_t index = size_t{value[0]} | (size_t{value[1]} << 8);
        return index < entries_.size() ? static_cast<int>(index) : -1;
    }
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].name == lower) return static_cast<int>(i);
    }
    return -1;
}

std::optional<TMemoryStream> TFilePack::LoadEntry(size_t index)
{
    if (index >= entries_.size()) return std::nullopt;
    const TPackEntry& entry = entries_[index];
    const uint64_t size = file_->Size();
    if (entry.position > size || entry.storedSize > size - entry.position ||
        entry.storedSize > TMemoryStream::MaxSize)
        return std::nullopt;
    try {
        std::vector<uint8_t> bytes(entry.storedSize);
        if (!bytes.empty() && !file_->ReadAt(entry.position, bytes.data(), bytes.size()))
            return std::nullopt;
        if (crcCheck_ && entry.storedSize < pack::CheckSumLimit &&
            PackCheckSum(bytes) != entry.checkSum) {
            bytes.clear();
            if (crcFailure_) crcFailure_(entry.name);
            return std::nullopt;
        }
        return Decode(entry, std::move(bytes));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<TMemoryStream> TFilePack::Decode(const TPackEntry& entry, std::vector<uint8_t> bytes)
{
    if (entry.scramble == 2 || entry.scramble == 3)
        PackScramble(bytes, entry.scramble, entry.name, key_, true, random_);
    else if (entry.scramble != 0)
        BlockScramble(bytes, true, key_);
    if (entry.compressed != 0) {
        auto expanded = PackExpand(bytes, version_ != 10, ExpandLimitFor(bytes.size()));
        if (!expanded) return std::nullopt;
        bytes = std::move(*expanded);
    }
    return TMemoryStream(std::move(bytes));
}

} // namespace tsukimi
