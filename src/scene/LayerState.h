#pragma once
// What one layer shows in one frame: the key fields interpolated at the
// layer's clock, with the modifiers applied. The drawing code turns these
// into cells and hit areas.
#include <array>
#include <cstdint>

namespace tsukimi {

class TARGB8888;
class TABMPImageData10;

struct TLayerState
{
    uint8_t kind = 0;
    uint8_t blend = 0;
    uint8_t filter = 0;
    int image = 0, image2 = 0; // 0..255
    double srcX = 0, srcY = 0, srcW = 0, srcH = 0;
    double src2X = 0, src2Y = 0, src2W = 0, src2H = 0;
    int32_t srcTime = 0, srcTime2 = 0;
    double x = 0, y = 0;
    double zoomX = 0, zoomY = 0, zoomZ = 0; // percent, or pixels for kinds 1, 3, 6, 14
    double z = 0;
    double rotX = 0, rotY = 0, rotZ = 0; // degrees
    double depthScale = 0;               // percent
    double depth = 0;                    // depth offset
    uint32_t addColor = 0, mulColor = 0;
    int opacity = 0, opacity2 = 0; // 0..255
    uint8_t softness = 0;
    uint8_t action = 0;
    std::array<int16_t, 4> params{};
    uint8_t grid = 0, rotationOrder = 0, depthMode = 0, cull = 0;
    uint8_t snap1 = 0, snap2 = 0;
    std::array<int16_t, 4> links{};
    double anchor1X = 0, anchor1Y = 0, anchor2X = 0, anchor2Y = 0; // fractions of the size
    int32_t offsetX = 0, offsetY = 0, offsetZ = 0;                 // of the selected image data
    int key = -1;                                                  // current key index
    // The image data selected by the two indices (null when out of range)
    // and their decoded images (null without one).
    const TABMPImageData10* imageData = nullptr;
    const TABMPImageData10* imageData2 = nullptr;
    const TARGB8888* picture = nullptr;
    const TARGB8888* picture2 = nullptr;
};

// Kinds whose zoom fields are sizes in pixels.
constexpr bool ZoomIsPixels(uint8_t kind)
{
    return kind == 1 || kind == 3 || kind == 6 || kind == 14;
}

// One layer of the current motion in a frame, after the parent layers
// (push and pop modes) are combined in.
struct TLayerFrame
{
    int layer = 0;
    bool visible = false; // kind not 0 and the layer enabled
    TLayerState state;
};

} // namespace tsukimi
