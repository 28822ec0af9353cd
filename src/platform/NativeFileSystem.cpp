#include "platform/NativeFileSystem.h"

#include "platform/TextCodec.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tsukimi::platform {
namespace {

// Closes a descriptor when it goes out of scope.
class FileHandle
{
public:
    explicit FileHandle(int fd = -1) : fd_(fd) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int Get() const { return fd_; }
    void Reset(int fd)
    {
        Close();
        fd_ = fd;
    }
    int Release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    bool Close()
    {
        if (fd_ < 0) return true;
        const bool ok = close(fd_) == 0;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::span<const uint8_t> bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Files are opened without blocking so that a FIFO or device in the game
// folder cannot hang the engine; only regular files are then read.
bool IsDirectory(const std::string& path)
{
    struct stat info = {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void SyncFolder(const std::string& folder)
{
    FileHandle dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) fsync(dir.Get());
}

// A component as a native name; empty when it cannot be one.
std::string NativeComponent(const std::string& sjis)
{
    std::string utf8 = SjisToUtf8(sjis);
    if (utf8.find('\0') != std::string::npos) return {};
    return utf8;
}

class NativeFile final : public RandomAccessFile
{
public:
    NativeFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
    ~NativeFile() override { close(fd_); }
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;

    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* buffer, size_t size) const override
    {
        if (offset > size_ || size > size_ - offset) return false;
        auto* out = static_cast<uint8_t*>(buffer);
        size_t done = 0;
        while (done < size) {
            const ssize_t n =
                pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

private:
    int fd_;
    uint64_t size_;
};

} // namespace

NativeFileSystem::NativeFileSystem(std::string root, ReplaceFault fault)
    : root_(std::move(root)), fault_(fault)
{
    while (root_.size() > 1 && root_.back() == '/')
        root_.pop_back();
    if (root_.empty()) root_ = ".";
}

std::optional<std::string> NativeFileSystem::ResolveParts(const std::vector<std::string>& parts,
                                                          size_t count)
{
    std::vector<std::string> stack;
    std::string path = root_;
    for (size_t i = 0; i < count; ++i) {
        if (parts[i] == "..") {
            // Never above the game folder.
            if (stack.empty()) return std::nullopt;
            path.resize(path.size() - stack.back().size() - 1);
            stack.pop_back();
            continue;
        }
        const std::string wanted = NativeComponent(parts[i]);
        if (wanted.empty()) return std::nullopt;
        std::optional<std::string> found = cache_.Find(path, wanted);
        if (!found) return std::nullopt;
        path += '/';
        path += *found;
        stack.push_back(std::move(*found));
    }
    return path;
}

std::optional<NativeFileSystem::Target> NativeFileSystem::ResolveTarget(std::string_view name)
{
    const std::vector<std::string> parts = SplitEngineName(name);
    if (parts.empty() || parts.back() == "..") return std::nullopt;
    std::optional<std::string> folder = ResolveParts(parts, parts.size() - 1);
    if (!folder || !IsDirectory(*folder)) return std::nullopt;
    const std::string wanted = NativeComponent(parts.back());
    if (wanted.empty()) return std::nullopt;
    Target target;
    target.folder = std::move(*folder);
    std::optional<std::string> found = cache_.Find(target.folder, wanted);
    target.exists = found.has_value();
    target.leaf = found ? std::move(*found) : wanted;
    return target;
}

std::optional<std::string> NativeFileSystem::Resolve(std::string_view name)
{
    const std::vector<std::string> parts = SplitEngineName(name);
    return ResolveParts(parts, parts.size());
}

bool NativeFileSystem::Exists(std::string_view name)
{
    return Resolve(name).has_value();
}

bool NativeFileSystem::IsFolder(std::string_view name)
{
    const std::optional<std::string> path = Resolve(name);
    return path && IsDirectory(*path);
}

std::optional<std::vector<uint8_t>> NativeFileSystem::ReadAll(std::string_view name)
{
    const std::optional<std::string> path = Resolve(name);
    if (!path) return std::nullopt;
    FileHandle file(open(path->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info = {};
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<uint64_t>(info.st_size) > kMaxReadSize)
        return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = read(file.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break; // shrank while reading
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

std::unique_ptr<RandomAccessFile> NativeFileSystem::OpenRead(std::string_view name)
{
    const std::optional<std::string> path = Resolve(name);
    if (!path) return nullptr;
    FileHandle file(open(path->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info = {};
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    const auto size = static_cast<uint64_t>(info.st_size);
    return std::make_unique<NativeFile>(file.Release(), size);
}

bool NativeFileSystem::MakeFolders(std::string_view name)
{
    const std::vector<std::string> parts = SplitEngineName(name);
    std::vector<size_t> lengths;
    std::string path = root_;
    if (!IsDirectory(path)) return false;
    for (const std::string& part : parts) {
        if (part == "..") {
            if (lengths.empty()) return false;
            path.resize(lengths.back());
            lengths.pop_back();
            continue;
        }
        const std::string wanted = NativeComponent(part);
        if (wanted.empty()) return false;
        const std::optional<std::string> found = cache_.Find(path, wanted);
        const std::string next = path + "/" + (found ? *found : wanted);
        if (!found) {
            const bool made = mkdir(next.c_str(), 0755) == 0;
            cache_.Invalidate(path);
            if (!made && errno != EEXIST) return false;
        }
        if (!IsDirectory(next)) return false;
        lengths.push_back(path.size());
        path = next;
    }
    return true;
}

bool NativeFileSystem::Delete(std::string_view name)
{
    const std::optional<Target> target = ResolveTarget(name);
    if (!target || !target->exists) return false;
    const std::string path = target->Path();
    struct stat info = {};
    if (lstat(path.c_str(), &info) != 0) return false;
    const bool removed =
        S_ISDIR(info.st_mode) ? rmdir(path.c_str()) == 0 : unlink(path.c_str()) == 0;
    cache_.Invalidate(target->folder);
    return removed;
}

bool NativeFileSystem::Append(std::string_view name, std::span<const uint8_t> bytes)
{
    const std::optional<Target> target = ResolveTarget(name);
    if (!target) return false;
    FileHandle file(open(target->Path().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!target->exists) cache_.Invalidate(target->folder);
    if (file.Get() < 0) return false;
    const bool written = WriteAll(file.Get(), bytes);
    return file.Close() && written;
}

std::string NativeFileSystem::TemporaryName()
{
    return ".tsukimi-" + std::to_string(getpid()) + "-" + std::to_string(++temporaryCounter_) +
           ".tmp";
}

bool NativeFileSystem::Replace(std::string_view name, std::span<const uint8_t> bytes)
{
    const std::optional<Target> target = ResolveTarget(name);
    if (!target || fault_ == ReplaceFault::Create) return false;
    const std::string path = target->Path();
    // A new file gets the usual permissions under the umask; a replaced one
    // keeps its own.
    struct stat info = {};
    if (target->exists && (stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))) return false;

    std::string temporary;
    FileHandle file;
    for (int attempt = 0; attempt < 16 && file.Get() < 0; ++attempt) {
        temporary = target->folder + "/" + TemporaryName();
        file.Reset(open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        target->exists ? 0600 : 0644));
        if (file.Get() < 0 && errno != EEXIST) break;
    }
    if (file.Get() < 0) return false;

    bool ok = fault_ != ReplaceFault::Write && WriteAll(file.Get(), bytes);
    ok = ok && (!target->exists || fchmod(file.Get(), info.st_mode & 07777) == 0);
    ok = ok && fault_ != ReplaceFault::Flush && fsync(file.Get()) == 0;
    ok = file.Close() && ok;
    ok = ok && fault_ != ReplaceFault::Rename && rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    cache_.Invalidate(target->folder);
    SyncFolder(target->folder);
    return true;
}

std::vector<std::string> NativeFileSystem::List(std::string_view folder)
{
    std::vector<std::string> names;
    const std::optional<std::string> path = Resolve(folder);
    if (!path) return names;
    for (const std::string& native : cache_.Names(*path))
        names.push_back(Utf8ToSjis(native));
    return names;
}

std::unique_ptr<FileSystem> CreateNativeFileSystem(const std::string& root, ReplaceFault fault)
{
    return std::make_unique<NativeFileSystem>(root, fault);
}

} // namespace tsukimi::platform
