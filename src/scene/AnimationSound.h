#pragma once
// What an animation asks of the sound services: its sound keys play and stop
// channels, and its level jumps read the owner's voice level. The sound
// playback services implement it; TNullAnimationSound stands in until then
// (no channels, level 0, nothing plays).
#include <cstdint>
#include <span>
#include <string_view>

namespace tsukimi {

// One request of a sound key.
struct TAnimationSoundRequest
{
    int channel = 0;                 // base channel + the key's channel
    std::string_view name;           // the animation's path + the sound's label
    std::string_view identity;       // the sound's file name or digest
    uint8_t type = 0;                // 0 wave, 1 Ogg Vorbis
    std::span<const uint8_t> data;   // the embedded sound file
    int volume = 256;                // 0..256
    bool loop = false;
    uint8_t soundType = 0;           // the owner's sound type byte, handed on
};

class TAnimationSoundService
{
public:
    virtual ~TAnimationSoundService() = default;
    // Channels valid for requests are 0 .. ChannelCount() - 1.
    virtual int ChannelCount() const = 0;
    virtual void Play(const TAnimationSoundRequest& request) = 0;
    virtual void Stop(int channel) = 0;
    // The level of the owner's voice channel, 0.0 .. 1.0.
    virtual float VoiceLevel() const = 0;
};

class TNullAnimationSound final : public TAnimationSoundService
{
public:
    int ChannelCount() const override { return 0; }
    void Play(const TAnimationSoundRequest&) override {}
    void Stop(int) override {}
    float VoiceLevel() const override { return 0.0f; }
};

} // namespace tsukimi
