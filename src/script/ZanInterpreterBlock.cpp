#include "script/ZanInterpreterBlock.h"

#include <algorithm>

namespace tsukimi {

void TZanInterpreterBlock::MarkCurrentFormat()
{
    FrameEventLabelPresent = 1;
    FormatLevel = CurrentFormatLevel;
}

std::array<int32_t, 5> TZanInterpreterBlock::EffectiveMusicSettings() const
{
    std::array<int32_t, 5> values = MusicSettings;
    for (size_t i = 0; i < values.size(); ++i)
        if (values[i] < 1) values[i] = MusicDefaults[i];
    return values;
}

TSaveDescriptions TZanInterpreterBlock::LegacyDescriptions() const
{
    TSaveDescriptions texts;
    std::copy(OldDescriptions.begin(), OldDescriptions.end(), texts.begin());
    return texts;
}

void TZanInterpreterBlock::Write(TMemoryStream& stream) const
{
    stream.WriteI32(Clock);
    stream.WriteU32(LockFlags);
    stream.WriteU32(CustomMask);
    stream.WriteU32(CustomCheckMask);
    stream.WriteU8(PlayMode);
    stream.WriteI32(CommandsPerFrame);
    for (const std::string& text : OldDescriptions)
        WriteShortString(stream, text, OldDescriptionCapacity);
    stream.WriteU32(UpdateGroupMask);
    stream.WriteU32(DrawGroupMask);
    for (const std::string& text : Labels)
        WriteShortString(stream, text, LabelCapacity);
    stream.WriteU8(SceneReturnEnabled);
    stream.WriteU8(InputMode);
    stream.WriteU32(Reserved927);
    stream.WriteI32(ObjectParameter1);
    stream.WriteI32(ObjectParameter2);
    stream.WriteU32(ActOnPartner);
    stream.WriteU8(FrameEventLabelPresent);
    stream.WriteU8(FormatLevel);
    stream.WriteU32(ThumbnailGroupMask);
    for (const int32_t value : MusicSettings)
        stream.WriteI32(value);
    stream.WriteBytes(Reserved969.data(), Reserved969.size());
}

bool TZanInterpreterBlock::Read(TMemoryStream& stream)
{
    if (stream.Remaining() < Size) return false;
    TZanInterpreterBlock b;
    b.Clock = stream.ReadI32();
    b.LockFlags = stream.ReadU32();
    b.CustomMask = stream.ReadU32();
    b.CustomCheckMask = stream.ReadU32();
    b.PlayMode = stream.ReadU8();
    b.CommandsPerFrame = stream.ReadI32();
    for (std::string& text : b.OldDescriptions)
        text = ReadShortString(stream, OldDescriptionCapacity);
    b.UpdateGroupMask = stream.ReadU32();
    b.DrawGroupMask = stream.ReadU32();
    for (std::string& text : b.Labels)
        text = ReadShortString(stream, LabelCapacity);
    b.SceneReturnEnabled = stream.ReadU8();
    b.InputMode = stream.ReadU8();
    b.Reserved927 = stream.ReadU32();
    b.ObjectParameter1 = stream.ReadI32();
    b.ObjectParameter2 = stream.ReadI32();
    b.ActOnPartner = stream.ReadU32();
    b.FrameEventLabelPresent = stream.ReadU8();
    b.FormatLevel = stream.ReadU8();
    b.ThumbnailGroupMask = stream.ReadU32();
    for (int32_t& value : b.MusicSettings)
        value = stream.ReadI32();
    stream.ReadBytes(b.Reserved969.data(), b.Reserved969.size());
    *this = std::move(b);
    return true;
}

} // namespace tsukimi
