// ".argb" containers from arbitrary bytes through the engine's image loader.
#include "ImageFuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tsukimi::fuzz::CheckImageLoad(data, size, "fuzz.argb");
    return 0;
}
