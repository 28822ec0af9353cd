#include "data/GameData.h"

#include "data/TextHelpers.h"

#include <vector>

namespace tsukimi {

namespace {

// Scripts are never taken from loose files. ".s" at the end is always the
// extension: '.' is never the second byte of a two-byte character.
bool IsScriptName(std::string_view name)
{
    return name.size() >= 2 && name[name.size() - 2] == '.' &&
           (name.back() == 's' || name.back() == 'S');
}

// Items between "\" separators, stepping over two-byte characters.
std::vector<std::string> SplitItems(std::string_view name)
{
    std::vector<std::string> items(1);
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsLeadByte(name[i]) && i + 1 < name.size()) {
            items.back() += name.substr(i, 2);
            ++i;
        } else if (name[i] == '\\') {
            items.emplace_back();
        } else {
            items.back() += name[i];
        }
    }
    return items;
}

std::string RemoveParentItems(std::string_view name)
{
    std::vector<std::string> kept;
    for (std::string& item : SplitItems(name)) {
        if (item == ".." && !kept.empty() && kept.back() != "..")
            kept.pop_back();
        else
            kept.push_back(std::move(item));
    }
    std::string joined;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) joined += '\\';
        joined += kept[i];
    }
    return joined;
}

} // namespace

TGameData::TGameData(platform::FileSystem& files) : files_(files) {}

std::string TGameData::NormaliseName(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    bool afterSeparator = false;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (IsLeadByte(c) && i + 1 < name.size()) {
            out += name.substr(i, 2);
            ++i;
            afterSeparator = false;
            continue;
        }
        if (c == '/') c = '\\';
        if (c == '\\') {
            if (out.empty() || afterSeparator) continue;
            afterSeparator = true;
        } else {
            afterSeparator = false;
        }
        out += c;
    }
    if (out.find("..") != std::string::npos) return RemoveParentItems(out);
    return out;
}

int TGameData::OpenPacks(std::string_view folder)
{
    ClosePacks();
    std::string prefix(folder);
    if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/') prefix += '\\';
    int count = 0;
    for (int n = 0; n < PackSlots; ++n) {
        const std::string base = prefix + "data" + std::to_string(n);
        if (!LooseFileExists(base + ".pack")) continue;
        gameFolder_ = files_.Resolve(folder).value_or(files_.RootPath());
        auto pack = std::make_unique<THashFilePack>(files_, base);
        if (pack->Bad()) {
            const std::string reason = pack->Error();
            ClosePacks();
            error_ = reason;
            return 0;
        }
        pack->SetCrcCheck(crcCheck_);
        pack->SetCrcFailure(crcFailure_);
        packs_[n] = std::move(pack);
        ++count;
    }
    if (count == 0) error_ = prefix + "data0.pack: no pack found (data0.pack .. data15.pack)";
    return count;
}

void TGameData::ClosePacks()
{
    for (auto& pack : packs_)
        pack.reset();
    gameFolder_.clear();
    error_.clear();
    last_ = Resolution{};
    cache_.Clear();
    cache_.SetLimit(0);
}

bool TGameData::PackExists(int number) const
{
    return number >= 0 && number < PackSlots && packs_[number] != nullptr;
}

bool TGameData::LooseFileExists(const std::string& name)
{
    return !name.empty() && files_.Exists(name) && !files_.IsFolder(name);
}

std::string TGameData::ResolveName(std::string_view name, int packNumber)
{
    if (name.empty()) return {};
    const Resolution previous = last_;
    last_ = Resolution{std::string(name), packNumber, {}, -1};
    const std::string normal = NormaliseName(name);
    if (normal.empty()) return {};
    if (LooseFileExists(normal)) {
        if (IsScriptName(normal)) return {};
        last_.resolved = normal;
        return normal;
    }
    for (int n = PackSlots - 1; n >= 0; --n) {
        if (packNumber != -1 && n != packNumber) continue;
        if (packs_[n] && packs_[n]->Exists(normal)) {
            last_.resolved = normal;
            last_.pack = n;
            return normal;
        }
    }
    if (virtualExists_ && virtualExists_(normal)) {
        last_.resolved = normal;
        return normal;
    }
    if (previous.asked == name && previous.packArgument == packNumber) {
        last_.resolved = previous.resolved;
        last_.pack = previous.pack;
    }
    return last_.resolved;
}

std::optional<TMemoryStream> TGameData::LoadData(std::string_view name, int packNumber)
{
    const std::string resolved = ResolveName(name, packNumber);
    if (resolved.empty()) return std::nullopt;
    const int pack = last_.pack;
    if (pack >= 0 && packs_[pack]) {
        const bool anyPack = packNumber == -1;
        if (anyPack) {
            if (auto hit = cache_.Get(resolved, false, true))
                return TMemoryStream(hit->Data(), hit->Size());
        }
        return LoadFromPack(resolved, pack, anyPack);
    }
    if (virtualLoad_) return virtualLoad_(resolved);
    if (IsScriptName(resolved) || !LooseFileExists(resolved)) return std::nullopt;
    auto bytes = files_.ReadAll(resolved);
    if (!bytes) return std::nullopt;
    return TMemoryStream(std::move(*bytes));
}

std::optional<TMemoryStream> TGameData::LoadFromPack(const std::string& name, int pack,
                                                     bool cacheIt)
{
    auto stream = packs_[pack]->Load(name);
    if (!stream) return std::nullopt;
    if (cacheIt && stream->Size() <= CachedEntryLimit) {
        auto copy = std::make_shared<TMemoryStream>(stream->Data(), stream->Size());
        if (cache_.Add(copy, name)) cache_.Release(copy);
        stream->Rewind();
    }
    return stream;
}

void TGameData::SetCrcCheck(bool on)
{
    crcCheck_ = on;
    for (auto& pack : packs_) {
        if (pack) pack->SetCrcCheck(on);
    }
}

void TGameData::SetCrcFailure(TFilePack::CrcFailure callback)
{
    crcFailure_ = std::move(callback);
    for (auto& pack : packs_) {
        if (pack) pack->SetCrcFailure(crcFailure_);
    }
}

void TGameData::SetVirtualFileHooks(VirtualExists exists, VirtualLoad load)
{
    virtualExists_ = std::move(exists);
    virtualLoad_ = std::move(load);
}

} // namespace tsukimi
