#pragma once
// TAnimationBMP: a layered key-frame animation. It loads ".b" files of every
// version ("abmp12", "abmp11", "abmp10", "ABMP7") or wraps one image file as
// a one-motion animation, and plays it: one clock per layer, the actions
// stored in keys, the interpolation of every key group and the modifiers,
// giving one TLayerState per layer and frame.
#include "data/MemoryStream.h"
#include "scene/AnimationSound.h"
#include "scene/AnimationTree.h"
#include "scene/LayerState.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

class TARGB8888Manager;
class TMotionDataManager;
class TMTRandom;
class TRandomTable;

// The services an animation uses; every one may be absent, and each must
// outlive the animations that use it.
struct TAnimationContext
{
    TARGB8888Manager* images = nullptr;        // none: payloads decoded uncached
    TMotionDataManager* motionData = nullptr;  // none: data blocks not shared
    TAnimationSoundService* sound = nullptr;   // none: sound keys do nothing
    TRandomTable* randomTable = nullptr;       // none: the engine's shared table
    TMTRandom* seeds = nullptr;                // none: every seed is 0
    // The local time of day as a fraction of a day (0 when not given).
    std::function<double()> dayFraction;
};

class TAnimationBMP
{
public:
    static constexpr int MaxNesting = 16; // nested animations deeper load empty
    static constexpr size_t MaxLayers = 256;
    static constexpr size_t FlagCount = 32;
    static constexpr size_t ExternalCount = 16;
    // An Advance applies at most this much time (ms); more is dropped.
    static constexpr double MaxAdvance = 600000.0;

    explicit TAnimationBMP(TAnimationContext context = {}, bool keepPayload = false,
                           int nesting = 0);
    ~TAnimationBMP();
    TAnimationBMP(const TAnimationBMP&) = delete;
    TAnimationBMP& operator=(const TAnimationBMP&) = delete;

    // --- Loading. By the extension of `fileName`: ".b" tries abmp12, abmp11,
    // abmp10 and ABMP7 in turn; ".bmp", ".jpg", ".png", ".argb", ".m" and
    // ".ogv" are wrapped as one image. False (and an empty animation) when
    // nothing fits. Afterwards motion 0 is selected and the external values
    // are read from the "*value[n]" properties.
    bool Load(TMemoryStream& stream, std::string_view fileName);
    // Gives the data block and the payloads back to their caches and restores
    // every default.
    void Reset();

    const std::string& Path() const { return path_; }
    int Version() const { return version_; }
    bool KeepPayload() const { return keepPayload_; }
    int Nesting() const { return nesting_; }
    const TABMPData10& Data() const { return *data_; }
    std::shared_ptr<const TABMPData10> SharedData() const { return data_; }
    // Replaces the data block (animations built in memory); selects motion 0.
    void SetData(std::shared_ptr<TABMPData10> data);
    TABMPImage10& Images() { return images_; }
    const TABMPImage10& Images() const { return images_; }
    TABMPSound10& Sounds() { return sounds_; }
    const TABMPSound10& Sounds() const { return sounds_; }
    const TAnimationContext& Context() const { return context_; }

    // --- Motions and clocks.
    void SelectMotion(int index, bool plain);
    int FindMotion(std::string_view name) const;
    std::string MotionName(int index) const;
    int CurrentMotion() const { return motion_; }
    int PreviousMotion() const { return previousMotion_; }
    // One layer (0..255), or every layer for any other index.
    void SetLayerClock(int layer, float ms);
    void SetLayerPause(int layer, float ms);
    float LayerClock(int layer) const;
    float LayerPause(int layer) const;
    bool LayerEnabled(int layer) const;
    void SetLayerEnabled(int layer, bool enabled);
    bool IsFinished() const;
    // Relative: advances by time x speed; absolute: every clock := time.
    void Advance(float time, bool absolute);

    // --- Frame.
    // The state of one layer of the current motion; none when the layer
    // shows nothing (no keys, before its first key, or a normal layer on a
    // key of kind 0).
    std::optional<TLayerState> LayerStateAt(size_t layer) const;
    // Every layer of the current motion with the push and pop layers
    // combined in, in layer order.
    std::vector<TLayerFrame> Frame() const;

    // --- Owner's settings.
    uint8_t Flag(size_t index) const { return index < FlagCount ? flags_[index] : 0; }
    void SetFlag(size_t index, uint8_t value)
    {
        if (index < FlagCount) flags_[index] = value;
    }
    uint8_t JumpRegister(size_t index) const { return index < FlagCount ? registers_[index] : 255; }
    void SetJumpRegister(size_t index, uint8_t value)
    {
        if (index < FlagCount) registers_[index] = value;
    }
    float ExternalValue(size_t index) const
    {
        return index < ExternalCount ? external_[index] : 0.0f;
    }
    void SetExternalValue(size_t index, float value)
    {
        if (index < ExternalCount) external_[index] = value;
    }
    float Speed() const { return speed_; }
    void SetSpeed(float speed) { speed_ = speed; }
    float Remainder() const { return remainder_; }
    void SetRemainder(float remainder) { remainder_ = remainder; }
    int SoundVolume() const { return soundVolume_; }
    void SetSoundVolume(int volume) { soundVolume_ = volume; }
    int ChannelBase() const { return channelBase_; }
    void SetChannelBase(int base) { channelBase_ = base; }
    uint8_t SoundType() const { return soundType_; }
    void SetSoundType(uint8_t type) { soundType_ = type; }
    float LevelScale() const { return levelScale_; }
    void SetLevelScale(float scale) { levelScale_ = scale; }
    uint32_t Seed() const { return seed_; }
    void SetSeed(uint32_t seed) { seed_ = seed; }

private:
    friend class TAnimationLoader;

    const TABMPMotion10* Motion() const;
    size_t LayerCount() const;
    void ResetPlayback();
    void ReadExternalValues();
    void ProcessKeys(double step);
    // False when the processing ends (a motion change).
    bool RunAction(size_t layer, int key, bool entered);
    void PlaySound(const TAnimationKey& key);
    int SoundLevel() const;
    uint32_t LayerTableOffset(const TABMPLayer10& layer) const;
    TRandomTable& Table() const;

    TAnimationContext context_;
    bool keepPayload_ = false;
    int nesting_ = 0;
    std::string path_;
    int version_ = 0;
    std::shared_ptr<TABMPData10> data_;
    bool dataCached_ = false;
    TABMPImage10 images_;
    TABMPSound10 sounds_;

    int motion_ = 0;
    int previousMotion_ = -1;
    std::array<float, MaxLayers> clocks_{};
    std::array<float, MaxLayers> pauses_{};
    std::array<int, MaxLayers> lastKey_{};
    std::array<uint8_t, MaxLayers> enabled_{};
    std::array<uint8_t, FlagCount> flags_{};
    std::array<uint8_t, FlagCount> registers_{};
    std::array<float, ExternalCount> external_{};
    float speed_ = 1.0f;
    float remainder_ = 0.0f;
    int soundVolume_ = 256;
    int channelBase_ = 0;
    uint8_t soundType_ = 0;
    float levelScale_ = 1.0f;
    uint32_t seed_ = 0;
};

} // namespace tsukimi
