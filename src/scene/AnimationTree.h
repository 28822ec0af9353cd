#pragma once
// The object tree an animation file loads into: the data block with its
// motions, layers and keys, the image list and the sound list. Every node
// has an internal name and a path (the parent's path + "_" + the internal
// name); motions, layers, images and sounds also keep the name stored in the
// file.
#include "graphics/ARGB8888.h"
#include "scene/AnimationKey.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

class TAnimationBMP;
class TARGB8888Manager;

class TABMPBaseClass
{
public:
    TABMPBaseClass(std::string internalName, std::string_view parentPath, bool keepPayload);
    virtual ~TABMPBaseClass() = default;
    TABMPBaseClass(const TABMPBaseClass&) = default;
    TABMPBaseClass(TABMPBaseClass&&) = default;
    TABMPBaseClass& operator=(const TABMPBaseClass&) = default;
    TABMPBaseClass& operator=(TABMPBaseClass&&) = default;

    const std::string& InternalName() const { return internalName_; }
    const std::string& Path() const { return path_; }
    bool KeepPayload() const { return keepPayload_; }

private:
    std::string internalName_;
    std::string path_;
    bool keepPayload_ = false;
};

// Layer modes: how a layer combines with the layers above it.
enum class LayerMode : uint8_t { Normal = 0, Push = 1, Pop = 2 };

class TABMPLayer10 : public TABMPBaseClass
{
public:
    static constexpr size_t MaxKeys = 255;

    TABMPLayer10(std::string_view parentPath, bool keepPayload, uint32_t seed = 0);

    // The four default keys at 0, 1000, 2000 and 3000 ms.
    void ResetToDefaults();
    // Grows (keys 1000 ms apart after the last) or cuts to `count` keys.
    void SetKeyCount(size_t count);
    // Time of the last key; 0 without keys.
    int32_t LastKeyTime() const { return keys.empty() ? 0 : keys.back().time; }

    std::string name = "NoName";
    uint8_t version = 17;
    uint8_t flags = 1;
    uint8_t mode = 0; // LayerMode; other values act as normal
    std::vector<TAnimationKey> keys;
    uint32_t seed = 0;
};

class TABMPMotion10 : public TABMPBaseClass
{
public:
    TABMPMotion10(std::string_view parentPath, bool keepPayload, uint32_t seed = 0);

    std::string name = "NoName";
    uint8_t version = 10;
    std::vector<std::unique_ptr<TABMPLayer10>> layers;
    uint32_t seed = 0;
};

class TABMPData10 : public TABMPBaseClass
{
public:
    TABMPData10(std::string_view parentPath, bool keepPayload, uint32_t seed = 0);

    // Value of "key=value" in the property list; empty when absent.
    std::string Property(std::string_view key) const;
    uint64_t KeyCount() const;

    std::string name;
    uint8_t version = 13; // 7 or 10..13
    uint32_t subVersion = 1;
    uint32_t width = 0, height = 0;
    uint32_t length = 0;
    uint32_t loopStart = 0;
    uint32_t frameStep = 1;
    std::string properties; // key=value lines
    std::vector<std::unique_ptr<TABMPMotion10>> motions;
    uint32_t seed = 0;
};

// Image data types as stored in image records.
enum class ImagePayload : uint8_t {
    Bmp = 0,
    Jpeg = 1,
    Png = 2, // and any other stored value
    MotionMovie = 4,
    Argb = 5,
    Animation = 6,
    Theora = 7,
    Model = 8,
};
// ".bmp", ".jpg", ".m", ".argb", ".b", ".ogv", ".mdl", else ".png".
std::string_view ImageTypeExtension(uint8_t type);

class TABMPImageData10 : public TABMPBaseClass
{
public:
    TABMPImageData10(std::string internalName, std::string_view parentPath, bool keepPayload);
    ~TABMPImageData10() override;
    TABMPImageData10(const TABMPImageData10&) = delete;
    TABMPImageData10& operator=(const TABMPImageData10&) = delete;

    // Gives a cached image back to its cache.
    void ReleasePayload();
    void SetImage(std::shared_ptr<TARGB8888> image, TARGB8888Manager* cache);
    const TARGB8888* Image() const { return image_.get(); }
    const TAnimationBMP* Animation() const { return animation.get(); }
    // Width and height of the image, or of a nested animation's canvas.
    int Width() const;
    int Height() const;

    std::string label;
    std::string identity; // file name, or digest
    uint8_t type = 2;
    int32_t offsetX = 0, offsetY = 0, offsetZ = 0;
    uint8_t recordVersion = 13;
    std::unique_ptr<TAnimationBMP> animation; // a nested animation payload
    std::vector<uint8_t> payload;             // kept when the keep-payload flag is set
    std::string effect;                       // applied when image filters exist

private:
    std::shared_ptr<TARGB8888> image_;
    TARGB8888Manager* cache_ = nullptr;
};

class TABMPImage10 : public TABMPBaseClass
{
public:
    TABMPImage10(std::string_view parentPath, bool keepPayload);

    TABMPImageData10* At(size_t index) const
    {
        return index < entries.size() ? entries[index].get() : nullptr;
    }
    std::vector<std::unique_ptr<TABMPImageData10>> entries;
};

class TABMPSoundData10 : public TABMPBaseClass
{
public:
    TABMPSoundData10(std::string internalName, std::string_view parentPath, bool keepPayload);

    std::string label;
    std::string identity;
    uint8_t type = 1; // 0 wave, 1 Ogg Vorbis
    uint8_t recordVersion = 11;
    // The embedded sound file; the sound services decode it.
    std::vector<uint8_t> payload;
};

class TABMPSound10 : public TABMPBaseClass
{
public:
    TABMPSound10(std::string_view parentPath, bool keepPayload);

    TABMPSoundData10* At(size_t index) const
    {
        return index < entries.size() ? entries[index].get() : nullptr;
    }
    std::vector<std::unique_ptr<TABMPSoundData10>> entries;
};

} // namespace tsukimi
