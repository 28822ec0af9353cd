#include "scene/AnimationTree.h"

#include "data/TextHelpers.h"
#include "graphics/ARGB8888Manager.h"
#include "scene/AnimationBMP.h"

#include <algorithm>

namespace tsukimi {

TABMPBaseClass::TABMPBaseClass(std::string internalName, std::string_view parentPath,
                               bool keepPayload)
    : internalName_(std::move(internalName)), keepPayload_(keepPayload)
{
    path_ = parentPath.empty() ? internalName_ : std::string(parentPath) + "_" + internalName_;
}

TABMPLayer10::TABMPLayer10(std::string_view parentPath, bool keepPayload, uint32_t seed_)
    : TABMPBaseClass("Layer", parentPath, keepPayload), seed(seed_)
{
    ResetToDefaults();
}

void TABMPLayer10::ResetToDefaults()
{
    keys.clear();
    SetKeyCount(4);
}

void TABMPLayer10::SetKeyCount(size_t count)
{
    count = std::min(count, MaxKeys);
    while (keys.size() > count)
        keys.pop_back();
    while (keys.size() < count) {
        TAnimationKey key = TAnimationKey::Default(static_cast<int>(keys.size()));
        if (!keys.empty())
            key.time = static_cast<int32_t>(static_cast<uint32_t>(keys.back().time) + 1000u);
        keys.push_back(key);
    }
}

TABMPMotion10::TABMPMotion10(std::string_view parentPath, bool keepPayload, uint32_t seed_)
    : TABMPBaseClass("Motion", parentPath, keepPayload), seed(seed_)
{}

TABMPData10::TABMPData10(std::string_view parentPath, bool keepPayload, uint32_t seed_)
    : TABMPBaseClass("Data", parentPath, keepPayload), seed(seed_)
{}

std::string TABMPData10::Property(std::string_view key) const
{
    const std::string wanted = LowerText(key);
    size_t at = 0;
    while (at < properties.size()) {
        size_t end = properties.find_first_of("\r\n", at);
        if (end == std::string::npos) end = properties.size();
        const std::string_view line(properties.data() + at, end - at);
        const size_t eq = line.find('=');
        if (eq != std::string_view::npos && LowerText(line.substr(0, eq)) == wanted)
            return std::string(line.substr(eq + 1));
        at = end + 1;
    }
    return {};
}

uint64_t TABMPData10::KeyCount() const
{
    uint64_t count = 0;
    for (const auto& motion : motions)
        for (const auto& layer : motion->layers)
            count += layer->keys.size();
    return count;
}

std::string_view ImageTypeExtension(uint8_t type)
{
    switch (type) {
    case 0: return ".bmp";
    case 1: return ".jpg";
    case 4: return ".m";
    case 5: return ".argb";
    case 6: return ".b";
    case 7: return ".ogv";
    case 8: return ".mdl";
    default: return ".png";
    }
}

TABMPImageData10::TABMPImageData10(std::string internalName, std::string_view parentPath,
                                   bool keepPayload)
    : TABMPBaseClass(std::move(internalName), parentPath, keepPayload)
{}

TABMPImageData10::~TABMPImageData10()
{
    ReleasePayload();
}

void TABMPImageData10::ReleasePayload()
{
    if (image_ && cache_) cache_->Release(image_);
    image_.reset();
    cache_ = nullptr;
    animation.reset();
}

void TABMPImageData10::SetImage(std::shared_ptr<TARGB8888> image, TARGB8888Manager* cache)
{
    if (image_ && cache_) cache_->Release(image_);
    image_ = std::move(image);
    cache_ = image_ ? cache : nullptr;
}

int TABMPImageData10::Width() const
{
    if (image_) return image_->Width();
    if (animation) return static_cast<int>(std::min<uint32_t>(animation->Data().width, 0x7FFFFFFF));
    return 0;
}

int TABMPImageData10::Height() const
{
    if (image_) return image_->Height();
    if (animation)
        return static_cast<int>(std::min<uint32_t>(animation->Data().height, 0x7FFFFFFF));
    return 0;
}

TABMPImage10::TABMPImage10(std::string_view parentPath, bool keepPayload)
    : TABMPBaseClass("Image", parentPath, keepPayload)
{}

TABMPSoundData10::TABMPSoundData10(std::string internalName, std::string_view parentPath,
                                   bool keepPayload)
    : TABMPBaseClass(std::move(internalName), parentPath, keepPayload)
{}

TABMPSound10::TABMPSound10(std::string_view parentPath, bool keepPayload)
    : TABMPBaseClass("Sound", parentPath, keepPayload)
{}

} // namespace tsukimi
