#pragma once
// Builds animation files of every layout byte by byte for the tests.
#include "data/BlockTransforms.h"
#include "data/MemoryStream.h"
#include "data/TextHelpers.h"
#include "scene/AnimationKey.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi::test {

inline void Magic(TMemoryStream& out, std::string_view tag, size_t width = 16)
{
    std::string field(width, '\0');
    field.replace(0, tag.size(), tag);
    out.WriteChars(field);
}

// A key record of `size` bytes (57, 92, 145, 162) with a few fields set.
struct TRawKey
{
    std::vector<uint8_t> bytes;

    explicit TRawKey(size_t size) : bytes(size, 0) {}
    TRawKey& U8(size_t at, uint8_t v)
    {
        bytes.at(at) = v;
        return *this;
    }
    TRawKey& I16(size_t at, int16_t v)
    {
        bytes.at(at) = static_cast<uint8_t>(v);
        bytes.at(at + 1) = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
        return *this;
    }
    TRawKey& I32(size_t at, int32_t v)
    {
        for (size_t i = 0; i < 4; ++i)
            bytes.at(at + i) = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
        return *this;
    }
};

inline TRawKey FullKey(const TAnimationKey& key)
{
    TRawKey raw(162);
    TKeyRecord record;
    key.ToRecord(record);
    raw.bytes.assign(record.begin(), record.end());
    return raw;
}

struct TRawLayer
{
    int version = 17;
    std::string name = "L";
    uint8_t flags = 1;
    uint8_t mode = 0;
    std::vector<TRawKey> keys;
};

inline void WriteLayer(TMemoryStream& out, const TRawLayer& layer)
{
    Magic(out, "ablayer" + std::to_string(layer.version));
    WriteString(out, layer.name);
    if (layer.version >= 15) out.WriteU8(layer.flags);
    out.WriteU8(static_cast<uint8_t>(layer.keys.size()));
    if (layer.version >= 11) out.WriteU8(layer.mode);
    for (const TRawKey& key : layer.keys)
        out.WriteBytes(key.bytes);
}

struct TRawImage
{
    int version = 13;
    std::string label = "img";
    std::string fileName = "pic";
    uint8_t type = 2;
    std::vector<uint8_t> payload;
};

// The data block body (before compression) of abdata10..13 with one motion
// per entry of `motions`.
inline std::vector<uint8_t> DataBody(int dataVersion, const std::vector<std::vector<TRawLayer>>& motions,
                                     uint32_t width = 64, uint32_t height = 48,
                                     std::string_view properties = {})
{
    TMemoryStream body;
    WriteString(body, "anim");
    if (dataVersion >= 13) body.WriteU32(1);
    body.WriteU32(width);
    body.WriteU32(height);
    if (dataVersion >= 11) body.WriteU32(3000);
    if (dataVersion >= 12) body.WriteU32(1000);
    if (dataVersion >= 13) body.WriteU32(1);
    if (dataVersion >= 11) WriteString(body, properties);
    body.WriteU8(static_cast<uint8_t>(motions.size()));
    int index = 0;
    for (const auto& layers : motions) {
        Magic(body, "abmotion10");
        WriteString(body, "m" + std::to_string(index++));
        body.WriteU8(static_cast<uint8_t>(layers.size()));
        for (const TRawLayer& layer : layers)
            WriteLayer(body, layer);
    }
    return body.TakeBytes();
}

// An abmp10..12 file: magic, data block, image block, sound block.
inline std::vector<uint8_t> AbmpFile(int fileVersion, int dataVersion,
                                     const std::vector<std::vector<TRawLayer>>& motions,
                                     const std::vector<TRawImage>& images = {},
                                     std::string_view properties = {})
{
    TMemoryStream out;
    Magic(out, "abmp" + std::to_string(fileVersion));
    const std::vector<uint8_t> packed = PackCompress(DataBody(dataVersion, motions, 64, 48, properties));
    Magic(out, "abdata" + std::to_string(dataVersion));
    out.WriteU32(static_cast<uint32_t>(packed.size()));
    out.WriteBytes(packed);
    Magic(out, "abimage10");
    out.WriteU8(static_cast<uint8_t>(images.size()));
    for (const TRawImage& image : images) {
        Magic(out, "abimgdat" + std::to_string(image.version));
        WriteString(out, image.label);
        if (image.version >= 11) WriteString(out, image.fileName);
        out.WriteU8(image.type);
        if (image.version >= 12) {
            out.WriteI32(5);
            out.WriteI32(6);
        }
        if (image.version >= 13) out.WriteI32(7);
        out.WriteU32(static_cast<uint32_t>(image.payload.size()));
        out.WriteBytes(image.payload);
    }
    Magic(out, "absound10");
    out.WriteU8(1);
    Magic(out, "absnddat11");
    WriteString(out, "se");
    WriteString(out, "click");
    out.WriteU8(1);
    out.WriteU32(4);
    out.WriteChars("OggS");
    return out.TakeBytes();
}

// One 32-byte ABMP7 key.
struct TAbmp7Key
{
    uint32_t time = 0;
    int16_t srcX = 0, srcY = 0, srcW = 0, srcH = 0;
    int16_t x = 0, y = 0, zoomX = 100, zoomY = 100, depth = 0;
    uint32_t colour = 0xFF000000;
    uint8_t oldType = 0;
    uint8_t posType = 0, transformType = 0, colorType = 0, action = 0, param = 0;
};

inline std::vector<uint8_t> Abmp7File(const std::vector<std::vector<TAbmp7Key>>& layers,
                                      const std::vector<uint8_t>& image = {})
{
    TMemoryStream body;
    auto nameField = [&body](std::string_view name) {
        std::string field(32, '\0');
        field[0] = static_cast<char>(name.size());
        field.replace(1, name.size(), name);
        body.WriteChars(field);
    };
    nameField("motion");
    body.WriteU32(static_cast<uint32_t>(layers.size()));
    for (const auto& keys : layers) {
        nameField("layer");
        for (size_t k = 0; k < 32; ++k) {
            const TAbmp7Key key = k < keys.size() ? keys[k] : TAbmp7Key{uint32_t(k * 1000)};
            body.WriteU32(key.time);
            for (int16_t v : {key.srcX, key.srcY, key.srcW, key.srcH, key.x, key.y, key.zoomX,
                              key.zoomY, key.depth})
                body.WriteI16(v);
            body.WriteU32(key.colour);
            for (uint8_t v : {key.oldType, key.posType, key.transformType, key.colorType,
                              key.action, key.param})
                body.WriteU8(v);
        }
    }
    const std::vector<uint8_t> packed = PackCompress(body.Bytes());
    TMemoryStream out;
    Magic(out, "ABMP7", 8);
    out.WriteU8(1);
    out.WriteU8(0);
    out.WriteU8(2);
    out.WriteU8(1);
    out.WriteU32(static_cast<uint32_t>(packed.size()));
    out.WriteBytes(packed);
    out.WriteU32(static_cast<uint32_t>(image.size()));
    out.WriteBytes(image);
    std::string soundName(32, '\0');
    soundName[0] = 2;
    soundName.replace(1, 2, "se");
    out.WriteChars(soundName);
    out.WriteU32(3);
    out.WriteChars("abc");
    return out.TakeBytes();
}

} // namespace tsukimi::test
