// The per-frame layer states: key lookup, interpolation of every key group,
// the modifiers, and the combination of push and pop layers.
#include "data/MTRandom.h"
#include "data/TextHelpers.h"
#include "scene/AnimationBMP.h"
#include "scene/AnimationCurves.h"

#include <algorithm>
#include <cmath>

namespace tsukimi {
namespace {

constexpr size_t StackLimit = 31;

int ClampByte(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, 0, 255));
}

// The keys around b and the progress between b and b + 1.
class TKeyWindow
{
public:
    TKeyWindow(const std::vector<TAnimationKey>& keys, int b, int32_t clock) : keys_(keys), b_(b)
    {
        const int last = static_cast<int>(keys.size()) - 1;
        for (int j = 0; j < 6; ++j)
            index_[static_cast<size_t>(j)] = static_cast<size_t>(std::clamp(b - 2 + j, 0, last));
        const double t0 = keys[index_[2]].time, t1 = keys[index_[3]].time;
        progress_ = t1 == t0 ? 0.0 : std::clamp((clock - t0) / (t1 - t0), 0.0, 1.0);
        elapsed_ = std::max<int64_t>(0, int64_t{clock} - keys[index_[2]].time);
    }

    const TAnimationKey& Current() const { return keys_[index_[2]]; }
    double Progress() const { return progress_; }
    int64_t Elapsed() const { return elapsed_; }
    int Key() const { return b_; }

    template <class Get> TCurveValues Values(Get get) const
    {
        TCurveValues v;
        for (size_t j = 0; j < 6; ++j)
            v[j] = static_cast<double>(get(keys_[index_[j]]));
        return v;
    }
    template <class Get> std::array<uint32_t, 6> Colours(Get get) const
    {
        std::array<uint32_t, 6> v;
        for (size_t j = 0; j < 6; ++j)
            v[j] = get(keys_[index_[j]]);
        return v;
    }

private:
    const std::vector<TAnimationKey>& keys_;
    int b_;
    std::array<size_t, 6> index_{};
    double progress_ = 0.0;
    int64_t elapsed_ = 0;
};

void AddToChannels(uint32_t& colour, int64_t amount)
{
    uint32_t out = colour & 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int64_t channel = static_cast<int64_t>((colour >> shift) & 0xFF) + amount;
        out |= static_cast<uint32_t>(ClampByte(channel)) << shift;
    }
    colour = out;
}

// The drawn state of a layer under its parent.
void Combine(TLayerState& s, const TLayerState& p, int opacityPasses)
{
    s.x += p.x;
    s.y += p.y;
    s.z += p.z;
    s.depth += p.depth;
    s.rotX += p.rotX;
    s.rotY += p.rotY;
    s.rotZ += p.rotZ;
    s.srcX += p.srcX;
    s.srcY += p.srcY;
    s.srcTime = static_cast<int32_t>(static_cast<uint32_t>(s.srcTime) + static_cast<uint32_t>(p.srcTime));
    s.srcTime2 =
        static_cast<int32_t>(static_cast<uint32_t>(s.srcTime2) + static_cast<uint32_t>(p.srcTime2));
    if (s.kind != 3) {
        s.zoomX = s.zoomX * p.zoomX / 100.0;
        s.zoomY = s.zoomY * p.zoomY / 100.0;
        s.zoomZ = s.zoomZ * p.zoomZ / 100.0;
    }
    s.depthScale = s.depthScale * p.depthScale / 100.0;
    s.addColor = AddColor(s.addColor, p.addColor);
    s.mulColor = MultiplyColor(s.mulColor, p.mulColor);
    for (int i = 0; i < opacityPasses; ++i)
        s.opacity = s.opacity * p.opacity / 255;
}

} // namespace

