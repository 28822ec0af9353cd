#pragma once
// Where the script reader gets its files: the game data locator, or a
// stand-in in tests and tools.
#include "data/MemoryStream.h"

#include <optional>
#include <string>
#include <string_view>

namespace tsukimi {

class TGameData;

class TScriptSource
{
public:
    virtual ~TScriptSource() = default;
    // The name under which the file can be loaded; empty when it cannot.
    virtual std::string ResolveName(std::string_view name) = 0;
    virtual std::optional<TMemoryStream> LoadData(std::string_view name) = 0;
    virtual bool Exists(std::string_view name) { return !ResolveName(name).empty(); }
};

// Scripts from the packs (and virtual files) of the data locator.
class TGameDataScriptSource final : public TScriptSource
{
public:
    explicit TGameDataScriptSource(TGameData& data) : data_(data) {}
    std::string ResolveName(std::string_view name) override;
    std::optional<TMemoryStream> LoadData(std::string_view name) override;

private:
    TGameData& data_;
};

} // namespace tsukimi
