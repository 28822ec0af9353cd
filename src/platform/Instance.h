#pragma once
// Keeps a second copy of the engine from running the same game.
#include <memory>
#include <string>

namespace tsukimi::platform {

class InstanceGuard
{
public:
    virtual ~InstanceGuard() = default;
};

// Takes the guard named `name` (any text; it is hashed into a lock file
// under $XDG_RUNTIME_DIR, else a per-user temporary folder). Null when
// another process holds it.
std::unique_ptr<InstanceGuard> AcquireInstance(const std::string& name);

// Canonical absolute form of a native folder path (the path itself if it
// cannot be resolved).
std::string CanonicalPath(const std::string& path);

// File name (no folder) of the running program, e.g. "tsukimi".
std::string ProgramFileName(const char* argv0);

} // namespace tsukimi::platform
