#pragma once
// The game folder on a POSIX file system, with Windows-style
// case-insensitive names (see DirectoryCache and FoldName).
#include "platform/DirectoryCache.h"
#include "platform/FileSystem.h"

#include <atomic>

namespace tsukimi::platform {

class NativeFileSystem final : public FileSystem
{
public:
    NativeFileSystem(std::string root, ReplaceFault fault);

    std::optional<std::string> Resolve(std::string_view name) override;
    bool Exists(std::string_view name) override;
    bool IsFolder(std::string_view name) override;
    std::optional<std::vector<uint8_t>> ReadAll(std::string_view name) override;
    std::unique_ptr<RandomAccessFile> OpenRead(std::string_view name) override;
    bool MakeFolders(std::string_view name) override;
    bool Delete(std::string_view name) override;
    bool Append(std::string_view name, std::span<const uint8_t> bytes) override;
    bool Replace(std::string_view name, std::span<const uint8_t> bytes) override;
    std::vector<std::string> List(std::string_view folder) override;
    std::string RootPath() const override { return root_; }

    // Largest file ReadAll loads.
    static constexpr uint64_t kMaxReadSize = uint64_t{1} << 30;

private:
    // Where a file to be written goes: its existing folder and the native
    // name of the entry (the existing one when it matches, else the name
    // converted to UTF-8).
    struct Target
    {
        std::string folder;
        std::string leaf;
        bool exists = false;
        std::string Path() const { return folder + "/" + leaf; }
    };
    std::optional<std::string> ResolveParts(const std::vector<std::string>& parts, size_t count);
    std::optional<Target> ResolveTarget(std::string_view name);
    std::string TemporaryName();

    std::string root_;
    ReplaceFault fault_;
    DirectoryCache cache_;
    std::atomic<unsigned> temporaryCounter_{0};
};

} // namespace tsukimi::platform
