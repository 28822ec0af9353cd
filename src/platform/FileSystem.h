#pragma once
// The game folder as the engine sees it. Names are in engine form: Shift-JIS,
// "\" separators, relative to the game folder, compared without case as on
// Windows. Each component is matched against the real directory listing
// case-insensitively; the separator conversion never touches the trail byte
// of a two-byte character (0x5C in "表" or "ソ").
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi::platform {

// A file kept open for positioned reads (pack archives).
class RandomAccessFile
{
public:
    virtual ~RandomAccessFile() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly `size` bytes at `offset`; false on any shortfall.
    virtual bool ReadAt(uint64_t offset, void* buffer, size_t size) const = 0;
};

class FileSystem
{
public:
    virtual ~FileSystem() = default;
    // Native path of an existing file or folder, matched without case.
    virtual std::optional<std::string> Resolve(std::string_view name) = 0;
    virtual bool Exists(std::string_view name) = 0;
    virtual bool IsFolder(std::string_view name) = 0;
    virtual std::optional<std::vector<uint8_t>> ReadAll(std::string_view name) = 0;
    virtual std::unique_ptr<RandomAccessFile> OpenRead(std::string_view name) = 0;
    // Creates the folder and every missing parent.
    virtual bool MakeFolders(std::string_view name) = 0;
    virtual bool Delete(std::string_view name) = 0;
    virtual bool Append(std::string_view name, std::span<const uint8_t> bytes) = 0;
    // The one way files for the player are written: a temporary file in the
    // same folder, flushed, then renamed over the target. On any failure the
    // old file stays as it was and false is returned.
    virtual bool Replace(std::string_view name, std::span<const uint8_t> bytes) = 0;
    // Entry names (engine form, no folder) of a folder; empty if none.
    virtual std::vector<std::string> List(std::string_view folder) = 0;
    // Native path of the game folder itself.
    virtual std::string RootPath() const = 0;
};

// Where a safe replace can be made to fail, for tests.
enum class ReplaceFault : uint8_t { None, Create, Write, Flush, Rename };

// The real file system below `root` (a native path). `fault` makes every
// Replace fail at that step.
std::unique_ptr<FileSystem> CreateNativeFileSystem(const std::string& root,
                                                   ReplaceFault fault = ReplaceFault::None);

// Splits an engine-form name at "\" (and "/"), stepping over two-byte
// characters so a trail byte 0x5C is never a separator. Empty and "."
// components are dropped.
std::vector<std::string> SplitEngineName(std::string_view name);

} // namespace tsukimi::platform
