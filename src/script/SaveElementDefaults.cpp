#include "script/SaveElementDefaults.h"

#include "data/TextHelpers.h"

#include <array>
#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tsukimi {

namespace {

// --- Shared pieces --------------------------------------------------------------

// A fixed-size record filled by offset, zero elsewhere.
class TFixedRecord
{
public:
    explicit TFixedRecord(size_t size) : bytes_(size, 0) {}

    void U8(size_t at, uint8_t value) { bytes_.at(at) = value; }
    void U32(size_t at, uint32_t value)
    {
        for (size_t i = 0; i < 4; ++i)
            bytes_.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
    }
    void I32(size_t at, int32_t value) { U32(at, static_cast<uint32_t>(value)); }
    void Float(size_t at, float value) { U32(at, std::bit_cast<uint32_t>(value)); }
    // `count` consecutive 32-bit values.
    void I32Run(size_t at, size_t count, int32_t value)
    {
        for (size_t i = 0; i < count; ++i) I32(at + 4 * i, value);
    }
    void U8Run(size_t at, size_t count, uint8_t value)
    {
        for (size_t i = 0; i < count; ++i) U8(at + i, value);
    }
    void WriteTo(TMemoryStream& stream) const { stream.WriteBytes(bytes_.data(), bytes_.size()); }

private:
    std::vector<uint8_t> bytes_;
};

template <size_t N>
std::array<uint8_t, N> ReadRecord(TMemoryStream& stream)
{
    std::array<uint8_t, N> record;
    stream.ReadBytes(record.data(), N);
    return record;
}

template <size_t N>
int32_t RecordI32(const std::array<uint8_t, N>& record, size_t at)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= uint32_t{record[at + i]} << (8 * i);
    return static_cast<int32_t>(value);
}

[[noreturn]] void Malformed(const char* what)
{
    throw StreamError(what);
}

void SkipString(TMemoryStream& stream)
{
    const uint16_t length = stream.ReadU16();
    stream.Skip(length);
}

void SkipStrings(TMemoryStream& stream, size_t count)
{
    for (size_t i = 0; i < count; ++i) SkipString(stream);
}

// A u32 size and that many bytes.
void SkipSizedBytes(TMemoryStream& stream)
{
    const uint32_t size = stream.ReadU32();
    stream.Skip(size); // throws when fewer remain
}

void WriteEmptyStrings(TMemoryStream& stream, size_t count)
{
    for (size_t i = 0; i < count; ++i) WriteString(stream, "");
}

// Runs a throwing skipper; false (position restored) on a short or bad element.
bool Guarded(TMemoryStream& stream, void (*skip)(TMemoryStream&))
{
    const size_t start = stream.Position();
    try {
        skip(stream);
        return true;
    } catch (const StreamError&) {
        stream.Seek(start);
        return false;
    }
}

// The sound services' channel counts: 16 stream slots ("snd") and one effect
// slot per DirectSound channel but the last (15 "dsnd").
constexpr int32_t StreamChannelCount = 16;
constexpr int32_t EffectChannelCount = 15;
// Defaults of an element's sound channels.
constexpr int32_t DefaultStreamChannel = StreamChannelCount - 2;
constexpr int32_t DefaultEffectChannelBase = EffectChannelCount - 4;

// --- Backlog ------------------------------------------------------------------------

constexpr uint32_t BacklogSlots = 256;
constexpr int32_t BacklogDefaultVolume = 255;

void SkipBacklog(TMemoryStream& stream)
{
    const uint32_t count = stream.ReadU32();
    const uint32_t writePosition = stream.ReadU32();
    if (count > BacklogSlots || writePosition >= BacklogSlots) Malformed("backlog: bad count");
    for (uint32_t slot = 0; slot < BacklogSlots; ++slot) {
        SkipStrings(stream, 3); // name, text, voice file
        stream.Skip(16);        // quiet level, start offset, volume, gain
    }
}

// --- Sound ----------------------------------------------------------------------------

constexpr size_t EffectRecordSize = 274;
constexpr size_t StreamRecordSize = 1313;
constexpr size_t EffectStateAt = 132;
constexpr size_t StreamStateAt = 144;
constexpr uint8_t MaxPlayState = 3; // looping
constexpr int32_t FullVolume = 256;
constexpr size_t BandCount = 256;

