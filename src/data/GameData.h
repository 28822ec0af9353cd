#pragma once
// The game data locator: every data file the engine reads by a game-relative
// name ("System\etc\Game.dat", a script, an image) is found here, as a loose
// file below the game folder, in one of the packs "data0.pack" ..
// "data15.pack" (searched from 15 down to 0), or as one of the engine's
// virtual files, and handed out as a memory stream. Pack entries of up to
// 4 MiB are kept in a byte-budgeted cache after their first read.
#include "data/Cache.h"
#include "data/HashFilePack.h"
#include "data/MemoryStream.h"
#include "platform/FileSystem.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tsukimi {

class TGameData
{
public:
    static constexpr int PackSlots = 16;
    // Pack entries up to this size are cached.
    static constexpr size_t CachedEntryLimit = 4194304;

    using VirtualExists = std::function<bool(std::string_view name)>;
    using VirtualLoad = std::function<std::optional<TMemoryStream>(std::string_view name)>;

    // Loose files and packs are read through `files`, which must outlive this.
    explicit TGameData(platform::FileSystem& files);

    // Opens "data0.pack" .. "data15.pack" (with their ".hash" indexes) in
    // `folder` (engine form, e.g. "GameData\"). Returns the number opened;
    // 0 when none exists or one is bad (then every pack is closed and
    // LastError() names the file and what is wrong).
    int OpenPacks(std::string_view folder);
    void ClosePacks();
    bool PackExists(int number) const;
    const std::string& LastError() const { return error_; }
    // Native path of the folder the packs were found in; empty when none.
    const std::string& GameFolder() const { return gameFolder_; }

    // "/" to "\", no leading "\", no doubled "\", ".." items removed with
    // the item before them (leading ".." items stay).
    static std::string NormaliseName(std::string_view name);
    // The normalised name when it can be loaded, else empty. `packNumber`
    // -1 searches every pack, else only that one. A loose ".s" file makes
    // the name unresolvable.
    std::string ResolveName(std::string_view name, int packNumber = -1);
    // The data, positioned at 0; nullopt when not found or unreadable.
    std::optional<TMemoryStream> LoadData(std::string_view name, int packNumber = -1);

    // Pack entry checksums (the CRCCheck setting); on by default.
    void SetCrcCheck(bool on);
    // Called with the entry name when a checksum fails; the engine ends the
    // process from it. Applies to packs open now and opened later.
    void SetCrcFailure(TFilePack::CrcFailure callback);
    // The engine's virtual files ("$$$" names). Once the load hook is set,
    // loose files are no longer read from disk. Empty functions clear them.
    void SetVirtualFileHooks(VirtualExists exists, VirtualLoad load);
    void ClearVirtualFileHooks() { SetVirtualFileHooks(nullptr, nullptr); }

    TFileMemoryCache& Cache() { return cache_; }

private:
    struct Resolution
    {
        std::string asked;
        int packArgument = -1;
        std::string resolved;
        int pack = -1;
    };

    bool LooseFileExists(const std::string& name);
    std::optional<TMemoryStream> LoadFromPack(const std::string& name, int pack, bool cacheIt);

    platform::FileSystem& files_;
    std::array<std::unique_ptr<THashFilePack>, PackSlots> packs_;
    std::string gameFolder_;
    std::string error_;
    Resolution last_;
    TFileMemoryCache cache_;
    bool crcCheck_ = true;
    TFilePack::CrcFailure crcFailure_;
    VirtualExists virtualExists_;
    VirtualLoad virtualLoad_;
};

} // namespace tsukimi
