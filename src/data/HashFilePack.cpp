#include "data/HashFilePack.h"

namespace tsukimi {

THashFilePack::THashFilePack(platform::FileSystem& files, std::string_view baseName)
{
    const std::string hashName = std::string(baseName) + ".hash";
    const std::string packName = std::string(baseName) + ".pack";
    if (files.Exists(hashName)) {
        auto bytes = files.ReadAll(hashName);
        if (!bytes) {
            error_ = hashName + ": cannot be read";
            return;
        }
        LoadIndex(*bytes, hashName);
        if (Bad()) return;
    }
    if (!files.Exists(packName)) {
        error_ = packName + ": not found";
        return;
    }
    pack_ = std::make_unique<TFilePack>(files.OpenRead(packName));
    CheckPack(packName);
}

THashFilePack::THashFilePack(std::unique_ptr<platform::RandomAccessFile> pack,
                             std::optional<std::span<const uint8_t>> hashBytes)
{
    if (hashBytes) {
        LoadIndex(*hashBytes, "index");
        if (Bad()) return;
    }
    pack_ = std::make_unique<TFilePack>(std::move(pack));
    CheckPack("pack");
}

void THashFilePack::LoadIndex(std::span<const uint8_t> bytes, std::string_view fileName)
{
    TMemoryStream stream(bytes.data(), bytes.size());
    index_.emplace(pack::ExternalIndexBuckets);
    if (!index_->LoadFromStream(stream)) {
        index_.reset();
        error_ = std::string(fileName) + ": not a name index of 512 buckets, or damaged";
    }
}

void THashFilePack::CheckPack(std::string_view fileName)
{
    if (pack_->Bad()) error_ = std::string(fileName) + ": " + pack_->Error();
}

int THashFilePack::IndexOf(std::string_view name)
{
    if (Bad()) return -1;
    if (!index_) return pack_->IndexOf(name);
    uint8_t value[2];
    if (!index_->Find(name, value, sizeof value)) return -1;
    const size_t index = size_t{value[0]} | (size_t{value[1]} << 8);
    return index < pack_->Count() ? static_cast<int>(index) : -1;
}

std::optional<TMemoryStream> THashFilePack::Load(std::string_view name)
{
    const int index = IndexOf(name);
    if (index < 0) return std::nullopt;
    return pack_->LoadEntry(static_cast<size_t>(index));
}

void THashFilePack::SetCrcCheck(bool on)
{
    if (pack_) pack_->SetCrcCheck(on);
}

void THashFilePack::SetCrcFailure(TFilePack::CrcFailure callback)
{
    if (pack_) pack_->SetCrcFailure(std::move(callback));
}

} // namespace tsukimi
