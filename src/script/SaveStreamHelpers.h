#pragma once
// Element helpers of save bodies. The 16-bit-length string is WriteString /
// ReadString of data/TextHelpers.h; this adds the fixed-width short string
// and the eight save-description texts.
//
// Readers throw StreamError when the data runs out (see MemoryStream.h): the
// body loader that chains them turns that into one failed load.
#include "data/MemoryStream.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tsukimi {

// A short string is one length byte followed by `capacity` bytes, so the
// field is capacity + 1 bytes wide (capacity at most 255). Writing keeps the
// first `capacity` bytes and zero-fills the rest of the field.
void WriteShortString(TMemoryStream& stream, std::string_view text, size_t capacity);
// Reads the whole field; a length byte above `capacity` is clamped to it.
std::string ReadShortString(TMemoryStream& stream, size_t capacity);

// The eight save-description texts, kept in every body (the first seven are
// also the save header's description texts).
inline constexpr size_t SaveDescriptionCount = 8;
using TSaveDescriptions = std::array<std::string, SaveDescriptionCount>;

// Eight 16-bit-length strings.
void WriteSaveDescriptions(TMemoryStream& stream, const TSaveDescriptions& texts);
TSaveDescriptions ReadSaveDescriptions(TMemoryStream& stream);

} // namespace tsukimi