void WriteResetEffectRecord(TMemoryStream& stream)
{
    TFixedRecord r(EffectRecordSize);
    r.I32(128, FullVolume);
    r.WriteTo(stream);
}

void WriteResetStreamRecord(TMemoryStream& stream)
{
    TFixedRecord r(StreamRecordSize);
    r.I32(128, FullVolume);
    for (size_t band = 0; band < BandCount; ++band) r.Float(145 + 4 * band, 1.0f);
    r.WriteTo(stream);
}

void SkipSound(TMemoryStream& stream)
{
    for (int32_t i = 0; i < EffectChannelCount; ++i) {
        const auto record = ReadRecord<EffectRecordSize>(stream);
        if (record[EffectStateAt] > MaxPlayState) Malformed("sound: bad effect state");
    }
    for (int32_t i = 0; i < StreamChannelCount; ++i) {
        const auto record = ReadRecord<StreamRecordSize>(stream);
        if (record[StreamStateAt] > MaxPlayState) Malformed("sound: bad stream state");
    }
}

// --- Image element ------------------------------------------------------------------

namespace image {

constexpr size_t RecordSize = 4776;
constexpr size_t SoundVolume = 2;
constexpr size_t Alpha = 2070;
constexpr size_t StreamChannel = 2074;
constexpr size_t EffectChannelBase = 2078;
constexpr size_t LastMouse = 2354;
constexpr size_t FadeStartAlpha = 2410;
constexpr size_t FadeTargetAlpha = 2414;
constexpr size_t EasingType = 2426;
constexpr size_t InputMask = 2707;
constexpr size_t DrawMask = 2711;
constexpr size_t RuntimeImageFlags = 3112;
constexpr size_t PlaybackSpeed = 3120;
constexpr size_t LipSyncGain = 3133;
constexpr size_t SoundTypePlusOne = 3142;
constexpr size_t EasingParameter = 3146;
constexpr size_t ZoomX = 3150; // current, start, target
constexpr size_t ZoomY = 3162;
constexpr size_t SlotDataFlag = 3570;
constexpr size_t Version = 3571;
constexpr size_t Transform = 3577; // 16 floats
constexpr size_t RoundHalf = 3653;
constexpr size_t JumpRegisters = 3686; // 32 bytes
constexpr size_t ToneColour = 3722;    // current, start, target

constexpr size_t RuntimeImageCount = 8;
constexpr size_t DefaultOptionCount = 16;
constexpr size_t SlotCount = 32;
constexpr size_t LayerCount = 256;
constexpr uint8_t CurrentVersion = 3;

} // namespace image

void WriteResetImageRecord(TMemoryStream& stream)
{
    using namespace image;
    TFixedRecord r(RecordSize);
    r.I32(SoundVolume, FullVolume);
    r.I32(Alpha, 255);
    r.I32(StreamChannel, DefaultStreamChannel);
    r.I32(EffectChannelBase, DefaultEffectChannelBase);
    r.I32Run(LastMouse, 2, -10000);
    r.I32(FadeStartAlpha, 255);
    r.I32(FadeTargetAlpha, 255);
    r.U8(EasingType, 1);
    r.I32(InputMask, 255);
    r.I32(DrawMask, 255);
    r.I32(PlaybackSpeed, 100);
    r.I32(LipSyncGain, 100);
    r.I32(SoundTypePlusOne, 2 + 1);
    r.I32(EasingParameter, 100);
    r.I32Run(ZoomX, 3, 2000);
    r.I32Run(ZoomY, 3, 2000);
    r.U8(SlotDataFlag, 1);
    r.U8(Version, CurrentVersion);
    for (size_t i = 0; i < 4; ++i) r.Float(Transform + 4 * (5 * i), 1.0f); // identity
    r.U8(RoundHalf, 1);
    r.U8Run(JumpRegisters, 32, 255); // unset
    r.I32Run(ToneColour, 3, 0xFFFFFF);
    r.WriteTo(stream);
}

