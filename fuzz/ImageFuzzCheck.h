#pragma once
// The check every image fuzz target makes: arbitrary bytes through the
// engine's image loader must not crash, read past the input or allocate
// beyond the size cap, and what decodes must survive a BMP round trip.
#include "graphics/ARGB8888.h"

#include <cstddef>
#include <cstdint>

namespace tsukimi::fuzz {

inline void CheckImageLoad(const uint8_t* data, size_t size, const char* name)
{
    TImageLoadOptions options;
    // A smaller cap than the engine's keeps each run fast; the checks are the same.
    options.limits.maxPixels = int64_t{1} << 22;
    TARGB8888 image;
    try {
        image.LoadFromBytes({data, size}, name, options);
    } catch (const ImageLoadError&) {
        if (image.Buffer())
            __builtin_trap();
        return;
    }
    if (!image.Buffer() || image.Width() * image.Height() > 65536)
        return;
    TMemoryStream saved;
    if (!image.SaveBmp(&saved))
        __builtin_trap();
    saved.Rewind();
    TARGB8888 back;
    back.LoadBmp(saved);
    if (back.Digest() != image.Digest())
        __builtin_trap();
}

} // namespace tsukimi::fuzz
