// PNG files (with or without a 4-byte prefix) from arbitrary bytes through
// the engine's image loader. Nothing may crash, read past the input or
// allocate beyond the size cap; what decodes must survive a BMP round trip
// unchanged. Each input is also tried with its chunk checksums mended, since
// mutations rarely keep them right and libpng stops at the first bad one.
#include "graphics/ARGB8888.h"

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

uint32_t BigEndian(const uint8_t* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// True when some checksum was changed.
bool MendChecksums(std::vector<uint8_t>& bytes)
{
    static constexpr uint8_t Signature[4] = {0x89, 'P', 'N', 'G'};
    if (bytes.size() < 12) return false;
    size_t at = std::equal(Signature, Signature + 4, bytes.begin()) ? 8 : 12;
    bool changed = false;
    while (at + 12 <= bytes.size()) {
        const uint64_t length = BigEndian(&bytes[at]);
        if (length > bytes.size() - at - 12) break;
        const size_t crcAt = at + 8 + static_cast<size_t>(length);
        const uint32_t crc =
            static_cast<uint32_t>(crc32(0, &bytes[at + 4], static_cast<uInt>(length + 4)));
        if (BigEndian(&bytes[crcAt]) != crc) {
            for (int i = 0; i < 4; ++i)
                bytes[crcAt + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
            changed = true;
        }
        at = crcAt + 4;
    }
    return changed;
}

void Check(const uint8_t* data, size_t size)
{
    using namespace tsukimi;
    TImageLoadOptions options;
    // A smaller cap than the engine's keeps each run fast; the checks are the same.
    options.limits.maxPixels = int64_t{1} << 22;
    TARGB8888 image;
    try {
        image.LoadFromBytes({data, size}, "fuzz.png", options);
    } catch (const ImageLoadError&) {
        if (image.Buffer()) __builtin_trap();
        return;
    }
    if (!image.Buffer() || image.Width() * image.Height() > 65536) return;
    TMemoryStream saved;
    if (!image.SaveBmp(&saved)) __builtin_trap();
    saved.Rewind();
    TARGB8888 back;
    back.LoadBmp(saved);
    if (back.Digest() != image.Digest()) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Check(data, size);
    std::vector<uint8_t> mended(data, data + size);
    if (MendChecksums(mended)) Check(mended.data(), mended.size());
    return 0;
}
