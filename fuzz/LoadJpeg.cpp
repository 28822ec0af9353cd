// JPEG files from arbitrary bytes through the engine's image loader.
// Nothing may crash, read past the input or allocate beyond the size cap;
// what decodes must survive a BMP round trip unchanged.
#include "graphics/ARGB8888.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tsukimi;
    TImageLoadOptions options;
    // A smaller cap than the engine's keeps each run fast; the checks are the same.
    options.limits.maxPixels = int64_t{1} << 22;
    TARGB8888 image;
    try {
        image.LoadFromBytes({data, size}, "fuzz.jpg", options);
    } catch (const ImageLoadError&) {
        if (image.Buffer()) __builtin_trap();
        return 0;
    }
    if (!image.Buffer() || image.Width() * image.Height() > 65536) return 0;
    TMemoryStream saved;
    if (!image.SaveBmp(&saved)) __builtin_trap();
    saved.Rewind();
    TARGB8888 back;
    back.LoadBmp(saved);
    if (back.Digest() != image.Digest()) __builtin_trap();
    return 0;
}
