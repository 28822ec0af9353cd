#pragma once
// The engine's in-memory byte stream: every binary format is read from and
// written to one of these. Integers and reals are little-endian.
//
// Reads know where the data ends. A read that needs more bytes than remain
// throws StreamError and leaves the position where it was; no read ever
// touches memory past the end. Writes go to the position, overwrite what is
// there and grow the stream as needed (a seek past the end and a write leave
// zero bytes in the gap).
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

// Thrown for a read past the end, a seek outside the data, or a size over
// the stream's cap. Readers of nested formats let it propagate to the one
// place that turns bad data into an empty result.
class StreamError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TMemoryStream
{
public:
    // No stream holds more than this (1 GiB); larger sizes throw StreamError.
    static constexpr size_t MaxSize = size_t{1} << 30;

    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes);
    TMemoryStream(const void* data, size_t size);
    explicit TMemoryStream(std::string_view bytes);

    size_t Size() const { return bytes_.size(); }
    size_t Position() const { return position_; }
    size_t Remaining() const { return bytes_.size() - position_; }
    bool AtEnd() const { return position_ >= bytes_.size(); }

    // Moves to `position` (0 .. Size()); throws StreamError outside.
    void Seek(size_t position);
    void Rewind() { position_ = 0; }
    // Moves forward by `count` bytes; throws StreamError past the end.
    void Skip(size_t count);
    // Throws StreamError unless `count` bytes remain. Readers call it before
    // they allocate for a count taken from the data.
    void Require(size_t count) const;
    // Cuts or zero-extends the data; the position is clipped to the new size.
    void SetSize(size_t size);
    void Clear();

    const uint8_t* Data() const { return bytes_.data(); }
    uint8_t* Data() { return bytes_.data(); }
    std::span<const uint8_t> Bytes() const { return bytes_; }
    // The bytes from the position to the end.
    std::span<const uint8_t> RemainingBytes() const;
    // Hands the buffer over and leaves the stream empty.
    std::vector<uint8_t> TakeBytes();

    uint8_t ReadU8();
    int8_t ReadI8();
    uint16_t ReadU16();
    int16_t ReadI16();
    uint32_t ReadU32();
    int32_t ReadI32();
    uint64_t ReadU64();
    int64_t ReadI64();
    float ReadFloat();
    double ReadDouble();
    // Exactly `count` bytes or StreamError.
    void ReadBytes(void* destination, size_t count);
    std::vector<uint8_t> ReadBlock(size_t count);
    std::string ReadChars(size_t count);
    // Up to `count` bytes, fewer at the end; returns how many were read.
    size_t ReadSome(void* destination, size_t count);

    void WriteU8(uint8_t value);
    void WriteI8(int8_t value) { WriteU8(static_cast<uint8_t>(value)); }
    void WriteU16(uint16_t value);
    void WriteI16(int16_t value) { WriteU16(static_cast<uint16_t>(value)); }
    void WriteU32(uint32_t value);
    void WriteI32(int32_t value) { WriteU32(static_cast<uint32_t>(value)); }
    void WriteU64(uint64_t value);
    void WriteI64(int64_t value) { WriteU64(static_cast<uint64_t>(value)); }
    void WriteFloat(float value);
    void WriteDouble(double value);
    void WriteBytes(const void* data, size_t count);
    void WriteBytes(std::span<const uint8_t> data) { WriteBytes(data.data(), data.size()); }
    void WriteChars(std::string_view text) { WriteBytes(text.data(), text.size()); }
    // Copies `count` bytes from `source`'s position (advancing it) to this
    // stream's position; throws StreamError when `source` has fewer.
    void CopyFrom(TMemoryStream& source, size_t count);

private:
    void EnsureSize(size_t end);

    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};

} // namespace tsukimi
