#include "scene/AnimationWriter.h"

#include "data/BlockTransforms.h"
#include "data/TextHelpers.h"

#include <array>
#include <string>

namespace tsukimi {
namespace {

void WriteMagic(TMemoryStream& out, std::string_view tag, size_t width = 16)
{
    std::string field(width, '\0');
    field.replace(0, std::min(tag.size(), width), tag.substr(0, width));
    out.WriteChars(field);
}

uint8_t Count8(size_t count, const char* what)
{
    if (count > 255) throw AnimationWriteError(std::string("more than 255 ") + what);
    return static_cast<uint8_t>(count);
}

void CheckString(std::string_view text, const char* what)
{
    if (text.size() > 65535) throw AnimationWriteError(std::string(what) + " longer than 65535 bytes");
}

uint32_t Length32(size_t size)
{
    if (size > 0xFFFFFFFFu) throw AnimationWriteError("payload of 4 GiB or more");
    return static_cast<uint32_t>(size);
}

std::vector<uint8_t> DataBody(const TABMPData10& data)
{
    TMemoryStream body;
    CheckString(data.name, "animation name");
    CheckString(data.properties, "property list");
    WriteString(body, data.name);
    body.WriteU32(1); // sub-version: the frame step follows
    body.WriteU32(data.width);
    body.WriteU32(data.height);
    body.WriteU32(data.length);
    body.WriteU32(data.loopStart);
    body.WriteU32(data.frameStep);
    WriteString(body, data.properties);
    body.WriteU8(Count8(data.motions.size(), "motions"));
    for (const auto& motion : data.motions) {
        WriteMagic(body, "abmotion10");
        CheckString(motion->name, "motion name");
        WriteString(body, motion->name);
        body.WriteU8(Count8(motion->layers.size(), "layers in a motion"));
        for (const auto& layer : motion->layers) {
            WriteMagic(body, "ablayer17");
            CheckString(layer->name, "layer name");
            WriteString(body, layer->name);
            body.WriteU8(layer->flags);
            body.WriteU8(Count8(layer->keys.size(), "keys in a layer"));
            body.WriteU8(layer->mode);
            TKeyRecord record;
            for (const TAnimationKey& key : layer->keys) {
                key.ToRecord(record);
                body.WriteBytes(record.data(), record.size());
            }
        }
    }
    return body.TakeBytes();
}

} // namespace

std::vector<uint8_t> WriteAnimationFile(const TABMPData10& data, const TABMPImage10& images,
                                        const TABMPSound10& sounds)
{
    TMemoryStream out;
    WriteMagic(out, "abmp12");
    const std::vector<uint8_t> body = DataBody(data);
    const std::vector<uint8_t> packed = PackCompress(body);
    WriteMagic(out, "abdata13");
    out.WriteU32(Length32(packed.size()));
    out.WriteBytes(packed);

    WriteMagic(out, "abimage10");
    out.WriteU8(Count8(images.entries.size(), "images"));
    for (const auto& image : images.entries) {
        WriteMagic(out, "abimgdat13");
        CheckString(image->label, "image label");
        CheckString(image->identity, "image name");
        WriteString(out, image->label);
        WriteString(out, image->identity);
        out.WriteU8(image->type);
        out.WriteI32(image->offsetX);
        out.WriteI32(image->offsetY);
        out.WriteI32(image->offsetZ);
        out.WriteU32(Length32(image->payload.size()));
        out.WriteBytes(image->payload);
    }
    WriteMagic(out, "absound10");
    out.WriteU8(Count8(sounds.entries.size(), "sounds"));
    for (const auto& sound : sounds.entries) {
        WriteMagic(out, "absnddat11");
        CheckString(sound->label, "sound label");
        CheckString(sound->identity, "sound name");
        WriteString(out, sound->label);
        WriteString(out, sound->identity);
        out.WriteU8(sound->type);
        out.WriteU32(Length32(sound->payload.size()));
        out.WriteBytes(sound->payload);
    }
    return out.TakeBytes();
}

} // namespace tsukimi
