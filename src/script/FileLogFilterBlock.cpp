#include "script/FileLogFilterBlock.h"

#include "script/SaveStreamHelpers.h"

namespace tsukimi {

void TFileLogFilterBlock::Write(TMemoryStream& stream) const
{
    stream.WriteU8(LoggingOff);
    for (const std::string& pattern : Patterns)
        WriteShortString(stream, pattern, PatternCapacity);
}

bool TFileLogFilterBlock::Read(TMemoryStream& stream, uint8_t formatLevel)
{
    const bool wide = formatLevel >= WideFormatLevel;
    if (stream.Remaining() < (wide ? Size : NarrowSize)) return false;
    const size_t capacity = wide ? PatternCapacity : NarrowPatternCapacity;
    TFileLogFilterBlock block;
    block.LoggingOff = stream.ReadU8();
    for (std::string& pattern : block.Patterns)
        pattern = ReadShortString(stream, capacity);
    *this = std::move(block);
    return true;
}

} // namespace tsukimi
