#include "data/MemoryFile.h"

#include <cstring>

namespace tsukimi {

bool TMemoryFile::ReadAt(uint64_t offset, void* buffer, size_t size) const
{
    if (offset > Bytes.size() || size > Bytes.size() - offset) return false;
    if (size > 0) std::memcpy(buffer, Bytes.data() + offset, size);
    return true;
}

} // namespace tsukimi
