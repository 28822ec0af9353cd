#include "platform/DirectoryCache.h"

#include "platform/NameFold.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace tsukimi::platform {
namespace {

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool ReadNames(const std::string& folder, std::vector<std::string>& names)
{
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return false;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") names.emplace_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

} // namespace

const DirectoryCache::Listing* DirectoryCache::Current(const std::string& folder)
{
    struct stat info = {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        listings_.erase(folder);
        return nullptr;
    }
    const auto found = listings_.find(folder);
    if (found != listings_.end() && SameTime(found->second.modified, info.st_mtim) &&
        found->second.inode == info.st_ino)
        return &found->second;

    Listing listing;
    listing.modified = info.st_mtim;
    listing.inode = info.st_ino;
    if (!ReadNames(folder, listing.names)) {
        listings_.erase(folder);
        return nullptr;
    }
    for (size_t i = 0; i < listing.names.size(); ++i)
        listing.byFold.emplace(FoldName(listing.names[i]), i); // keeps the first
    if (found == listings_.end() && listings_.size() >= kMaxFolders) listings_.clear();
    auto& slot = listings_[folder];
    slot = std::move(listing);
    return &slot;
}

std::optional<std::string> DirectoryCache::Find(const std::string& folder, const std::string& name)
{
    std::lock_guard lock(mutex_);
    const Listing* listing = Current(folder);
    if (listing == nullptr) return std::nullopt;
    if (std::binary_search(listing->names.begin(), listing->names.end(), name)) return name;
    const auto match = listing->byFold.find(FoldName(name));
    if (match == listing->byFold.end()) return std::nullopt;
    return listing->names[match->second];
}

std::vector<std::string> DirectoryCache::Names(const std::string& folder)
{
    std::lock_guard lock(mutex_);
    const Listing* listing = Current(folder);
    return listing ? listing->names : std::vector<std::string>{};
}

void DirectoryCache::Invalidate(const std::string& folder)
{
    std::lock_guard lock(mutex_);
    listings_.erase(folder);
}

} // namespace tsukimi::platform