std::optional<TLayerState> TAnimationBMP::LayerStateAt(size_t index) const
{
    const TABMPMotion10* motion = Motion();
    if (!motion || index >= LayerCount()) return std::nullopt;
    const TABMPLayer10& layer = *motion->layers[index];
    if (layer.keys.empty()) return std::nullopt;
    const int32_t clock = static_cast<int32_t>(std::clamp<int64_t>(
        TruncToInt(clocks_[index]), INT32_MIN, INT32_MAX));
    int b = -1;
    for (size_t j = 0; j < layer.keys.size() && layer.keys[j].time <= clock; ++j)
        b = static_cast<int>(j);
    if (b < 0) return std::nullopt;
    const TKeyWindow w(layer.keys, b, clock);
    const TAnimationKey& key = w.Current();
    const bool grouping = layer.mode == 1 || layer.mode == 2;
    if (!grouping && key.kind == 0) return std::nullopt;

    TRandomTable& table = Table();
    const double e = w.Progress();
    auto curve = [&](uint8_t type, uint8_t param, bool shake) {
        return TCurve{type, param / 100.0, b, shake, &table};
    };
    const TCurve image = curve(key.imageType, key.imageParam, true);
    const TCurve position = curve(key.posType, key.posParam, true);
    const TCurve positionSize = curve(key.posType, key.posParam, false);
    const TCurve time = curve(key.timeType, key.timeParam, true);
    const TCurve transform = curve(key.transformType, key.transformParam, true);
    const TCurve transformPlain = curve(key.transformType, key.transformParam, false);
    const TCurve colour = curve(key.colorType, key.colorParam, true);
#define TSUKIMI_FIELD(c, field) InterpolateCurve(c, e, w.Values([](const TAnimationKey& k) { return k.field; }))

    TLayerState s;
    s.key = b;
    s.kind = key.kind;
    s.blend = key.blend;
    s.filter = key.filter == 1 || key.filter == 2 ? key.filter : 0;
    s.image = ClampByte(TruncToInt(TSUKIMI_FIELD(image, image)));
    s.image2 = ClampByte(TruncToInt(TSUKIMI_FIELD(image, image2)));
    s.srcX = TSUKIMI_FIELD(position, srcX);
    s.srcY = TSUKIMI_FIELD(position, srcY);
    s.srcW = TSUKIMI_FIELD(positionSize, srcW);
    s.srcH = TSUKIMI_FIELD(positionSize, srcH);
    s.src2X = TSUKIMI_FIELD(position, src2X);
    s.src2Y = TSUKIMI_FIELD(position, src2Y);
    s.src2W = TSUKIMI_FIELD(positionSize, src2W);
    s.src2H = TSUKIMI_FIELD(positionSize, src2H);
    s.srcTime = static_cast<int32_t>(std::clamp<int64_t>(TruncToInt(TSUKIMI_FIELD(time, srcTime)),
                                                         INT32_MIN, INT32_MAX));
    s.srcTime2 = static_cast<int32_t>(std::clamp<int64_t>(
        TruncToInt(TSUKIMI_FIELD(time, srcTime2)), INT32_MIN, INT32_MAX));
    s.x = TSUKIMI_FIELD(transform, x);
    s.y = TSUKIMI_FIELD(transform, y);
    s.zoomX = TSUKIMI_FIELD(transformPlain, zoomX);
    s.zoomY = TSUKIMI_FIELD(transformPlain, zoomY);
    s.zoomZ = TSUKIMI_FIELD(transformPlain, zoomZ);
    s.z = TSUKIMI_FIELD(transformPlain, z);
    s.depth = TSUKIMI_FIELD(transformPlain, depth);
    s.rotX = TSUKIMI_FIELD(transformPlain, rotX);
    s.rotY = TSUKIMI_FIELD(transformPlain, rotY);
    s.rotZ = TSUKIMI_FIELD(transformPlain, rotZ);
    s.depthScale = TSUKIMI_FIELD(transformPlain, depthScale);
    s.addColor = InterpolateColour(colour, e, w.Colours([](const TAnimationKey& k) { return k.addColor; }));
    s.mulColor = InterpolateColour(colour, e, w.Colours([](const TAnimationKey& k) { return k.mulColor; }));
    s.opacity = ClampByte(RoundToInt(TSUKIMI_FIELD(colour, opacity)));
    s.opacity2 = ClampByte(RoundToInt(TSUKIMI_FIELD(colour, opacity2)));
    s.softness = key.softness;
    s.action = key.action;
    s.params = key.params;
    s.grid = key.grid;
    s.rotationOrder = key.rotationOrder;
    s.depthMode = key.depthMode;
    s.cull = key.cull;
    s.snap1 = key.snap1;
    s.snap2 = key.snap2;
    s.links = key.links;
    s.anchor1X = key.anchor1X / 100.0;
    s.anchor1Y = key.anchor1Y / 100.0;
    s.anchor2X = key.anchor2X / 100.0;
    s.anchor2Y = key.anchor2Y / 100.0;

    // Modifiers.
    const TSineTable& sine = TSineTable::Instance();
    const double m = ZoomIsPixels(s.kind) ? 1.0 : 0.01;
    const int64_t elapsed = w.Elapsed();
    for (size_t slot = 0; slot < TAnimationKey::ModifierCount; ++slot) {
        const TKeyModifier& mod = key.modifiers[slot];
        if (mod.function == 0 || mod.target == 0 || mod.function > 11 || mod.target > 30) continue;
        const TCurve modCurve = curve(mod.type, mod.param, true);
        std::array<double, 4> p;
        for (size_t i = 0; i < 4; ++i)
            p[i] = InterpolateCurve(
                modCurve, e, w.Values([slot, i](const TAnimationKey& k) { return k.modifiers[slot].p[i]; }));
        const int64_t n = RoundToInt(p[2]);
        const double phase = n >= 2 ? static_cast<double>(elapsed % n) / static_cast<double>(n)
                           : n == 1 ? 1.0
                                    : 0.0;
        double v = 0.0;
        switch (mod.function) {
        case 1: v = p[0] + RandomFraction(table, p[1] - p[0]); break;
        case 2: v = sine.SinDegrees(p[0]) * p[1]; break;
        case 3: v = sine.CosDegrees(p[0]) * p[1]; break;
        case 4: v = p[0]; break;
        case 5: {
            const int64_t c = n < 2 ? 1 : elapsed / n;
            const uint64_t at = (static_cast<uint64_t>(c) + LayerTableOffset(layer)) % 1024u;
            const uint32_t entry = static_cast<uint32_t>(table.Entry(at)) & 0xFFFFFFu;
            v = p[0] + (p[1] - p[0]) * entry / 16777216.0;
            break;
        }
        case 6: {
            const double q = std::trunc(p[1]);
            v = q == 0.0 ? p[0] : std::trunc(p[0] / q) * q;
            break;
        }
        case 7: v = (p[1] - p[0]) / 2.0 * sine.SinTurns(phase) + (p[0] + p[1]) / 2.0; break;
        case 8: v = (p[1] - p[0]) / 2.0 * sine.CosTurns(phase) + (p[0] + p[1]) / 2.0; break;
        case 9: {
            const double g = 2.0 * phase;
            v = g <= 1.0 ? p[0] + (p[1] - p[0]) * g : p[0] + (p[1] - p[0]) * (2.0 - g);
            break;
        }
        case 10: v = phase >= 0.5 ? p[1] : p[0]; break;
        case 11: {
            const int64_t which = RoundToInt(p[0]);
            v = which >= 0 && which < static_cast<int64_t>(ExternalCount)
                    ? external_[static_cast<size_t>(which)]
                    : 0.0;
            break;
        }
        default: break;
        }
        const int64_t rounded = RoundToInt(v);
        switch (mod.target) {
        case 1: s.image = ClampByte(s.image + rounded); break;
        case 2: s.image2 = ClampByte(s.image2 + rounded); break;
        case 3:
            s.srcTime = static_cast<int32_t>(std::clamp<int64_t>(s.srcTime + rounded, 0, INT32_MAX));
            break;
        case 4:
            s.srcTime2 = static_cast<int32_t>(std::clamp<int64_t>(s.srcTime2 + rounded, 0, INT32_MAX));
            break;
        case 5: s.srcX += v; break;
        case 6: s.srcY += v; break;
        case 7: s.srcW += v; break;
        case 8: s.srcH += v; break;
        case 9: s.src2X += v; break;
        case 10: s.src2Y += v; break;
        case 11: s.src2W += v; break;
        case 12: s.src2H += v; break;
        case 13: s.x += v; break;
        case 14: s.y += v; break;
        case 15: s.zoomX += v * m; break;
        case 16: s.zoomY += v * m; break;
        case 17: s.rotZ += v; break;
        case 18: s.rotX += v; break;
        case 19: s.rotY += v; break;
        case 20:
        case 26: s.z += v; break;
        case 21: s.depth += v; break;
        case 22: AddToChannels(s.mulColor, rounded); break;
        case 23: AddToChannels(s.addColor, rounded); break;
        case 24: s.opacity = ClampByte(s.opacity + rounded); break;
        case 25: s.opacity2 = ClampByte(s.opacity2 + rounded); break;
        case 27: s.zoomZ += v * m; break;
        case 28: s.zoomX = s.zoomX * v / 100.0; break;
        case 29: s.zoomY = s.zoomY * v / 100.0; break;
        case 30: s.zoomZ = s.zoomZ * v / 100.0; break;
        default: break;
        }
    }
#undef TSUKIMI_FIELD

    // The image data the indices select; out of range gives none.
    s.imageData = images_.At(static_cast<size_t>(s.image));
    s.imageData2 = images_.At(static_cast<size_t>(s.image2));
    if (s.imageData) {
        s.offsetX = s.imageData->offsetX;
        s.offsetY = s.imageData->offsetY;
        s.offsetZ = s.imageData->offsetZ;
        s.picture = s.imageData->Image();
    }
    if (s.imageData2) s.picture2 = s.imageData2->Image();
    return s;
}

std::vector<TLayerFrame> TAnimationBMP::Frame() const
{
    std::vector<TLayerFrame> frame;
    const TABMPMotion10* motion = Motion();
    if (!motion) return frame;
    std::vector<TLayerState> stack;
    for (size_t i = 0; i < LayerCount(); ++i) {
        TLayerFrame out;
        out.layer = static_cast<int>(i);
        std::optional<TLayerState> state = LayerStateAt(i);
        if (!state) {
            frame.push_back(out);
            continue;
        }
        const uint8_t mode = motion->layers[i]->mode;
        if (mode == 1) {
            TLayerState pushed = *state;
            if (!stack.empty()) Combine(pushed, stack.back(), 1);
            if (stack.size() < StackLimit) stack.push_back(pushed);
            if (!stack.empty()) Combine(*state, stack.back(), 2);
        } else if (mode == 2) {
            if (!stack.empty()) {
                Combine(*state, stack.back(), 2);
                stack.pop_back();
            }
        } else if (!stack.empty()) {
            Combine(*state, stack.back(), 2);
        }
        out.state = *state;
        out.visible = state->kind != 0 && enabled_[i] != 0;
        frame.push_back(out);
    }
    return frame;
}

} // namespace tsukimi
