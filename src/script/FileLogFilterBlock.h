#pragma once
// The file-log settings in a save body: whether file logging is off, and the
// 64 pattern texts that mark data files whose openings the file log counts.
//
// Stream form: 1 byte (logging off when not 0), then 64 short strings of
// capacity 63 (4097 bytes). Bodies of format level below 3 hold the narrow
// form: 1 byte and 64 short strings of capacity 15 (1025 bytes), read into
// the same 64 texts.
#include "data/MemoryStream.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tsukimi {

struct TFileLogFilterBlock
{
    static constexpr size_t PatternCount = 64;
    static constexpr size_t PatternCapacity = 63;
    static constexpr size_t NarrowPatternCapacity = 15;
    static constexpr size_t Size = 1 + PatternCount * (PatternCapacity + 1);             // 4097
    static constexpr size_t NarrowSize = 1 + PatternCount * (NarrowPatternCapacity + 1); // 1025
    // The first format level with the wide form.
    static constexpr uint8_t WideFormatLevel = 3;

    uint8_t LoggingOff = 0;
    std::array<std::string, PatternCount> Patterns;

    bool operator==(const TFileLogFilterBlock&) const = default;
    void Reset() { *this = TFileLogFilterBlock{}; }
    // Always the wide form; patterns longer than 63 bytes are cut.
    void Write(TMemoryStream& stream) const;
    // The form of `formatLevel` (the interpreter block's FormatLevel). False
    // when the stream is short (block and position unchanged).
    bool Read(TMemoryStream& stream, uint8_t formatLevel);
};

} // namespace tsukimi
