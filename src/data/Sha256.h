#pragma once
// SHA-256 (FIPS 180-2). Digests are written as 64 upper-case hexadecimal
// digits: the eight 32-bit state words in order, 8 digits each.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tsukimi {

namespace platform {
class FileSystem;
class RandomAccessFile;
} // namespace platform

class TSha256
{
public:
    TSha256();

    void Update(const void* data, size_t size);
    // Ends the message; the object starts over afterwards.
    std::array<uint8_t, 32> Final();
    std::string FinalHex();

private:
    void Compress(const uint8_t* block);
    void Reset();

    std::array<uint32_t, 8> state_{};
    std::array<uint8_t, 64> buffer_{};
    size_t buffered_ = 0;
    uint64_t totalBytes_ = 0;
};

// Digest of a memory block; empty text for size 0.
std::string Sha256Hex(const void* data, size_t size);
std::string Sha256Hex(std::string_view bytes);
// Digest of a whole open file, read in pieces; empty text on a read error.
std::string Sha256File(const platform::RandomAccessFile& file);
// Digest of a file of the game folder; empty text when it does not exist.
std::string Sha256File(platform::FileSystem& files, std::string_view name);
// Digest of an image's pixels: `height` rows of `width` 32-bit pixels, each
// as its 4 bytes blue, green, red, alpha; rows are `stride` pixels apart.
std::string Sha256Pixels(const uint32_t* pixels, int width, int height, int stride);

} // namespace tsukimi
