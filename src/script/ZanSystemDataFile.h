#pragma once
// The system data file ("SystemData.dat" in "SaveData\"): the checksummed
// wrapper (WriteChecked) around
//   - a 304-byte header: magic "ZANSYSDATA12" zero-padded to 16 bytes, the
//     check field at 16 (32 bytes, as in the save header), zero to 304;
//   - section 1: size (32-bit) + the system variable store, PackCompress-ed
//     and then BlockScramble-encoded (seed CodeKey, low 24 bits);
//   - section 2: size (32-bit) + the file log;
//   - section 3: size (32-bit) + the read-text log.
// The three payloads are opaque bytes here; their formats belong to the
// variable store and the two label logs.
#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

struct TSystemDataPayload
{
    std::vector<uint8_t> SystemStore;
    std::vector<uint8_t> FileLog;
    std::vector<uint8_t> ReadTextLog;
};

// Where the file lives, relative to the game folder, and the name its
// unloadable predecessor is kept under.
inline constexpr std::string_view SystemDataFileName = "SaveData\\SystemData.dat";
inline constexpr std::string_view SystemDataBackupSuffix = ".bak";

// Copies the file `name` to `name` + ".bak" (FileSystem::Replace, so an
// older backup is replaced only when the new one is complete). False when
// `name` cannot be read or the copy cannot be written.
bool BackUpSystemDataFile(platform::FileSystem& files, std::string_view name);

class TZanSystemDataFile
{
public:
    static constexpr std::string_view Magic = "ZANSYSDATA12";
    static constexpr size_t HeaderSize = 304;
    // Largest system store section 1 may expand to.
    static constexpr uint32_t DefaultMaxStoreSize = uint32_t{64} << 20;

    // `codeKey`: the game setting CodeKey; only its low 24 bits are used.
    explicit TZanSystemDataFile(uint32_t codeKey, uint32_t maxStoreSize = DefaultMaxStoreSize);

    // The whole file.
    std::vector<uint8_t> Build(const TSystemDataPayload& payload) const;
    // The three payloads, or nullopt for a wrong wrapper, magic or check
    // field, a section size beyond what remains, or a store that does not
    // unpack. Bytes after section 3 are ignored.
    std::optional<TSystemDataPayload> Parse(std::span<const uint8_t> file) const;

    // Reads and parses `name` (engine form, e.g. SystemDataFileName). When
    // the file exists but does not load, the next WriteToFile of the same
    // object first keeps it as `name` + ".bak".
    std::optional<TSystemDataPayload> ReadFromFile(platform::FileSystem& files,
                                                   std::string_view name);
    // Writes through FileSystem::Replace (the old file stays as it was on
    // failure). When an earlier ReadFromFile found the file unloadable, it
    // is first copied to the backup; if that copy fails nothing is written
    // and false is returned, so the unloadable file is never lost.
    bool WriteToFile(platform::FileSystem& files, std::string_view name,
                     const TSystemDataPayload& payload);

    // True between a failed load of an existing file and its backup.
    bool BackupPending() const { return !pendingBackup_.empty(); }
    uint32_t CodeKey() const { return codeKey_; }

private:
    uint32_t codeKey_;
    uint32_t maxStoreSize_;
    // The name of the file that failed to load and is not yet kept.
    std::string pendingBackup_;
};

} // namespace tsukimi