void SkipImageElement(TMemoryStream& stream)
{
    using namespace image;
    const auto record = ReadRecord<RecordSize>(stream);
    SkipStrings(stream, DefaultOptionCount);
    for (size_t i = 0; i < RuntimeImageCount; ++i) {
        if (record[RuntimeImageFlags + i] == 0) continue;
        SkipString(stream); // name
        SkipSizedBytes(stream);
    }
    if (record[SlotDataFlag] != 0) {
        for (size_t slot = 0; slot < SlotCount; ++slot) {
            SkipString(stream); // name
            SkipSizedBytes(stream);
        }
        SkipStrings(stream, 2 * SlotCount); // sound slot names, slot option texts
    }
    if (record[Version] != 0) stream.Skip(LayerCount);
}

// --- Graphics -------------------------------------------------------------------------

namespace graphics {

constexpr size_t BlockSize = 2209;
constexpr size_t Background = 0;
constexpr size_t EffectChannelBase = 151; // u8
constexpr size_t StreamChannel = 152;     // u8
constexpr size_t Priority = 153;
constexpr size_t ImageFlags = 157; // [0] captured image, [1] back buffer
constexpr size_t Softness = 161;
constexpr size_t SoundVolume = 165;
constexpr size_t SoundType = 169;
constexpr size_t Version = 173;
constexpr size_t SavedImageCount = 2;

} // namespace graphics

void SkipGraphics(TMemoryStream& stream)
{
    using namespace graphics;
    const auto block = ReadRecord<BlockSize>(stream);
    SkipImageElement(stream); // the transition element
    for (size_t i = 0; i < SavedImageCount; ++i) {
        if (block[ImageFlags + i] == 0) continue;
        SkipString(stream); // "Capture.jpg" / "Buffer.jpg"
        SkipSizedBytes(stream);
    }
}

// --- Key map ------------------------------------------------------------------------------

constexpr size_t MinKeyEntrySize = 4 + 4 * 2; // code and four empty strings

void SkipKeyMap(TMemoryStream& stream)
{
    stream.ReadU8(); // disabled flag
    const uint32_t count = stream.ReadU32();
    if (count > stream.Remaining() / MinKeyEntrySize) Malformed("key map: bad count");
    for (uint32_t i = 0; i < count; ++i) {
        stream.ReadU32(); // key code
        SkipStrings(stream, 4);
    }
}

// --- Camera -------------------------------------------------------------------------------

constexpr size_t CameraRecordSize = 161;

void SkipCamera(TMemoryStream& stream)
{
    stream.Skip(CameraRecordSize);
}

// --- Movie player -------------------------------------------------------------------------

constexpr uint32_t MovieMarker = 0xFE863265;
constexpr size_t MovieBlockSize = 420;   // after the marker
constexpr size_t OldMovieBlockSize = 156; // no marker
constexpr size_t MovieStateAt = 148;
constexpr size_t OldMovieStateAt = 144;
constexpr int32_t MaxMovieState = 2; // running

void SkipMovie(TMemoryStream& stream)
{
    const size_t start = stream.Position();
    int32_t state = 0;
    if (stream.ReadU32() == MovieMarker) {
        state = RecordI32(ReadRecord<MovieBlockSize>(stream), MovieStateAt);
    } else {
        stream.Seek(start);
        state = RecordI32(ReadRecord<OldMovieBlockSize>(stream), OldMovieStateAt);
    }
    if (state < 0 || state > MaxMovieState) Malformed("movie: bad play state");
}

// --- Text input dialog ----------------------------------------------------------------

// テキスト入力ダイアログ
constexpr std::string_view DefaultDialogCaption =
    "\x83\x65\x83\x4c\x83\x58\x83\x67\x93\xfc\x97\xcd\x83\x5f\x83\x43\x83\x41\x83\x8d"
    "\x83\x4f";
// 入力してください。
constexpr std::string_view DefaultDialogPrompt =
    "\x93\xfc\x97\xcd\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42";

void SkipTextInput(TMemoryStream& stream)
{
    SkipStrings(stream, 3); // caption, prompt, text
    stream.Skip(4);         // limit
}

// --- Flash player ---------------------------------------------------------------------------

constexpr size_t FlashBlockSize = 2198;
constexpr uint8_t MaxFlashState = 2; // playing

void SkipFlash(TMemoryStream& stream)
{
    const auto block = ReadRecord<FlashBlockSize>(stream);
    if (block[0] > MaxFlashState) Malformed("flash: bad state");
}

} // namespace

