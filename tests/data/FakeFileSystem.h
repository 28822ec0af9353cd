#pragma once
// An in-memory game folder for locator and pack tests: names compare without
// ASCII case and with "/" taken as "\", as the real file system resolves them.
#include "data/MemoryFile.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace tsukimi::testing {

class FakeFileSystem : public platform::FileSystem
{
public:
    void Put(std::string_view name, std::vector<uint8_t> bytes)
    {
        files_[Key(name)] = std::move(bytes);
    }
    void Put(std::string_view name, std::string_view text)
    {
        Put(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    void Remove(std::string_view name) { files_.erase(Key(name)); }
    int reads = 0;

    std::optional<std::string> Resolve(std::string_view name) override
    {
        if (Exists(name) || IsFolder(name)) return "/game/" + Key(name);
        return std::nullopt;
    }
    bool Exists(std::string_view name) override
    {
        return files_.count(Key(name)) || IsFolder(name);
    }
    bool IsFolder(std::string_view name) override
    {
        std::string prefix = Key(name);
        if (!prefix.empty() && prefix.back() != '\\') prefix += '\\';
        return std::any_of(files_.begin(), files_.end(),
                           [&](const auto& f) { return f.first.rfind(prefix, 0) == 0; });
    }
    std::optional<std::vector<uint8_t>> ReadAll(std::string_view name) override
    {
        ++reads;
        auto it = files_.find(Key(name));
        if (it == files_.end()) return std::nullopt;
        return it->second;
    }
    std::unique_ptr<platform::RandomAccessFile> OpenRead(std::string_view name) override
    {
        auto it = files_.find(Key(name));
        if (it == files_.end()) return nullptr;
        return std::make_unique<TMemoryFile>(it->second);
    }
    bool MakeFolders(std::string_view) override { return true; }
    bool Delete(std::string_view name) override { return files_.erase(Key(name)) > 0; }
    bool Append(std::string_view, std::span<const uint8_t>) override { return false; }
    bool Replace(std::string_view name, std::span<const uint8_t> bytes) override
    {
        Put(name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
        return true;
    }
    std::vector<std::string> List(std::string_view) override { return {}; }
    std::string RootPath() const override { return "/game"; }

private:
    static std::string Key(std::string_view name)
    {
        std::string key(name);
        for (char& c : key) {
            if (c == '/') c = '\\';
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return key;
    }
    std::map<std::string, std::vector<uint8_t>> files_;
};

} // namespace tsukimi::testing
