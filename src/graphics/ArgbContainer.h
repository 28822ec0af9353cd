#pragma once
// The ".argb" container (read only): a 16-byte magic "ARGBSaveData1"
// padded with NUL bytes, a payload type byte, two int32 payload lengths and
// the payloads. Types: 0 BMP (fourth byte of a 32-bit file as alpha, other
// depths alpha 0), 1 PNG, 2 JPEG colour + JPEG grey mask, 3 JPEG colour +
// PNG mask, 4 PNG colour + JPEG grey mask (OR-ed into its alpha).
#include "graphics/ALSGBitmap.h"

#include <cstdint>
#include <memory>
#include <span>

namespace tsukimi {

// Null for a wrong magic or a type above 4. Throws ImageDecodeError for a
// truncated header, a payload running past the data, a payload that does
// not decode, or a mask whose size differs from the colour payload's. The
// border is not updated.
std::unique_ptr<TALSGBitmap> DecodeArgb(std::span<const uint8_t> bytes,
                                        const TImageLimits& limits = {});

} // namespace tsukimi
