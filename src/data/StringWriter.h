#pragma once
// A growable byte buffer for building long texts. Its capacity is always
// ((n div 128) + 1) * 128 for the size n asked for, so it grows in 128-byte
// steps and stays strictly larger than the used length.
#include <cstddef>
#include <string>
#include <string_view>

namespace tsukimi {

class TStringWriter
{
public:
    TStringWriter();

    void Append(std::string_view text);
    // Appends the bytes up to (not including) the first zero byte.
    void AppendChars(const char* chars);
    // Used length back to 0, capacity back to 128.
    void Clear();
    std::string GetText() const { return std::string(buffer_.data(), length_); }

    size_t Length() const { return length_; }
    size_t Capacity() const { return buffer_.size(); }

private:
    void Reserve(size_t size);

    std::string buffer_;
    size_t length_ = 0;
};

} // namespace tsukimi
