#pragma once
// The interpreter's path resolver: turns a file name a script hands to a
// load command into a game-data name. It tries the folder of the running
// script, the name itself and the registered folders, in that order, and
// complains about name forms scripts should not use.
#include "data/MemoryStream.h"
#include "script/ScriptSettings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

// An ordered list of texts without duplicates (compared without case).
class TZanStringList
{
public:
    virtual ~TZanStringList() = default;
    virtual void Add(std::string_view text);
    void Remove(std::string_view text);
    int IndexOf(std::string_view text) const;
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& Item(int index) const { return items_[static_cast<size_t>(index)]; }
    virtual void Clear() { items_.clear(); }

    // A 32-bit count, then the entries as length-prefixed strings.
    void SaveToStream(TMemoryStream& stream) const;
    // Throws StreamError on a short stream; the list is cleared first.
    void LoadFromStream(TMemoryStream& stream);

private:
    std::vector<std::string> items_;
};

class TZanPath final : public TZanStringList
{
public:
    using Exists = std::function<bool(std::string_view name)>;
    using BaseFolder = std::function<std::string()>;
    using Resolved = std::function<void(std::string_view name)>;

    TZanPath() = default;
    TZanPath(Exists exists, BaseFolder base, Resolved resolved, TScriptErrorReport report,
             bool quiet);

    // Folders always end with "\".
    void Add(std::string_view folder) override;
    void Clear() override;

    std::string Normalize(std::string_view name, bool report) const;
    // The first candidate that exists, or empty.
    std::string Resolve(std::string_view name, bool notify, bool report) const;

    bool ScriptFlag() const { return scriptFlag_; }
    void SetScriptFlag(bool on) { scriptFlag_ = on; }
    bool Quiet() const { return quiet_; }

    // The folder list, then the script flag byte. Loading replaces both.
    void SaveState(TMemoryStream& stream) const;
    void LoadState(TMemoryStream& stream);

private:
    void Complain(std::string_view message, std::string_view name, bool report) const;

    Exists exists_;
    BaseFolder base_;
    Resolved resolved_;
    TScriptErrorReport report_;
    bool quiet_ = false;
    bool scriptFlag_ = false;
};

} // namespace tsukimi
