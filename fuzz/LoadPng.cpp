// PNG files (with or without a 4-byte prefix) from arbitrary bytes through
// the engine's image loader. Nothing may crash, read past the input or
// allocate beyond the size cap; what decodes must survive a BMP round trip
// unchanged. Each input is also tried with its chunk checksums mended, since
// mutations rarely keep them right and libpng stops at the first bad one.
#include "ImageFuzzCheck.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tsukimi::fuzz::CheckImageLoad(data, size, "fuzz.png");
    std::vector<uint8_t> mended(data, data + size);
    if (MendChecksums(mended))
        tsukimi::fuzz::CheckImageLoad(mended.data(), mended.size(), "fuzz.png");
    return 0;
}
