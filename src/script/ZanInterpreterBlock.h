#pragma once
// The interpreter's own state in a save body: one fixed 1199-byte block.
//
//   offset  size  field
//        0     4  Clock
//        4     4  LockFlags
//        8     4  CustomMask
//       12     4  CustomCheckMask
//       16     1  PlayMode
//       17     4  CommandsPerFrame
//       21   256  OldDescriptions: four short strings of capacity 63
//      277     4  UpdateGroupMask (clicks and updates)
//      281     4  DrawGroupMask
//      285   640  Labels: five short strings of capacity 127 (the fifth is
//                 the scene-return label)
//      925     1  SceneReturnEnabled
//      926     1  InputMode
//      927     4  Reserved927 (kept as held)
//      931     4  ObjectParameter1
//      935     4  ObjectParameter2
//      939     4  ActOnPartner
//      943     1  FrameEventLabelPresent
//      944     1  FormatLevel
//      945     4  ThumbnailGroupMask
//      949    20  MusicSettings: five 32-bit music player settings
//      969   230  Reserved969 (kept as held)
#include "data/MemoryStream.h"
#include "script/SaveStreamHelpers.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tsukimi {

struct TZanInterpreterBlock
{
    static constexpr size_t Size = 1199;
    static constexpr size_t OldDescriptionCapacity = 63;
    static constexpr size_t LabelCapacity = 127;
    static constexpr size_t SceneReturnLabelIndex = 4;
    // The format level this engine writes.
    static constexpr uint8_t CurrentFormatLevel = 4;
    // What a music setting below 1 stands for, in order.
    static constexpr std::array<int32_t, 5> MusicDefaults = {32767, 32767, 98301, 500, 44100};

    int32_t Clock = 0;
    uint32_t LockFlags = 0x0FFFFFFF;
    uint32_t CustomMask = 0x0FFFFFFF;
    uint32_t CustomCheckMask = 0;
    uint8_t PlayMode = 0;
    int32_t CommandsPerFrame = 65536;
    // The first four description texts of format levels below 4.
    std::array<std::string, 4> OldDescriptions;
    uint32_t UpdateGroupMask = 0x0FFFFFFF;
    uint32_t DrawGroupMask = 0x0FFFFFFF;
    std::array<std::string, 5> Labels;
    uint8_t SceneReturnEnabled = 0;
    uint8_t InputMode = 1;
    uint32_t Reserved927 = 0;
    int32_t ObjectParameter1 = 0;
    int32_t ObjectParameter2 = 0;
    uint32_t ActOnPartner = 0;
    uint8_t FrameEventLabelPresent = 1;
    uint8_t FormatLevel = CurrentFormatLevel;
    uint32_t ThumbnailGroupMask = 0xFFFF;
    std::array<int32_t, 5> MusicSettings = MusicDefaults;
    std::array<uint8_t, 230> Reserved969{};

    bool operator==(const TZanInterpreterBlock&) const = default;
    // Back to the values above (those of the interpreter's Reset).
    void Reset() { *this = TZanInterpreterBlock{}; }
    // FrameEventLabelPresent 1 and the current format level, as every save
    // writes them.
    void MarkCurrentFormat();

    std::string& SceneReturnLabel() { return Labels[SceneReturnLabelIndex]; }
    const std::string& SceneReturnLabel() const { return Labels[SceneReturnLabelIndex]; }

    // The music settings with every value below 1 replaced by its default.
    std::array<int32_t, 5> EffectiveMusicSettings() const;

    // What the rest of a body holds, by the format level read.
    // Below 3 the file-log filter block is the narrow one.
    bool HasWideFileLogFilter() const { return FormatLevel >= 3; }
    bool HasFlashState() const { return FormatLevel >= 1; }
    bool HasMemorySaveSlots() const { return FormatLevel >= 2; }
    // Below 4 the body ends without the eight description texts.
    bool HasSaveDescriptions() const { return FormatLevel >= 4; }
    // The description texts of a body without them: the four old texts,
    // the other four empty.
    TSaveDescriptions LegacyDescriptions() const;

    // Writes exactly Size bytes at the stream's position; texts longer than
    // their field are cut.
    void Write(TMemoryStream& stream) const;
    // Reads Size bytes; short-string lengths are clamped to their capacity.
    // False when fewer than Size bytes remain (block and position unchanged).
    bool Read(TMemoryStream& stream);
};

} // namespace tsukimi
