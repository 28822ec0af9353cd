#pragma once
// Save-body elements whose owners are not in the script library yet: for each,
// a writer of the bytes its owner writes right after a reset, and a skipper
// that reads past any well-formed element of that layout.
//
// Every Skip function checks each count, length and enumerated value it meets
// against the data that remains (it never allocates from them) and answers
// false, with the position unchanged, for a short or malformed element. It
// never throws.
//
// Conventions: integers little-endian, signed 32-bit unless said otherwise;
// "string" is a 16-bit length and that many bytes; "name field" is a length
// byte and up to 127 bytes in a 128-byte field (a length byte above 127 reads
// as 127); floats are 32-bit IEEE.
//
// Backlog (reset: 5640 bytes)
//   entry count u32 (0..256), next write position u32 (0..255), then 256
//   slots: name, text, voice file (strings), quiet-skip level, start offset,
//   volume, gain (32-bit each). Reset: no entries, empty slots with volume 255.
//
// Sound (reset: 25118 bytes; fixed size)
//   15 effect slot records of 274 bytes, then 16 stream slot records of 1313.
//   Effect record: 0 name field, 128 volume, 132 play state u8 (0..3),
//   133 category, 137 attribute, 141 memory flag u8, 142 kept value,
//   146 memory reference, 150 unused (124).
//   Stream record: 0 name field, 128 target volume, 132 fade time, 136 quiet
//   level, 140 seek position, 144 play state u8 (0..3), 145 256 band gains
//   (floats), 1169 category, 1173 actor, 1177 gain target, 1181 decode
//   position (float, s), 1185 gain step, 1189 initial gain, 1193 quiet
//   threshold, 1197 pan, 1201 pan time, 1205 unused (108).
//   Reset: volumes 256, band gains 1.0, everything else 0.
//
// Image element (one cursor layer; reset: 5384 bytes)
//   1. state record, 4776 bytes (offsets in the .cpp); byte 3112..3119 say
//      which of the 8 run-time images follow, byte 3570 is the slot-data flag
//      (1), byte 3571 the format version (3).
//   2. 16 default option texts (strings).
//   3. per run-time image flagged in 1: name (string), size u32, bytes.
//   4. only with the slot-data flag: 32 image slots, each name (string),
//      size u32, bytes; then 32 sound slot names and 32 slot option texts
//      (strings).
//   5. only when the version is not 0: 256 layer-visibility bytes.
//   Reset: nothing loaded, defaults of every field, all layers visible.
//
// Graphics (reset: 7593 bytes)
//   a 2209-byte block (offsets in the .cpp; bytes 157 and 158 flag the
//   captured image and the back buffer), the transition element (an image
//   element as above), then per flagged image: name (string), size u32,
//   JPEG bytes. Reset: no transition, no image (without a back buffer to
//   capture none is written; a loader then shows black).
//
// Key map (reset: 5 bytes)
//   disabled flag u8, entry count u32, then per entry: key code u32 and four
//   strings (action, event text, event target, comment).
//
// Camera (reset: 161 bytes; fixed size)
//   current, start and target x and y, elapsed, duration, easing type u8,
//   zooms (1/1000) current, start, target for x and y, angles (1/1000 turn)
//   current, start, target, 92 reserved bytes. Reset: easing 1, zooms 1000.
//
// Movie player (reset: 424 bytes)
//   marker u32 0xFE863265 and 420 bytes: x, y, priority, width, height, name
//   field, play state (0..2), volume, position, version (3), sound type,
//   filter byte, 251 reserved. Without the marker the older 156-byte form:
//   x, y, width, height, name field, play state, volume, position.
//   Reset: priority 10000, 200 x 200, volume 255, sound type 15, filter 0.
//
// Text input dialog (reset: 50 bytes)
//   caption, prompt, text (strings), length limit. Reset: the default
//   caption and prompt, empty text, limit -1.
//
// Flash player (reset: 2198 bytes; fixed size)
//   state u8 (0..2), name field, x, y, width, height, current frame, 2049
//   reserved bytes. Reset: nothing loaded, 320 x 240 at (0, 0).
#include "data/MemoryStream.h"

#include <cstddef>

namespace tsukimi {

inline constexpr size_t ResetBacklogStateSize = 5640;
inline constexpr size_t ResetSoundStateSize = 25118;
inline constexpr size_t ResetImageElementStateSize = 5384;
inline constexpr size_t ResetGraphicsStateSize = 7593;
inline constexpr size_t ResetKeyMapStateSize = 5;
inline constexpr size_t ResetCameraStateSize = 161;
inline constexpr size_t ResetMovieStateSize = 424;
inline constexpr size_t ResetTextInputStateSize = 50;
inline constexpr size_t ResetFlashStateSize = 2198;

void WriteResetBacklogState(TMemoryStream& stream);
bool SkipBacklogState(TMemoryStream& stream);

void WriteResetSoundState(TMemoryStream& stream);
bool SkipSoundState(TMemoryStream& stream);

void WriteResetImageElementState(TMemoryStream& stream);
bool SkipImageElementState(TMemoryStream& stream);

void WriteResetGraphicsState(TMemoryStream& stream);
bool SkipGraphicsState(TMemoryStream& stream);

void WriteResetKeyMapState(TMemoryStream& stream);
bool SkipKeyMapState(TMemoryStream& stream);

void WriteResetCameraState(TMemoryStream& stream);
bool SkipCameraState(TMemoryStream& stream);

void WriteResetMovieState(TMemoryStream& stream);
bool SkipMovieState(TMemoryStream& stream);

void WriteResetTextInputState(TMemoryStream& stream);
bool SkipTextInputState(TMemoryStream& stream);

void WriteResetFlashState(TMemoryStream& stream);
bool SkipFlashState(TMemoryStream& stream);

} // namespace tsukimi
