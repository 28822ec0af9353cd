#pragma once
// Cached listings of native folders for the case-insensitive name lookup.
// A listing is read again when the folder's modification time changes or
// when the owner invalidates it after changing the folder itself.
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tsukimi::platform {

class DirectoryCache
{
public:
    // Native name of the entry of `folder` that matches `name` (UTF-8):
    // the entry spelt exactly so, else the first one in byte order equal to
    // it after FoldName.
    std::optional<std::string> Find(const std::string& folder, const std::string& name);
    // Entry names of `folder` in byte order; empty when it cannot be read.
    std::vector<std::string> Names(const std::string& folder);
    void Invalidate(const std::string& folder);

private:
    struct Listing
    {
        timespec modified{};
        unsigned long long inode = 0;
        std::vector<std::string> names; // sorted
        std::unordered_map<std::string, size_t> byFold;
    };
    // The current listing of `folder`, or null. Called with the lock held.
    const Listing* Current(const std::string& folder);

    static constexpr size_t kMaxFolders = 4096;
    std::mutex mutex_;
    std::unordered_map<std::string, Listing> listings_;
};

} // namespace tsukimi::platform
