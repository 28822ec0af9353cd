#pragma once
// A fresh folder for one test, removed at the end.
#include <filesystem>
#include <string>

namespace tsukimi::testing {

class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string Str() const { return path_.string(); }
    // Writes `bytes` to the file `relative` (folders created).
    void Write(const std::string& relative, const std::string& bytes) const;
    std::string Read(const std::string& relative) const;

private:
    std::filesystem::path path_;
};

} // namespace tsukimi::testing