void WriteResetBacklogState(TMemoryStream& stream)
{
    stream.WriteU32(0); // entry count
    stream.WriteU32(0); // next write position
    for (uint32_t slot = 0; slot < BacklogSlots; ++slot) {
        WriteEmptyStrings(stream, 3);
        stream.WriteI32(0); // quiet-skip level
        stream.WriteI32(0); // start offset
        stream.WriteI32(BacklogDefaultVolume);
        stream.WriteI32(0); // gain
    }
}

bool SkipBacklogState(TMemoryStream& stream)
{
    return Guarded(stream, SkipBacklog);
}

void WriteResetSoundState(TMemoryStream& stream)
{
    for (int32_t i = 0; i < EffectChannelCount; ++i) WriteResetEffectRecord(stream);
    for (int32_t i = 0; i < StreamChannelCount; ++i) WriteResetStreamRecord(stream);
}

bool SkipSoundState(TMemoryStream& stream)
{
    return Guarded(stream, SkipSound);
}

void WriteResetImageElementState(TMemoryStream& stream)
{
    using namespace image;
    WriteResetImageRecord(stream);
    WriteEmptyStrings(stream, DefaultOptionCount);
    // No run-time images. Each image slot: empty name and size 0.
    for (size_t slot = 0; slot < SlotCount; ++slot) {
        WriteString(stream, "");
        stream.WriteU32(0);
    }
    WriteEmptyStrings(stream, 2 * SlotCount);
    for (size_t layer = 0; layer < LayerCount; ++layer) stream.WriteU8(1);
}

bool SkipImageElementState(TMemoryStream& stream)
{
    return Guarded(stream, SkipImageElement);
}

void WriteResetGraphicsState(TMemoryStream& stream)
{
    using namespace graphics;
    TFixedRecord r(BlockSize);
    r.U32(Background, 0xFF000000);
    r.U8(EffectChannelBase, static_cast<uint8_t>(DefaultEffectChannelBase));
    r.U8(StreamChannel, static_cast<uint8_t>(DefaultStreamChannel));
    r.I32(Priority, 0xFFFF);
    r.I32(Softness, 3);
    r.U32(SoundVolume, 255);
    r.U32(SoundType, 2);
    r.I32(Version, 1);
    r.WriteTo(stream);
    WriteResetImageElementState(stream); // the transition element
    // No saved images: image flags stay 0.
}

bool SkipGraphicsState(TMemoryStream& stream)
{
    return Guarded(stream, SkipGraphics);
}

void WriteResetKeyMapState(TMemoryStream& stream)
{
    stream.WriteU8(0);  // enabled
    stream.WriteU32(0); // no entries
}

bool SkipKeyMapState(TMemoryStream& stream)
{
    return Guarded(stream, SkipKeyMap);
}

void WriteResetCameraState(TMemoryStream& stream)
{
    TFixedRecord r(CameraRecordSize);
    r.U8(32, 1);           // easing type
    r.I32Run(33, 6, 1000); // zooms current, start, target (x, y each)
    r.WriteTo(stream);
}

bool SkipCameraState(TMemoryStream& stream)
{
    return Guarded(stream, SkipCamera);
}

void WriteResetMovieState(TMemoryStream& stream)
{
    stream.WriteU32(MovieMarker);
    TFixedRecord r(MovieBlockSize);
    r.I32(8, 10000); // priority
    r.I32(12, 200);  // width
    r.I32(16, 200);  // height
    r.I32(152, 255); // volume
    r.I32(160, 3);   // block version
    r.I32(164, 15);  // sound type
    r.WriteTo(stream);
}

bool SkipMovieState(TMemoryStream& stream)
{
    return Guarded(stream, SkipMovie);
}

void WriteResetTextInputState(TMemoryStream& stream)
{
    WriteString(stream, DefaultDialogCaption);
    WriteString(stream, DefaultDialogPrompt);
    WriteString(stream, "");
    stream.WriteI32(-1); // no length limit
}

bool SkipTextInputState(TMemoryStream& stream)
{
    return Guarded(stream, SkipTextInput);
}

void WriteResetFlashState(TMemoryStream& stream)
{
    TFixedRecord r(FlashBlockSize);
    r.I32(137, 320); // width
    r.I32(141, 240); // height
    r.WriteTo(stream);
}

bool SkipFlashState(TMemoryStream& stream)
{
    return Guarded(stream, SkipFlash);
}

} // namespace tsukimi
