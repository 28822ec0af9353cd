#pragma once
// One script variable: its call level, access flags, name hash and array.
#include "script/ValueArray.h"

#include <cstdint>
#include <memory>

namespace tsukimi {

enum : uint16_t {
    VariableReadable = 1,
    VariableWritable = 2,
    VariableResizable = 4, // may be resized or deleted
};

struct TValueData
{
    int16_t Level = 0;
    uint16_t Flags = VariableReadable | VariableWritable | VariableResizable;
    uint32_t Hash = 0;
    std::unique_ptr<TValueArrayCustom> Array;
};

} // namespace tsukimi
