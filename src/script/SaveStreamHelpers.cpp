#include "script/SaveStreamHelpers.h"

#include "data/TextHelpers.h"

#include <algorithm>
#include <array>

namespace tsukimi {

namespace {

constexpr size_t MaxShortCapacity = 255;

size_t FieldCapacity(size_t capacity)
{
    return std::min(capacity, MaxShortCapacity);
}

} // namespace

void WriteShortString(TMemoryStream& stream, std::string_view text, size_t capacity)
{
    std::array<char, MaxShortCapacity + 1> field{};
    const size_t width = FieldCapacity(capacity);
    const size_t length = std::min(text.size(), width);
    field[0] = static_cast<char>(length);
    std::copy_n(text.data(), length, field.data() + 1);
    stream.WriteBytes(field.data(), width + 1);
}

std::string ReadShortString(TMemoryStream& stream, size_t capacity)
{
    std::array<char, MaxShortCapacity + 1> field{};
    const size_t width = FieldCapacity(capacity);
    stream.ReadBytes(field.data(), width + 1);
    const size_t length = std::min<size_t>(static_cast<uint8_t>(field[0]), width);
    return std::string(field.data() + 1, length);
}

void WriteSaveDescriptions(TMemoryStream& stream, const TSaveDescriptions& texts)
{
    for (const std::string& text : texts)
        WriteString(stream, text);
}

TSaveDescriptions ReadSaveDescriptions(TMemoryStream& stream)
{
    TSaveDescriptions texts;
    for (std::string& text : texts)
        text = ReadString(stream);
    return texts;
}

} // namespace tsukimi
