#pragma once
// A random-access file held in memory: packs built in memory, tests and fuzzing
// open through it exactly as through a file on disk.
#include "platform/FileSystem.h"

#include <cstdint>
#include <vector>

namespace tsukimi {

class TMemoryFile : public platform::RandomAccessFile
{
public:
    explicit TMemoryFile(std::vector<uint8_t> bytes) : Bytes(std::move(bytes)) {}
    uint64_t Size() const override { return Bytes.size(); }
    bool ReadAt(uint64_t offset, void* buffer, size_t size) const override;

private:
    std::vector<uint8_t> Bytes;
};

} // namespace tsukimi
