#include "platform/Instance.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tsukimi::platform {
namespace {

// Holds an exclusive flock on the lock file until destroyed.
class LockFileGuard final : public InstanceGuard
{
public:
    explicit LockFileGuard(int fd) : fd_(fd) {}
    ~LockFileGuard() override
    {
        if (fd_ >= 0) close(fd_); // releases the lock
    }
    LockFileGuard(const LockFileGuard&) = delete;
    LockFileGuard& operator=(const LockFileGuard&) = delete;

private:
    int fd_;
};

uint64_t Fnv1a64(const std::string& text)
{
    uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ull;
    }
    return hash;
}

// A folder only this user can write to, or empty.
std::string LockFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        struct stat info = {};
        if (stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid())
            return runtime;
    }
    const std::string folder = "/tmp/tsukimi-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    struct stat info = {};
    // Refuse a symbolic link or a folder someone else made or can write to.
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 0077) != 0)
        return {};
    return folder;
}

} // namespace

std::unique_ptr<InstanceGuard> AcquireInstance(const std::string& name)
{
    const std::string folder = LockFolder();
    char file[32];
    std::snprintf(file, sizeof file, "/tsukimi-%016llx.lock",
                  static_cast<unsigned long long>(Fnv1a64(name)));
    // Without a usable lock folder the guard cannot be enforced; running
    // is better than refusing to start.
    if (folder.empty()) return std::make_unique<LockFileGuard>(-1);
    const std::string path = folder + file;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return std::make_unique<LockFileGuard>(-1);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const bool held = errno == EWOULDBLOCK;
        close(fd);
        if (held) return nullptr;
        return std::make_unique<LockFileGuard>(-1);
    }
    return std::make_unique<LockFileGuard>(fd);
}

std::string CanonicalPath(const std::string& path)
{
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

std::string ProgramFileName(const char* argv0)
{
    if (argv0 == nullptr) return {};
    std::string path(argv0);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace tsukimi::platform
