#include "data/Sha256.h"

#include "platform/FileSystem.h"

#include <bit>
#include <cstring>
#include <vector>

namespace tsukimi {
namespace {

constexpr std::array<uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr std::array<uint32_t, 8> kInitial = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19,
};

constexpr size_t kFilePiece = 1 << 16;

std::string ToHex(const std::array<uint8_t, 32>& digest)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(64);
    for (uint8_t b : digest) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

} // namespace

TSha256::TSha256()
{
    Reset();
}

void TSha256::Reset()
{
    state_ = kInitial;
    buffered_ = 0;
    totalBytes_ = 0;
}

void TSha256::Compress(const uint8_t* block)
{
    std::array<uint32_t, 64> w{};
    for (size_t i = 0; i < 16; ++i) {
        w[i] = (uint32_t{block[4 * i]} << 24) | (uint32_t{block[4 * i + 1]} << 16) |
               (uint32_t{block[4 * i + 2]} << 8) | uint32_t{block[4 * i + 3]};
    }
    for (size_t i = 16; i < 64; ++i) {
        const uint32_t s0 = std::rotr(w[i - 15], 7) ^ std::rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const uint32_t s1 = std::rotr(w[i - 2], 17) ^ std::rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    auto [a, b, c, d, e, f, g, h] = state_;
    for (size_t i = 0; i < 64; ++i) {
        const uint32_t s1 = std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25);
        const uint32_t choice = (e & f) ^ (~e & g);
        const uint32_t t1 = h + s1 + choice + kRound[i] + w[i];
        const uint32_t s0 = std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22);
        const uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        const uint32_t t2 = s0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    const std::array<uint32_t, 8> add = {a, b, c, d, e, f, g, h};
    for (size_t i = 0; i < 8; ++i)
        state_[i] += add[i];
}

void TSha256::Update(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    totalBytes_ += size;
    while (size > 0) {
        const size_t n = std::min(size, buffer_.size() - buffered_);
        std::memcpy(buffer_.data() + buffered_, p, n);
        buffered_ += n;
        p += n;
        size -= n;
        if (buffered_ == buffer_.size()) {
            Compress(buffer_.data());
            buffered_ = 0;
        }
    }
}

std::array<uint8_t, 32> TSha256::Final()
{
    const uint64_t bits = totalBytes_ * 8;
    const uint8_t one = 0x80;
    Update(&one, 1);
    const uint8_t zero = 0;
    while (buffered_ != 56)
        Update(&zero, 1);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    Update(length, 8);
    std::array<uint8_t, 32> digest{};
    for (size_t i = 0; i < 8; ++i) {
        for (size_t j = 0; j < 4; ++j) {
            digest[4 * i + j] = static_cast<uint8_t>(state_[i] >> (24 - 8 * j));
        }
    }
    Reset();
    return digest;
}

std::string TSha256::FinalHex()
{
    return ToHex(Final());
}

std::string Sha256Hex(const void* data, size_t size)
{
    if (size == 0) return {};
    TSha256 sha;
    sha.Update(data, size);
    return sha.FinalHex();
}

std::string Sha256Hex(std::string_view bytes)
{
    return Sha256Hex(bytes.data(), bytes.size());
}

std::string Sha256File(const platform::RandomAccessFile& file)
{
    TSha256 sha;
    std::vector<uint8_t> piece(kFilePiece);
    const uint64_t size = file.Size();
    for (uint64_t offset = 0; offset < size;) {
        const auto n = static_cast<size_t>(std::min<uint64_t>(kFilePiece, size - offset));
        if (!file.ReadAt(offset, piece.data(), n)) return {};
        sha.Update(piece.data(), n);
        offset += n;
    }
    return sha.FinalHex();
}

std::string Sha256File(platform::FileSystem& files, std::string_view name)
{
    const auto file = files.OpenRead(name);
    if (!file) return {};
    return Sha256File(*file);
}

std::string Sha256Pixels(const uint32_t* pixels, int width, int height, int stride)
{
    if (!pixels || width <= 0 || height <= 0) return {};
    TSha256 sha;
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
    for (int y = 0; y < height; ++y) {
        const uint32_t* line = pixels + static_cast<ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = line[x];
            for (int k = 0; k < 4; ++k)
                row[4 * x + k] = static_cast<uint8_t>(p >> (8 * k));
        }
        sha.Update(row.data(), row.size());
    }
    return sha.FinalHex();
}

} // namespace tsukimi
