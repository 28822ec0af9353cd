#pragma once
// The key record of an animation layer: what the layer shows from the key's
// time on. In memory every key has the current 162-byte form; files of older
// versions hold 57-, 92- or 145-byte forms (or the 32-byte keys of "ABMP7")
// that are widened to it when read.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tsukimi {

// One of the four oscillators / noise sources of a key (12 bytes).
struct TKeyModifier
{
    uint8_t function = 0; // 0 off, 1..11
    uint8_t target = 0;   // 0 off, 1..30
    uint8_t type = 0;     // interpolation type of the parameters
    uint8_t param = 100;  // curve parameter, percent
    std::array<int16_t, 4> p{};

    bool operator==(const TKeyModifier&) const = default;
};

struct TAnimationKey
{
    static constexpr size_t RecordSize = 162;
    static constexpr size_t ModifierCount = 4;

    int32_t time = 0;
    uint8_t kind = 0;
    uint8_t blend = 0;
    uint8_t image = 0;
    uint8_t image2 = 0;
    int16_t srcX = 0, srcY = 0, srcW = 0, srcH = 0;
    int32_t srcTime = 0, srcTime2 = 0;
    int16_t x = 0, y = 0;
    int16_t zoomX = 100, zoomY = 100;
    int16_t depth = 0; // depth offset added to the caller's priority
    int16_t rotZ = 0;
    uint32_t addColor = 0;
    uint32_t mulColor = 0xFFFFFF;
    uint8_t opacity = 255;
    uint8_t posType = 0, posParam = 100;
    uint8_t anchorIndex1 = 0; // 57- and 92-byte forms only
    uint8_t transformType = 0, transformParam = 100;
    uint8_t anchorIndex2 = 0; // 57- and 92-byte forms only
    uint8_t colorType = 0;
    uint8_t action = 0;
    std::array<uint8_t, 4> actionBytes{}; // 57- and 92-byte forms only
    uint8_t opacity2 = 255;
    uint8_t softness = 0;
    uint8_t colorParam = 100;
    uint8_t timeType = 0, timeParam = 100;
    uint8_t imageType = 0, imageParam = 100;
    int16_t src2X = 0, src2Y = 0, src2W = 0, src2H = 0;
    int16_t rotX = 0, rotY = 0;
    uint8_t depthScale = 100;
    int32_t z = 0;
    std::array<TKeyModifier, ModifierCount> modifiers{};
    int16_t anchor1X = 0, anchor1Y = 0, anchor2X = 0, anchor2Y = 0;
    std::array<int16_t, 4> params{}; // action parameters 1..4
    uint8_t filter = 0;
    uint8_t grid = 0;
    uint8_t rotationOrder = 0;
    uint8_t depthMode = 0;
    uint8_t cull = 0;
    int16_t zoomZ = 100;
    std::array<int16_t, 4> links{-1, -1, -1, -1};
    uint8_t snap1 = 1, snap2 = 1;

    bool operator==(const TAnimationKey&) const = default;

    // A new key: every default, time = index x 1000.
    static TAnimationKey Default(int index);
    // The 162-byte record (exactly RecordSize bytes).
    static TAnimationKey FromRecord(std::span<const uint8_t, RecordSize> record);
    void ToRecord(std::span<uint8_t, RecordSize> record) const;
};

using TKeyRecord = std::array<uint8_t, TAnimationKey::RecordSize>;

// Widens a key record of an older form (57, 92 or 145 bytes; 162 is taken
// as it is) step by step to the current form. Other sizes give defaults.
TKeyRecord WidenKeyRecord(std::span<const uint8_t> record);

// The anchor of a 57- or 92-byte form's anchor index 0..8 (column, row in
// thirds of 50 percent); an index above 8 names no anchor and gives (0, 0).
struct TAnchorPercent
{
    int16_t x = 0, y = 0;
};
TAnchorPercent AnchorFromIndex(uint8_t index);

} // namespace tsukimi
