#include "scene/AnimationKey.h"

#include <algorithm>

namespace tsukimi {
namespace {

// Little-endian field access into a record.
class TRecordView
{
public:
    explicit TRecordView(uint8_t* bytes) : bytes_(bytes) {}

    uint8_t& U8(size_t at) { return bytes_[at]; }
    int16_t I16(size_t at) const
    {
        return static_cast<int16_t>(uint16_t(bytes_[at] | (bytes_[at + 1] << 8)));
    }
    uint32_t U32(size_t at) const
    {
        return uint32_t{bytes_[at]} | uint32_t{bytes_[at + 1]} << 8 |
               uint32_t{bytes_[at + 2]} << 16 | uint32_t{bytes_[at + 3]} << 24;
    }
    int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }
    void SetI16(size_t at, int16_t value)
    {
        const auto v = static_cast<uint16_t>(value);
        bytes_[at] = static_cast<uint8_t>(v);
        bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    void SetU32(size_t at, uint32_t value)
    {
        for (size_t i = 0; i < 4; ++i)
            bytes_[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    void SetI32(size_t at, int32_t value) { SetU32(at, static_cast<uint32_t>(value)); }

private:
    uint8_t* bytes_;
};

constexpr size_t ModifierOffset = 81;
constexpr size_t ModifierSize = 12;

// Reads (Load = true) or writes every field at its offset.
template <bool Load> void MapFields(TAnimationKey& k, TRecordView r)
{
    auto u8 = [&](size_t at, uint8_t& field) {
        if constexpr (Load) field = r.U8(at);
        else r.U8(at) = field;
    };
    auto i16 = [&](size_t at, int16_t& field) {
        if constexpr (Load) field = r.I16(at);
        else r.SetI16(at, field);
    };
    auto i32 = [&](size_t at, int32_t& field) {
        if constexpr (Load) field = r.I32(at);
        else r.SetI32(at, field);
    };
    auto u32 = [&](size_t at, uint32_t& field) {
        if constexpr (Load) field = r.U32(at);
        else r.SetU32(at, field);
    };
    i32(0, k.time);
    u8(4, k.kind);
    u8(5, k.blend);
    u8(6, k.image);
    u8(7, k.image2);
    i16(8, k.srcX);
    i16(10, k.srcY);
    i16(12, k.srcW);
    i16(14, k.srcH);
    i32(16, k.srcTime);
    i32(20, k.srcTime2);
    i16(24, k.x);
    i16(26, k.y);
    i16(28, k.zoomX);
    i16(30, k.zoomY);
    i16(32, k.depth);
    i16(34, k.rotZ);
    u32(36, k.addColor);
    u32(40, k.mulColor);
    u8(44, k.opacity);
    u8(45, k.posType);
    u8(46, k.posParam);
    u8(47, k.anchorIndex1);
    u8(48, k.transformType);
    u8(49, k.transformParam);
    u8(50, k.anchorIndex2);
    u8(51, k.colorType);
    u8(52, k.action);
    for (size_t i = 0; i < 4; ++i)
        u8(53 + i, k.actionBytes[i]);
    u8(57, k.opacity2);
    u8(58, k.softness);
    u8(59, k.colorParam);
    u8(60, k.timeType);
    u8(61, k.timeParam);
    u8(62, k.imageType);
    u8(63, k.imageParam);
    i16(64, k.src2X);
    i16(66, k.src2Y);
    i16(68, k.src2W);
    i16(70, k.src2H);
    i16(72, k.rotX);
    i16(74, k.rotY);
    u8(76, k.depthScale);
    i32(77, k.z);
    for (size_t m = 0; m < TAnimationKey::ModifierCount; ++m) {
        TKeyModifier& mod = k.modifiers[m];
        const size_t at = ModifierOffset + m * ModifierSize;
        u8(at, mod.function);
        u8(at + 1, mod.target);
        u8(at + 2, mod.type);
        u8(at + 3, mod.param);
        for (size_t i = 0; i < 4; ++i)
            i16(at + 4 + 2 * i, mod.p[i]);
    }
    i16(129, k.anchor1X);
    i16(131, k.anchor1Y);
    i16(133, k.anchor2X);
    i16(135, k.anchor2Y);
    for (size_t i = 0; i < 4; ++i)
        i16(137 + 2 * i, k.params[i]);
    u8(145, k.filter);
    u8(146, k.grid);
    u8(147, k.rotationOrder);
    u8(148, k.depthMode);
    u8(149, k.cull);
    i16(150, k.zoomZ);
    for (size_t i = 0; i < 4; ++i)
        i16(152 + 2 * i, k.links[i]);
    u8(160, k.snap1);
    u8(161, k.snap2);
}

} // namespace

TAnimationKey TAnimationKey::Default(int index)
{
    TAnimationKey key;
    key.time = static_cast<int32_t>(static_cast<uint32_t>(index) * 1000u);
    return key;
}

TAnimationKey TAnimationKey::FromRecord(std::span<const uint8_t, RecordSize> record)
{
    TKeyRecord copy;
    std::copy(record.begin(), record.end(), copy.begin());
    TAnimationKey key;
    MapFields<true>(key, TRecordView(copy.data()));
    return key;
}

void TAnimationKey::ToRecord(std::span<uint8_t, RecordSize> record) const
{
    TAnimationKey copy = *this;
    MapFields<false>(copy, TRecordView(record.data()));
}

TAnchorPercent AnchorFromIndex(uint8_t index)
{
    if (index > 8) return {};
    return {static_cast<int16_t>((index % 3) * 50), static_cast<int16_t>((index / 3) * 50)};
}

TKeyRecord WidenKeyRecord(std::span<const uint8_t> record)
{
    TKeyRecord out{};
    TRecordView r(out.data());
    const size_t size = record.size();
    if (size != 57 && size != 92 && size != 145 && size != 162) {
        TAnimationKey::Default(0).ToRecord(out);
        return out;
    }
    std::copy(record.begin(), record.end(), out.begin());
    if (size == 162) return out;
    if (size == 57) {
        // 57 -> 92: the second opacity, softness and the time and image groups.
        const uint8_t tail[7] = {255, 0, 100, 1, 100, 0, 100};
        std::copy(std::begin(tail), std::end(tail), out.begin() + 57);
        std::fill(out.begin() + 64, out.begin() + 92, uint8_t{0});
    }
    if (size == 57 || size == 92) {
        // 92 -> 145: anchors from their indices, action parameters widened.
        std::fill(out.begin() + 92, out.begin() + 145, uint8_t{0});
        const TAnchorPercent a = AnchorFromIndex(out[47]);
        const TAnchorPercent b = AnchorFromIndex(out[50]);
        r.SetI16(129, a.x);
        r.SetI16(131, a.y);
        r.SetI16(133, b.x);
        r.SetI16(135, b.y);
        out[47] = 0;
        out[50] = 0;
        for (size_t i = 0; i < 4; ++i)
            r.SetI16(137 + 2 * i, out[53 + i]);
        for (size_t m = 0; m < 4; ++m)
            out[ModifierOffset + 3 + m * ModifierSize] = 100;
    }
    // 145 -> 162: zoom z, link indices, both snapping flags off.
    r.SetI16(150, 100);
    for (size_t i = 0; i < 4; ++i)
        r.SetI16(152 + 2 * i, -1);
    out[160] = 0;
    out[161] = 0;
    return out;
}

} // namespace tsukimi
