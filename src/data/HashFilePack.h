#pragma once
// A pack with its optional external name index: "NAME.pack" and "NAME.hash"
// (512 buckets, 2-byte entry indices). Look-ups go through the external index
// when there is one, else through the pack's own index.
#include "data/FilePack.h"
#include "data/HashTable.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tsukimi {

class THashFilePack
{
public:
    // `baseName` is the engine name without extension ("GameData\data0").
    // A missing ".pack", a bad pack or a ".hash" that does not load makes the
    // whole thing bad.
    THashFilePack(platform::FileSystem& files, std::string_view baseName);
    // From an open pack and the bytes of its ".hash" file, if any.
    THashFilePack(std::unique_ptr<platform::RandomAccessFile> pack,
                  std::optional<std::span<const uint8_t>> hashBytes);

    bool Bad() const { return !error_.empty(); }
    // What is wrong, naming the file.
    const std::string& Error() const { return error_; }
    bool HasExternalIndex() const { return index_.has_value(); }
    TFilePack* Pack() { return pack_.get(); }

    // An index value that is not below the entry count means "not in this pack".
    int IndexOf(std::string_view name);
    bool Exists(std::string_view name) { return IndexOf(name) >= 0; }
    std::optional<TMemoryStream> Load(std::string_view name);

    void SetCrcCheck(bool on);
    void SetCrcFailure(TFilePack::CrcFailure callback);

private:
    void LoadIndex(std::span<const uint8_t> bytes, std::string_view fileName);
    void CheckPack(std::string_view fileName);

    std::optional<THashTable> index_;
    std::unique_ptr<TFilePack> pack_;
    std::string error_;
};

} // namespace tsukimi
