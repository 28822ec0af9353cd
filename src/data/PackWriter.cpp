#include "data/PackWriter.h"

#include "data/BlockTransforms.h"
#include "data/DataConstants.h"
#include "data/FilePack.h"
#include "data/HashTable.h"
#include "data/MemoryStream.h"
#include "data/PackScrambler.h"
#include "data/TextHelpers.h"

#include <array>
#include <cstring>
#include <limits>
#include <set>

namespace tsukimi {

namespace {

// Entry indices in name indexes are 16-bit.
constexpr size_t MaxIndexedEntries = 65536;
constexpr uint32_t KeyMaterialSeed = 0x7A3D1E55u;

void CheckOptions(const TPackWriteOptions& options)
{
    if (options.format < 1 || options.format > 3)
        throw PackWriteError("pack format must be 1, 2 or 3");
    if (options.scramble > 3) throw PackWriteError("scramble type must be 0, 1, 2 or 3");
}

void CheckEntries(std::span<const TPackSource> entries, const TPackWriteOptions& options)
{
    std::set<std::string> seen;
    for (const TPackSource& entry : entries) {
        if (entry.name.empty()) throw PackWriteError("an entry has an empty name");
        if (entry.name.size() > 65535)
            throw PackWriteError("entry name is longer than 65535 bytes: " + entry.name);
        if (entry.data.size() > std::numeric_limits<uint32_t>::max())
            throw PackWriteError("entry is 4 GiB or larger: " + entry.name);
        if (!seen.insert(LowerText(entry.name)).second)
            throw PackWriteError("duplicate entry name: " + entry.name);
    }
    if (options.externalIndex && entries.size() > MaxIndexedEntries)
        throw PackWriteError("more than 65536 entries cannot have a name index");
}

std::array<uint8_t, pack::KeyMaterialSize> MakeKeyMaterial(size_t entryCount)
{
    TMTRandom random;
    random.Seed(KeyMaterialSeed ^ static_cast<uint32_t>(entryCount));
    std::array<uint8_t, pack::KeyMaterialSize> material{};
    for (size_t i = 0; i < material.size(); i += 4) {
        const uint32_t word = random.NextWord();
        for (int j = 0; j < 4; ++j)
            material[i + j] = static_cast<uint8_t>(word >> (8 * j));
    }
    return material;
}

std::vector<uint8_t> StoredBytes(const TPackSource& entry, const TPackWriteOptions& options,
                                 uint32_t key, TMTRandom& random, bool& compressed)
{
    std::vector<uint8_t> bytes = entry.data;
    compressed = false;
    if (options.compression != PackCompression::None) {
        std::vector<uint8_t> packed = PackCompress(entry.data);
        if (options.compression == PackCompression::All || packed.size() < bytes.size()) {
            bytes = std::move(packed);
            compressed = true;
        }
    }
    if (options.scramble == 2 || options.scramble == 3)
        PackScramble(bytes, options.scramble, entry.name, key, false, random);
    else if (options.scramble == 1)
        BlockScramble(bytes, false, key);
    return bytes;
}

std::vector<uint8_t> SaveTable(const THashTable& table)
{
    TMemoryStream stream;
    table.SaveToStream(stream);
    return stream.TakeBytes();
}

std::vector<uint8_t> NameIndex(std::span<const TPackSource> entries, uint32_t buckets)
{
    THashTable table(buckets);
    for (size_t i = 0; i < entries.size(); ++i) {
        const uint8_t value[2] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8)};
        if (!table.Add(entries[i].name, value, sizeof value))
            throw PackWriteError("name index bucket overflow at: " + entries[i].name);
    }
    return SaveTable(table);
}

// The pack itself is built in a plain vector: it may exceed a memory stream's cap.
void Put(std::vector<uint8_t>& out, const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

void PutLittle(std::vector<uint8_t>& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void WriteFooter(std::vector<uint8_t>& out, uint32_t key, uint32_t indexSize,
                 const std::array<uint8_t, pack::KeyMaterialSize>& material)
{
    uint8_t footer[pack::FooterSize - pack::TrailerSize] = {};
    std::memcpy(footer, pack::CheckText.data(), pack::CheckTextSize);
    BlockScramble(std::span<uint8_t>(footer, pack::CheckTextSize), false, key);
    for (int i = 0; i < 4; ++i)
        footer[pack::CheckTextSize + i] = static_cast<uint8_t>(indexSize >> (8 * i));
    std::memcpy(footer + pack::KeyMaterialOffset, material.data(), material.size());
    Put(out, footer, sizeof footer);
}

} // namespace

TBuiltPack BuildPack(std::span<const TPackSource> entries, const TPackWriteOptions& options)
{
    CheckOptions(options);
    CheckEntries(entries, options);
    const bool footer = options.format >= 2;
    std::array<uint8_t, pack::KeyMaterialSize> material{};
    uint32_t key = 0;
    if (options.format == 3) {
        material = MakeKeyMaterial(entries.size());
        key = pack::KeyFromMaterial(material);
    }
    const uint32_t nameKey = options.format == 3 ? key : constants::kPackNameKey;

    std::vector<uint8_t> out;
    TMemoryStream index;
    TMTRandom random(PackRandomStateSize, PackRandomShift);
    for (const TPackSource& entry : entries) {
        bool compressed = false;
        const std::vector<uint8_t> stored = StoredBytes(entry, options, key, random, compressed);
        const uint64_t position = out.size();
        Put(out, stored.data(), stored.size());
        WriteString(index, NameScramble(entry.name, nameKey));
        index.WriteU64(position);
        index.WriteU32(static_cast<uint32_t>(stored.size()));
        index.WriteU32(static_cast<uint32_t>(entry.data.size()));
        index.WriteU32(compressed ? 1 : 0);
        index.WriteU32(options.scramble);
        index.WriteU32(PackCheckSum(stored));
    }
    const uint64_t indexPosition = out.size();
    Put(out, index.Data(), index.Size());
    if (footer) {
        std::vector<uint8_t> embedded;
        if (entries.size() <= MaxIndexedEntries)
            embedded = NameIndex(entries, pack::EmbeddedIndexBuckets);
        Put(out, embedded.data(), embedded.size());
        WriteFooter(out, key, static_cast<uint32_t>(embedded.size()), material);
    }
    std::string_view signature = options.format == 1   ? pack::Signature1
                                 : options.format == 2 ? pack::Signature2
                                                       : pack::Signature3;
    uint8_t trailer[pack::SignatureSize] = {};
    std::memcpy(trailer, signature.data(), signature.size());
    Put(out, trailer, sizeof trailer);
    PutLittle(out, entries.size(), 4);
    PutLittle(out, indexPosition, 8);

    TBuiltPack built;
    built.pack = std::move(out);
    if (options.externalIndex) built.index = NameIndex(entries, pack::ExternalIndexBuckets);
    return built;
}

} // namespace tsukimi
