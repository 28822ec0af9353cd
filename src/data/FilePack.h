#pragma once
// One pack archive ("FilePackVer1.0" .. "FilePackVer3.0"), read through a
// file that stays open: the trailer, the footer of versions 2 and 3 (check
// text, key material, embedded name index) and the index of entry names and
// records are read once; each entry is then read with one positioned read,
// checked, unscrambled and expanded into a memory stream.
#include "data/HashTable.h"
#include "data/MTRandom.h"
#include "data/MemoryStream.h"
#include "platform/FileSystem.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

struct TPackEntry
{
    std::string name; // as stored, after name unscrambling
    uint64_t position = 0;
    uint32_t storedSize = 0;
    uint32_t expandedSize = 0; // not used by the reader
    uint32_t compressed = 0;
    uint32_t scramble = 0;
    uint32_t checkSum = 0;
};

// Layout shared with the pack writer.
namespace pack {
inline constexpr size_t TrailerSize = 28;
inline constexpr size_t SignatureSize = 16;
inline constexpr size_t FooterSize = 1088;
inline constexpr size_t CheckTextSize = 32;
inline constexpr size_t KeyMaterialSize = 256;
inline constexpr size_t KeyMaterialOffset = 36;
inline constexpr size_t RecordSize = 28;
inline constexpr uint32_t EmbeddedIndexBuckets = 256;
inline constexpr uint32_t ExternalIndexBuckets = 512;
// Entries this large or larger are never checksummed.
inline constexpr uint32_t CheckSumLimit = 0x1000000;
inline constexpr std::string_view CheckText = "q3mz7tpx,k2vn6wdj9rc4yfh1bl5gs0e";
inline constexpr std::string_view Signature1 = "FilePackVer1.0";
inline constexpr std::string_view Signature2 = "FilePackVer2.0";
inline constexpr std::string_view Signature3 = "FilePackVer3.0";
// The pack key of version 3, from the key material.
uint32_t KeyFromMaterial(std::span<const uint8_t> material);
} // namespace pack

class TFilePack
{
public:
    using CrcFailure = std::function<void(const std::string& entryName)>;

    // Reads the footer and the index. A pack that cannot be read or whose
    // structure disagrees with the file is bad: Bad() is set and Error()
    // says what is wrong.
    explicit TFilePack(std::unique_ptr<platform::RandomAccessFile> file);

    bool Bad() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }
    // 10, 20 or 30; 0 for a bad pack.
    int Version() const { return version_; }
    uint32_t Key() const { return key_; }
    size_t Count() const { return entries_.size(); }
    const std::vector<TPackEntry>& Entries() const { return entries_; }
    bool HasNameIndex() const { return nameIndex_.has_value(); }

    // Through the embedded name index when there is one, else by comparing
    // the lower-cased name with the stored names exactly. -1 when absent.
    int IndexOf(std::string_view name);
    bool Exists(std::string_view name) { return IndexOf(name) >= 0; }
    // The entry's bytes positioned at 0; nullopt when the index is out of
    // range, the data lies outside the file, the checksum fails (after the
    // CRC-failure callback ran) or the data does not decode.
    std::optional<TMemoryStream> LoadEntry(size_t index);

    void SetCrcCheck(bool on) { crcCheck_ = on; }
    void SetCrcFailure(CrcFailure callback) { crcFailure_ = std::move(callback); }

private:
    bool Open();
    bool ReadFooter(uint64_t& indexEnd);
    bool ReadIndex(uint64_t indexPosition, uint64_t indexEnd, uint32_t count);
    bool Fail(std::string reason);
    std::optional<TMemoryStream> Decode(const TPackEntry& entry, std::vector<uint8_t> bytes);

    std::unique_ptr<platform::RandomAccessFile> file_;
    std::string error_;
    int version_ = 0;
    uint32_t key_ = 0;
    std::array<uint8_t, pack::KeyMaterialSize> keyMaterial_{};
    std::vector<TPackEntry> entries_;
    std::optional<THashTable> nameIndex_;
    TMTRandom random_;
    bool crcCheck_ = true;
    CrcFailure crcFailure_;
};

} // namespace tsukimi
