#include "data/StringWriter.h"

#include <cstring>

namespace tsukimi {
namespace {

constexpr size_t kStep = 128;

size_t CapacityFor(size_t size)
{
    return (size / kStep + 1) * kStep;
}

} // namespace

TStringWriter::TStringWriter() : buffer_(kStep, '\0') {}

void TStringWriter::Reserve(size_t size)
{
    if (size >= buffer_.size()) buffer_.resize(CapacityFor(size), '\0');
}

void TStringWriter::Append(std::string_view text)
{
    if (text.empty()) return;
    Reserve(length_ + text.size());
    std::memcpy(buffer_.data() + length_, text.data(), text.size());
    length_ += text.size();
}

void TStringWriter::AppendChars(const char* chars)
{
    if (chars) Append(std::string_view(chars));
}

void TStringWriter::Clear()
{
    length_ = 0;
    buffer_.assign(kStep, '\0');
}

} // namespace tsukimi
