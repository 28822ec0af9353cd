#pragma once
// Builds pack archives (versions 1, 2 and 3) and their external ".hash"
// name indexes in memory, exactly as the reader expects them. Used by the
// pack tool and by tests.
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tsukimi {

enum class PackCompression : uint8_t { None, Auto, All };

struct TPackWriteOptions
{
    int format = 3;                                      // 1, 2 or 3
    PackCompression compression = PackCompression::Auto; // Auto: when smaller
    uint32_t scramble = 3;      // 0 none, 1 block, 2 and 3 the pack scramblers
    bool externalIndex = false; // also build the ".hash" index
};

struct TPackSource
{
    std::string name; // engine form: Shift-JIS, "\" separators, lower-cased
    std::vector<uint8_t> data;
};

struct TBuiltPack
{
    std::vector<uint8_t> pack;
    std::optional<std::vector<uint8_t>> index; // the ".hash" file, when asked for
};

// Thrown for options or entries a pack cannot hold (a bad format or
// scramble type, an empty, duplicate or over-long name, an entry of 4 GiB).
class PackWriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Entries are stored in the order given; that is the index order.
TBuiltPack BuildPack(std::span<const TPackSource> entries, const TPackWriteOptions& options);

} // namespace tsukimi
