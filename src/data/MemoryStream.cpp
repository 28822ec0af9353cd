#include "data/MemoryStream.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tsukimi {
namespace {

template <typename T> T LoadLittle(const uint8_t* p)
{
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value |= static_cast<T>(T{p[i]} << (8 * i));
    return value;
}

template <typename T> void StoreLittle(uint8_t* p, T value)
{
    for (size_t i = 0; i < sizeof(T); ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

TMemoryStream::TMemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes))
{
    if (bytes_.size() > MaxSize) throw StreamError("memory stream too large");
}

TMemoryStream::TMemoryStream(const void* data, size_t size)
{
    WriteBytes(data, size);
    position_ = 0;
}

TMemoryStream::TMemoryStream(std::string_view bytes) : TMemoryStream(bytes.data(), bytes.size()) {}

void TMemoryStream::Seek(size_t position)
{
    if (position > bytes_.size()) throw StreamError("seek past the end of the stream");
    position_ = position;
}

void TMemoryStream::Skip(size_t count)
{
    Require(count);
    position_ += count;
}

void TMemoryStream::Require(size_t count) const
{
    if (count > Remaining()) throw StreamError("read past the end of the stream");
}

void TMemoryStream::SetSize(size_t size)
{
    if (size > MaxSize) throw StreamError("memory stream too large");
    bytes_.resize(size);
    if (position_ > size) position_ = size;
}

void TMemoryStream::Clear()
{
    bytes_.clear();
    bytes_.shrink_to_fit();
    position_ = 0;
}

std::span<const uint8_t> TMemoryStream::RemainingBytes() const
{
    return std::span<const uint8_t>(bytes_).subspan(position_);
}

std::vector<uint8_t> TMemoryStream::TakeBytes()
{
    std::vector<uint8_t> out = std::move(bytes_);
    bytes_.clear();
    position_ = 0;
    return out;
}

uint8_t TMemoryStream::ReadU8()
{
    Require(1);
    return bytes_[position_++];
}

int8_t TMemoryStream::ReadI8()
{
    return static_cast<int8_t>(ReadU8());
}

uint16_t TMemoryStream::ReadU16()
{
    Require(2);
    const auto v = LoadLittle<uint16_t>(bytes_.data() + position_);
    position_ += 2;
    return v;
}

int16_t TMemoryStream::ReadI16()
{
    return static_cast<int16_t>(ReadU16());
}

uint32_t TMemoryStream::ReadU32()
{
    Require(4);
    const auto v = LoadLittle<uint32_t>(bytes_.data() + position_);
    position_ += 4;
    return v;
}

int32_t TMemoryStream::ReadI32()
{
    return static_cast<int32_t>(ReadU32());
}

uint64_t TMemoryStream::ReadU64()
{
    Require(8);
    const auto v = LoadLittle<uint64_t>(bytes_.data() + position_);
    position_ += 8;
    return v;
}

int64_t TMemoryStream::ReadI64()
{
    return static_cast<int64_t>(ReadU64());
}

float TMemoryStream::ReadFloat()
{
    return std::bit_cast<float>(ReadU32());
}

double TMemoryStream::ReadDouble()
{
    return std::bit_cast<double>(ReadU64());
}

void TMemoryStream::ReadBytes(void* destination, size_t count)
{
    Require(count);
    if (count > 0) std::memcpy(destination, bytes_.data() + position_, count);
    position_ += count;
}

std::vector<uint8_t> TMemoryStream::ReadBlock(size_t count)
{
    Require(count);
    std::vector<uint8_t> out(bytes_.begin() + static_cast<ptrdiff_t>(position_),
                             bytes_.begin() + static_cast<ptrdiff_t>(position_ + count));
    position_ += count;
    return out;
}

std::string TMemoryStream::ReadChars(size_t count)
{
    Require(count);
    std::string out(reinterpret_cast<const char*>(bytes_.data()) + position_, count);
    position_ += count;
    return out;
}

size_t TMemoryStream::ReadSome(void* destination, size_t count)
{
    const size_t n = std::min(count, Remaining());
    ReadBytes(destination, n);
    return n;
}

void TMemoryStream::EnsureSize(size_t end)
{
    if (end > MaxSize) throw StreamError("memory stream too large");
    if (end > bytes_.size()) bytes_.resize(end);
}

void TMemoryStream::WriteU8(uint8_t value)
{
    WriteBytes(&value, 1);
}

void TMemoryStream::WriteU16(uint16_t value)
{
    uint8_t b[2];
    StoreLittle(b, value);
    WriteBytes(b, 2);
}

void TMemoryStream::WriteU32(uint32_t value)
{
    uint8_t b[4];
    StoreLittle(b, value);
    WriteBytes(b, 4);
}

void TMemoryStream::WriteU64(uint64_t value)
{
    uint8_t b[8];
    StoreLittle(b, value);
    WriteBytes(b, 8);
}

void TMemoryStream::WriteFloat(float value)
{
    WriteU32(std::bit_cast<uint32_t>(value));
}

void TMemoryStream::WriteDouble(double value)
{
    WriteU64(std::bit_cast<uint64_t>(value));
}

void TMemoryStream::WriteBytes(const void* data, size_t count)
{
    if (count == 0) return;
    if (count > MaxSize) throw StreamError("memory stream too large");
    EnsureSize(position_ + count);
    std::memmove(bytes_.data() + position_, data, count);
    position_ += count;
}

void TMemoryStream::CopyFrom(TMemoryStream& source, size_t count)
{
    source.Require(count);
    if (&source == this) {
        const std::vector<uint8_t> copy = source.ReadBlock(count);
        WriteBytes(copy.data(), copy.size());
        return;
    }
    WriteBytes(source.bytes_.data() + source.position_, count);
    source.position_ += count;
}

} // namespace tsukimi
