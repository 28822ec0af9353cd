#include "scene/AnimationLoader.h"

#include "data/BlockTransforms.h"
#include "data/MTRandom.h"
#include "data/PackLimits.h"
#include "data/Sha256.h"
#include "data/TextHelpers.h"
#include "graphics/ARGB8888Manager.h"
#include "scene/AnimationBMP.h"
#include "scene/MotionDataManager.h"

#include <algorithm>
#include <cmath>

namespace tsukimi {
namespace {

// Restores the stream position unless released.
class TPositionGuard
{
public:
    explicit TPositionGuard(TMemoryStream& stream) : stream_(stream), start_(stream.Position()) {}
    ~TPositionGuard()
    {
        if (!released_) stream_.Seek(start_);
    }
    TPositionGuard(const TPositionGuard&) = delete;
    TPositionGuard& operator=(const TPositionGuard&) = delete;
    void Release() { released_ = true; }

private:
    TMemoryStream& stream_;
    size_t start_;
    bool released_ = false;
};

// A length from the file that must fit in what remains.
bool Fits(const TMemoryStream& stream, uint64_t length)
{
    return length <= stream.Remaining();
}

// A fixed 32-byte name field: a length byte, then up to 31 characters.
std::string ReadNameField(TMemoryStream& stream)
{
    uint8_t field[32];
    stream.ReadBytes(field, sizeof field);
    const size_t length = std::min<size_t>(field[0], 31);
    return std::string(reinterpret_cast<const char*>(field + 1), length);
}

std::string LowerExtension(std::string_view name)
{
    const size_t dot = name.rfind('.');
    const size_t slash = name.find_last_of("\\/");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return LowerText(name.substr(dot));
}

bool IsImageExtension(std::string_view ext)
{
    return ext == ".bmp" || ext == ".jpg" || ext == ".png" || ext == ".argb";
}

bool KindIn(uint8_t kind, std::initializer_list<uint8_t> kinds)
{
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

int16_t Minus(int16_t a, int16_t b)
{
    return static_cast<int16_t>(static_cast<uint16_t>(a) - static_cast<uint16_t>(b));
}

int16_t NotNegative(int16_t v)
{
    return v < 0 ? int16_t{0} : v;
}

// --- ABMP7 keys -----------------------------------------------------------

struct TOldKind
{
    uint8_t kind;
    uint8_t blend;
};

TOldKind OldTypeKind(uint8_t type)
{
    switch (type) {
    case 0:
    case 20: return {0, 1};
    case 2:
    case 3:
    case 4: return {2, static_cast<uint8_t>(type)};
    case 8:
    case 14: return {1, 1};
    case 15:
    case 16:
    case 17: return {1, static_cast<uint8_t>(type - 13)};
    case 9:
    case 13: return {3, 1};
    case 10:
    case 11:
    case 12: return {3, static_cast<uint8_t>(type - 8)};
    case 18: return {5, 0};
    case 19: return {6, 0};
    case 1:
    case 5:
    case 6:
    case 7: return {2, 1};
    default: return {0, 0};
    }
}

bool MultipliesColour(uint8_t type)
{
    return type == 6 || type == 8 || (type >= 14 && type <= 17);
}

struct TAbmp7Key
{
    TAnimationKey key;
    uint8_t oldType = 0;
    uint32_t colour = 0; // low 24 bits of the colour word
};

TAbmp7Key ReadAbmp7Key(TMemoryStream& s, int index)
{
    TAbmp7Key out;
    TAnimationKey& k = out.key;
    k = TAnimationKey::Default(index);
    k.time = static_cast<int32_t>(s.ReadU32());
    k.srcX = s.ReadI16();
    k.srcY = s.ReadI16();
    k.srcW = s.ReadI16();
    k.srcH = s.ReadI16();
    k.x = s.ReadI16();
    k.y = s.ReadI16();
    k.zoomX = s.ReadI16();
    k.zoomY = s.ReadI16();
    k.depth = s.ReadI16();
    const uint32_t word = s.ReadU32();
    k.opacity = static_cast<uint8_t>(word >> 24);
    out.colour = word & 0xFFFFFF;
    out.oldType = s.ReadU8();
    const TOldKind kind = OldTypeKind(out.oldType);
    k.kind = kind.kind;
    k.blend = kind.blend;
    k.posType = s.ReadU8();
    k.transformType = s.ReadU8();
    k.colorType = s.ReadU8();
    k.action = s.ReadU8();
    k.params[0] = s.ReadU8();
    return out;
}

void ApplyAbmp7Colours(std::vector<TAbmp7Key>& keys)
{
    for (size_t i = 0; i < keys.size(); ++i) {
        const TAbmp7Key& previous = keys[i == 0 ? 0 : i - 1];
        uint8_t type = keys[i].oldType;
        if (previous.key.colorType != 0 && previous.oldType != 5 &&
            !MultipliesColour(previous.oldType))
            type = previous.oldType;
        TAnimationKey& k = keys[i].key;
        k.addColor = 0;
        k.mulColor = 0xFFFFFF;
        if (type == 5)
            k.addColor = keys[i].colour;
        else if (MultipliesColour(type))
            k.mulColor = keys[i].colour;
    }
}

// --- Migration of older data -----------------------------------------------

void MigrateCoordinates(std::vector<TAnimationKey>& keys)
{
    for (size_t i = 0; i < keys.size(); ++i) {
        TAnimationKey& k = keys[i];
        const TAnimationKey* p = i > 0 ? &keys[i - 1] : nullptr;
        k.posParam = 100;
        k.transformParam = 100;
        auto source = [&k] {
            k.srcW = Minus(k.srcW, k.srcX);
            k.srcH = Minus(k.srcH, k.srcY);
        };
        auto zoom = [&k] {
            k.zoomX = Minus(k.zoomX, k.x);
            k.zoomY = Minus(k.zoomY, k.y);
        };
        switch (k.kind) {
        case 0:
            if (p && KindIn(p->kind, {1, 2, 3, 6, 8})) {
                if (p->posType != 0) source();
                if (p->transformType != 0) zoom();
            } else if (p && p->kind == 4 && p->posType != 0) {
                source();
            }
            break;
        case 2:
            source();
            if (p && KindIn(p->kind, {1, 3, 6, 8}) && p->transformType != 0) zoom();
            break;
        case 4:
            source();
            k.anchorIndex2 = 4;
            break;
        case 1:
        case 3:
        case 6:
        case 8:
            source();
            zoom();
            break;
        default: break;
        }
        k.srcW = NotNegative(k.srcW);
        k.srcH = NotNegative(k.srcH);
        k.zoomX = NotNegative(k.zoomX);
        k.zoomY = NotNegative(k.zoomY);
    }
}

void ShiftAnchor(TAnimationKey& k, const TAnimationKey& q, const TABMPImage10& images)
{
    if (q.anchorIndex2 > 8) return; // names no anchor
    const TABMPImageData10* data = images.At(q.image);
    double w = data ? data->Width() : 0;
    double h = data ? data->Height() : 0;
    if (k.zoomX != 0 && k.zoomY == 0) {
        w = std::round(w * k.zoomX / 100.0);
        h = std::round(h * k.zoomY / 100.0);
    }
    const int halfW = static_cast<int>(w) / 2;
    const int halfH = static_cast<int>(h) / 2;
    const int c = q.anchorIndex2 % 3;
    const int r = q.anchorIndex2 / 3;
    if (c == 0) k.x = static_cast<int16_t>(k.x + halfW);
    if (c == 2) k.x = static_cast<int16_t>(k.x - halfW);
    if (r == 0) k.y = static_cast<int16_t>(k.y + halfH);
    if (r == 2) k.y = static_cast<int16_t>(k.y - halfH);
}

void MigrateAnchorShift(std::vector<TAnimationKey>& keys, const TABMPImage10& images)
{
    // Decided on the keys as they stand before this step.
    const std::vector<TAnimationKey> before = keys;
    for (size_t i = 0; i < keys.size(); ++i) {
        const TAnimationKey& k = before[i];
        const TAnimationKey* p = i > 0 ? &before[i - 1] : nullptr;
        if (k.kind == 4) {
            const bool fromPrevious =
                p && p->kind == 4 && p->transformType != 0 && p->image != k.image;
            ShiftAnchor(keys[i], fromPrevious ? *p : k, images);
        } else if (k.kind == 0 && p && p->kind == 4 && p->transformType != 0) {
            ShiftAnchor(keys[i], *p, images);
        }
    }
}

void RepairZooms(TABMPLayer10& layer)
{
    std::vector<TAnimationKey>& keys = layer.keys;
    for (size_t i = 0; i < keys.size(); ++i) {
        TAnimationKey& k = keys[i];
        const TAnimationKey* p = i > 0 ? &keys[i - 1] : nullptr;
        bool repair = KindIn(k.kind, {4, 7}) && k.zoomX == 0 && k.zoomY == 0;
        if (KindIn(k.kind, {0, 2})) {
            if (p && KindIn(p->kind, {4, 7}) && p->transformType != 0) repair = true;
            if (layer.mode == 1) repair = true;
        }
        if (repair) {
            k.zoomX = 100;
            k.zoomY = 100;
        }
    }
}

void RepairPushZooms(TABMPLayer10& layer)
{
    if (layer.mode != 1 || layer.keys.empty()) return;
    const bool allZero = std::all_of(layer.keys.begin(), layer.keys.end(), [](const auto& k) {
        return k.zoomX == 0 && k.zoomY == 0;
    });
    if (!allZero) return;
    for (TAnimationKey& k : layer.keys) {
        k.zoomX = 100;
        k.zoomY = 100;
    }
}

} // namespace

int MatchMagic(TMemoryStream& stream, std::initializer_list<std::string_view> tags, size_t width)
{
    if (stream.Remaining() < width) return -1;
    const uint8_t* p = stream.Data() + stream.Position();
    size_t length = 0;
    while (length < width && p[length] != 0)
        ++length;
    const std::string_view magic(reinterpret_cast<const char*>(p), length);
    int index = 0;
    for (std::string_view tag : tags) {
        if (magic == tag) {
            stream.Skip(width);
            return index;
        }
        ++index;
    }
    return -1;
}

uint32_t TAnimationLoader::NextSeed()
{
    TMTRandom* seeds = animation_.context_.seeds;
    return seeds ? seeds->NextBelow(0x7FFFFFFF) : 0;
}

std::shared_ptr<TABMPData10> TAnimationLoader::NewData()
{
    return std::make_shared<TABMPData10>(animation_.path_, animation_.keepPayload_, NextSeed());
}

void TAnimationLoader::ClearTree()
{
    if (animation_.dataCached_ && animation_.context_.motionData)
        animation_.context_.motionData->Release(animation_.data_);
    animation_.images_.entries.clear();
    animation_.sounds_.entries.clear();
    animation_.data_ = NewData();
    animation_.dataCached_ = false;
}

void TAnimationLoader::CacheData(const std::shared_ptr<TABMPData10>& data)
{
    TMotionDataManager* cache = animation_.context_.motionData;
    if (!cache) return;
    if (cache->Add(data, TMotionDataManager::KeyFor(animation_.path_)))
        animation_.dataCached_ = true;
}

bool TAnimationLoader::LoadAnimationFile(TMemoryStream& stream)
{
    for (int version : {12, 11, 10}) {
        ClearTree();
        if (ReadAbmp(stream, version)) return true;
    }
    ClearTree();
    if (ReadAbmp7(stream)) return true;
    ClearTree();
    return false;
}

bool TAnimationLoader::ReadAbmp(TMemoryStream& stream, int version)
{
    TPositionGuard guard(stream);
    const std::string tag = "abmp" + std::to_string(version);
    if (MatchMagic(stream, {tag}) < 0) return false;
    // Magic and length of the data block; the block must fit.
    if (stream.Remaining() < 20) return false;
    const size_t blockStart = stream.Position();
    stream.Skip(16);
    const uint32_t length = stream.ReadU32();
    if (!Fits(stream, length)) return false;
    stream.Seek(blockStart);
    bool fresh = false, parsed = false;
    std::shared_ptr<TABMPData10> data = ReadDataBlock(stream, fresh, parsed);
    animation_.data_ = data;
    if (!ReadImageBlock(stream) || !ReadSoundBlock(stream)) return false;
    if (fresh && parsed) {
        Migrate(*data, version);
        CacheData(data);
    }
    animation_.version_ = version;
    guard.Release();
    return true;
}

std::shared_ptr<TABMPData10> TAnimationLoader::ReadDataBlock(TMemoryStream& stream, bool& fresh,
                                                             bool& parsed)
{
    const size_t start = stream.Position();
    stream.Skip(16);
    const uint32_t length = stream.ReadU32();
    const size_t end = stream.Position() + length;
    stream.Seek(start);
    TMotionDataManager* cache = animation_.context_.motionData;
    if (cache) {
        if (auto cached = cache->Get(TMotionDataManager::KeyFor(animation_.path_), true, true)) {
            stream.Seek(end);
            fresh = false;
            animation_.dataCached_ = true;
            return cached;
        }
    }
    fresh = true;
    parsed = false;
    auto data = NewData();
    const int dataVersion = MatchMagic(stream, {"abdata10", "abdata11", "abdata12", "abdata13"});
    if (dataVersion >= 0) {
        stream.Skip(4);
        const auto expanded =
            PackExpand(stream.Bytes().subspan(stream.Position(), length), false,
                       ExpandLimitFor(length));
        if (expanded) {
            if (cache) cache->CountParse();
            try {
                TMemoryStream block(std::move(*expanded));
                ParseData(block, dataVersion + 10, *data);
                parsed = true;
            } catch (const StreamError&) {
                data = NewData(); // a damaged block is discarded
            }
        }
    }
    stream.Seek(end);
    return data;
}

void TAnimationLoader::ParseData(TMemoryStream& block, int dataVersion, TABMPData10& data)
{
    data.version = static_cast<uint8_t>(dataVersion);
    data.name = ReadString(block);
    data.subVersion = dataVersion >= 13 ? block.ReadU32() : 0;
    data.width = block.ReadU32();
    data.height = block.ReadU32();
    data.length = dataVersion >= 11 ? block.ReadU32() : 0;
    data.loopStart = dataVersion >= 12 ? block.ReadU32() : 0;
    data.frameStep = dataVersion >= 13 && data.subVersion > 0 ? block.ReadU32() : 1;
    data.properties = dataVersion >= 11 ? ReadString(block) : std::string();
    const uint8_t motions = block.ReadU8();
    for (uint8_t i = 0; i < motions; ++i) {
        if (!ParseMotion(block, data)) break;
    }
}

bool TAnimationLoader::ParseMotion(TMemoryStream& block, TABMPData10& data)
{
    TPositionGuard guard(block);
    if (MatchMagic(block, {"abmotion10"}) < 0) return false;
    auto motion = std::make_unique<TABMPMotion10>(data.Path(), data.KeepPayload(), NextSeed());
    motion->version = 10;
    motion->name = ReadString(block);
    const uint8_t layers = block.ReadU8();
    bool complete = true;
    for (uint8_t i = 0; i < layers && complete; ++i)
        complete = ParseLayer(block, *motion);
    if (!complete) return false;
    data.motions.push_back(std::move(motion));
    guard.Release();
    return true;
}

bool TAnimationLoader::ParseLayer(TMemoryStream& block, TABMPMotion10& motion)
{
    TPositionGuard guard(block);
    const int index = MatchMagic(block, {"ablayer10", "ablayer11", "ablayer12", "ablayer13",
                                         "ablayer14", "ablayer15", "ablayer16", "ablayer17"});
    if (index < 0) return false;
    const int version = index + 10;
    auto layer = std::make_unique<TABMPLayer10>(motion.Path(), motion.KeepPayload(), NextSeed());
    layer->version = static_cast<uint8_t>(version);
    layer->name = ReadString(block);
    layer->flags = version >= 15 ? block.ReadU8() : 1;
    const uint8_t count = block.ReadU8();
    layer->mode = version >= 11 ? block.ReadU8() : 0;
    const size_t recordSize = version <= 13 ? 57 : version <= 15 ? 92 : version == 16 ? 145 : 162;
    block.Require(size_t{count} * recordSize);
    layer->keys.clear();
    std::vector<uint8_t> record(recordSize);
    for (uint8_t i = 0; i < count; ++i) {
        block.ReadBytes(record.data(), recordSize);
        if (version <= 11) {
            if (record[4] == 4) record[4] = 5;
            else if (record[4] == 5) record[4] = 6;
        }
        const TKeyRecord wide = WidenKeyRecord(record);
        layer->keys.push_back(TAnimationKey::FromRecord(wide));
    }
    if (recordSize <= 92) RepairPushZooms(*layer);
    motion.layers.push_back(std::move(layer));
    guard.Release();
    return true;
}

bool TAnimationLoader::ReadImageBlock(TMemoryStream& stream)
{
    TPositionGuard guard(stream);
    if (MatchMagic(stream, {"abimage10"}) < 0) return false;
    if (stream.Remaining() < 1) return false;
    const uint8_t count = stream.ReadU8();
    for (uint8_t i = 0; i < count; ++i) {
        if (!ReadImageRecord(stream)) return false;
    }
    guard.Release();
    return true;
}

bool TAnimationLoader::ReadImageRecord(TMemoryStream& stream)
{
    TPositionGuard guard(stream);
    const int index = MatchMagic(stream, {"abimgdat10", "abimgdat11", "abimgdat12", "abimgdat13"});
    if (index < 0) return false;
    const int version = index + 10;
    TABMPImage10& images = animation_.images_;
    const size_t slot = images.entries.size();
    auto entry = std::make_unique<TABMPImageData10>("ImgDat" + std::to_string(slot),
                                                    images.Path(), images.KeepPayload());
    entry->recordVersion = static_cast<uint8_t>(version);
    try {
        entry->label = ReadString(stream);
        const std::string fileName = version >= 11 ? ReadString(stream) : std::string();
        entry->type = stream.ReadU8();
        if (version >= 12) {
            entry->offsetX = stream.ReadI32();
            entry->offsetY = stream.ReadI32();
        }
        if (version >= 13) entry->offsetZ = stream.ReadI32();
        const uint32_t length = stream.ReadU32();
        if (!Fits(stream, length)) return false;
        entry->identity = fileName;
        const std::string payloadName =
            (fileName.empty() ? entry->Path() : fileName) +
            std::string(ImageTypeExtension(entry->type));
        images.entries.push_back(std::move(entry));
        const size_t end = stream.Position() + length;
        if (length > 0) DecodeImagePayload(stream, length, slot, payloadName);
        stream.Seek(end);
    } catch (const StreamError&) {
        return false;
    }
    guard.Release();
    return true;
}

void TAnimationLoader::DecodeImagePayload(TMemoryStream& stream, size_t length, size_t index,
                                          const std::string& payloadName)
{
    TABMPImageData10& entry = *animation_.images_.entries[index];
    const size_t start = stream.Position();
    const std::span<const uint8_t> bytes = stream.Bytes().subspan(start, length);
    if (entry.KeepPayload()) entry.payload.assign(bytes.begin(), bytes.end());
    const std::string ext = LowerExtension(payloadName);
    if (IsImageExtension(ext)) {
        TARGB8888Manager* cache = animation_.context_.images;
        if (cache) {
            entry.SetImage(cache->GetImage(stream, length, animation_.path_, payloadName), cache);
        } else {
            auto image = std::make_shared<TARGB8888>();
            try {
                image->LoadFromBytes(bytes, payloadName);
            } catch (const std::exception&) {
                image.reset();
            }
            if (image && image->Buffer()) entry.SetImage(std::move(image), nullptr);
        }
        if (entry.recordVersion == 10 && entry.KeepPayload() && entry.Image())
            entry.identity = entry.Image()->Digest();
    } else if (ext == ".b") {
        // Nested animations load recursively up to a fixed depth; deeper
        // payloads stay empty.
        if (animation_.nesting_ < TAnimationBMP::MaxNesting) {
            auto nested = std::make_unique<TAnimationBMP>(
                animation_.context_, animation_.keepPayload_, animation_.nesting_ + 1);
            TMemoryStream own(bytes.data(), bytes.size());
            if (nested->Load(own, payloadName)) entry.animation = std::move(nested);
        }
    }
    // Motion movies, Theora movies and 3D models are recognised and left
    // empty until their players exist.
}

bool TAnimationLoader::ReadSoundBlock(TMemoryStream& stream)
{
    TPositionGuard guard(stream);
    if (MatchMagic(stream, {"absound10"}) < 0) return false;
    if (stream.Remaining() < 1) return false;
    const uint8_t count = stream.ReadU8();
    for (uint8_t i = 0; i < count; ++i) {
        if (!ReadSoundRecord(stream)) return false;
    }
    guard.Release();
    return true;
}

bool TAnimationLoader::ReadSoundRecord(TMemoryStream& stream)
{
    TPositionGuard guard(stream);
    const int index = MatchMagic(stream, {"absnddat10", "absnddat11"});
    if (index < 0) return false;
    TABMPSound10& sounds = animation_.sounds_;
    auto entry = std::make_unique<TABMPSoundData10>(
        "SndDat" + std::to_string(sounds.entries.size()), sounds.Path(), sounds.KeepPayload());
    entry->recordVersion = static_cast<uint8_t>(index + 10);
    try {
        entry->label = ReadString(stream);
        entry->identity = index == 1 ? ReadString(stream) : std::string();
        entry->type = stream.ReadU8();
        const uint32_t length = stream.ReadU32();
        if (!Fits(stream, length)) return false;
        entry->payload = stream.ReadBlock(length);
        if (index == 0 && entry->KeepPayload() && !entry->payload.empty())
            entry->identity = Sha256Hex(entry->payload.data(), entry->payload.size());
    } catch (const StreamError&) {
        return false;
    }
    sounds.entries.push_back(std::move(entry));
    guard.Release();
    return true;
}

void TAnimationLoader::ParseAbmp7Motions(TMemoryStream& block, size_t count, TABMPData10& data)
{
    constexpr size_t LayerBytes = 32 + 32 * 32;
    for (size_t m = 0; m < count; ++m) {
        auto motion = std::make_unique<TABMPMotion10>(data.Path(), data.KeepPayload(), NextSeed());
        motion->version = 7;
        motion->name = ReadNameField(block);
        const uint32_t layers = block.ReadU32();
        if (uint64_t{layers} * LayerBytes > block.Remaining())
            throw StreamError("ABMP7 layer count beyond the data");
        for (uint32_t l = 0; l < layers; ++l) {
            // Only the first 256 layers of a motion ever play.
            if (l >= TAnimationBMP::MaxLayers) {
                block.Skip(LayerBytes);
                continue;
            }
            auto layer =
                std::make_unique<TABMPLayer10>(motion->Path(), motion->KeepPayload(), NextSeed());
            layer->version = 7;
            layer->name = ReadNameField(block);
            layer->mode = l == 0 ? 1 : 0;
            std::vector<TAbmp7Key> keys;
            for (int k = 0; k < 32; ++k)
                keys.push_back(ReadAbmp7Key(block, k));
            ApplyAbmp7Colours(keys);
            layer->keys.clear();
            for (const TAbmp7Key& key : keys)
                layer->keys.push_back(key.key);
            motion->layers.push_back(std::move(layer));
        }
        data.motions.push_back(std::move(motion));
    }
}

bool TAnimationLoader::ReadAbmp7(TMemoryStream& stream)
{
    TPositionGuard guard(stream);
    if (MatchMagic(stream, {"ABMP7"}, 8) < 0) return false;
    try {
        const uint8_t motions = stream.ReadU8();
        stream.ReadU8();
        const uint8_t imageType = stream.ReadU8();
        const uint8_t soundCount = stream.ReadU8();
        const uint32_t length = stream.ReadU32();
        if (!Fits(stream, length)) return false;
        const size_t end = stream.Position() + length;
        bool fresh = true, parsed = false;
        std::shared_ptr<TABMPData10> data;
        TMotionDataManager* cache = animation_.context_.motionData;
        if (cache) data = cache->Get(TMotionDataManager::KeyFor(animation_.path_), true, true);
        if (data) {
            fresh = false;
            animation_.dataCached_ = true;
        } else {
            data = NewData();
            data->version = 7;
            const auto expanded = PackExpand(stream.Bytes().subspan(stream.Position(), length),
                                             false, ExpandLimitFor(length));
            if (expanded) {
                if (cache) cache->CountParse();
                try {
                    TMemoryStream block(std::move(*expanded));
                    ParseAbmp7Motions(block, motions, *data);
                    parsed = true;
                } catch (const StreamError&) {
                    data = NewData();
                    data->version = 7;
                }
            }
        }
        stream.Seek(end);
        animation_.data_ = data;

        const uint32_t imageLength = stream.ReadU32();
        if (!Fits(stream, imageLength)) return false;
        if (imageLength > 0) {
            TABMPImage10& images = animation_.images_;
            auto entry =
                std::make_unique<TABMPImageData10>("ImgDat0", images.Path(), images.KeepPayload());
            entry->label = "NoName";
            entry->type = imageType == 0 ? 0 : imageType == 1 ? 1 : 2;
            entry->recordVersion = 7;
            images.entries.push_back(std::move(entry));
            const size_t imageEnd = stream.Position() + imageLength;
            DecodeImagePayload(stream, imageLength, 0,
                               animation_.path_ + std::string(ImageTypeExtension(
                                                      images.entries[0]->type)));
            stream.Seek(imageEnd);
        }
        TABMPSound10& sounds = animation_.sounds_;
        for (uint8_t i = 0; i < soundCount; ++i) {
            const std::string name = ReadNameField(stream);
            const uint32_t soundLength = stream.ReadU32();
            if (!Fits(stream, soundLength)) return false;
            auto entry = std::make_unique<TABMPSoundData10>(
                "SndDat" + std::to_string(i), sounds.Path(), sounds.KeepPayload());
            entry->label = name;
            entry->identity = name;
            entry->type = 1;
            entry->recordVersion = 7;
            entry->payload = stream.ReadBlock(soundLength);
            sounds.entries.push_back(std::move(entry));
        }
        if (fresh && parsed) {
            Migrate(*data, 7);
            CacheData(data);
        }
    } catch (const StreamError&) {
        return false;
    }
    animation_.version_ = 7;
    guard.Release();
    return true;
}

void TAnimationLoader::Migrate(TABMPData10& data, int fileVersion)
{
    if (fileVersion == 12) return;
    if (fileVersion == 10) {
        for (auto& motion : data.motions)
            if (!motion->layers.empty()) motion->layers[0]->mode = 1;
    }
    bool oldCoordinates = fileVersion == 7;
    if (fileVersion == 10 || fileVersion == 11) {
        oldCoordinates = !data.motions.empty() && !data.motions[0]->layers.empty() &&
                         data.motions[0]->layers[0]->version < 13;
    }
    for (auto& motion : data.motions) {
        for (auto& layer : motion->layers) {
            if (oldCoordinates) MigrateCoordinates(layer->keys);
            if (oldCoordinates && fileVersion != 7)
                for (TAnimationKey& k : layer->keys)
                    k.blend = static_cast<uint8_t>(k.blend + 1);
            MigrateAnchorShift(layer->keys, animation_.images_);
            RepairZooms(*layer);
            for (TAnimationKey& k : layer->keys) {
                const TAnchorPercent a = AnchorFromIndex(k.anchorIndex1);
                const TAnchorPercent b = AnchorFromIndex(k.anchorIndex2);
                k.anchor1X = a.x;
                k.anchor1Y = a.y;
                k.anchor2X = b.x;
                k.anchor2Y = b.y;
            }
            RepairPushZooms(*layer);
        }
    }
}

bool TAnimationLoader::LoadImageFile(TMemoryStream& stream, std::string_view fileName)
{
    ClearTree();
    TABMPImage10& images = animation_.images_;
    auto entry = std::make_unique<TABMPImageData10>("ImgDat0", images.Path(), images.KeepPayload());
    entry->identity = std::string(fileName);
    const std::string ext = LowerExtension(fileName);
    entry->type = ext == ".bmp" ? 0 : ext == ".jpg" ? 1 : ext == ".m" ? 4 : ext == ".argb" ? 5
                : ext == ".ogv" ? 7 : 2;
    images.entries.push_back(std::move(entry));
    stream.Rewind();
    if (stream.Size() > 0) DecodeImagePayload(stream, stream.Size(), 0, std::string(fileName));
    stream.Seek(stream.Size());

    TABMPData10& data = *animation_.data_;
    auto motion = std::make_unique<TABMPMotion10>(data.Path(), data.KeepPayload(), NextSeed());
    auto layer = std::make_unique<TABMPLayer10>(motion->Path(), motion->KeepPayload(), NextSeed());
    layer->ResetToDefaults();
    std::vector<TAnimationKey>& keys = layer->keys;
    TAnimationKey& first = keys[0];
    first.time = 0;
    first.kind = 2;
    first.blend = 1;
    first.filter = 0;
    first.image = 0;
    first.srcX = first.srcY = first.srcW = first.srcH = 0;
    first.srcTime = 0;
    first.x = first.y = 0;
    const int32_t length = 1; // a still image; movies report their own length
    const int32_t second = length <= 50 ? 1000 : length;
    const int32_t shift = second - keys[1].time;
    for (size_t i = 1; i < keys.size(); ++i)
        keys[i].time += shift;
    keys[1].srcTime = length <= 50 ? 0 : length;
    first.timeType = length <= 50 ? 0 : 1;
    keys[1].kind = first.kind;
    keys[1].blend = first.blend;
    keys[1].action = 1;
    keys[1].params[0] = 0;
    motion->layers.push_back(std::move(layer));
    data.motions.push_back(std::move(motion));
    const TABMPImageData10* image = images.At(0);
    data.width = static_cast<uint32_t>(std::max(0, image->Width()));
    data.height = static_cast<uint32_t>(std::max(0, image->Height()));
    animation_.version_ = 0;
    return true;
}

} // namespace tsukimi
