// Hash table files from arbitrary bytes, into tables of both bucket counts
// the engine uses; a table that loads is looked up and, when small, saved
// and loaded again (it must come back with the same entries).
#include "data/HashTable.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tsukimi;
    for (uint32_t buckets : {256u, 512u}) {
        THashTable table(buckets);
        TMemoryStream input(data, size);
        if (!table.LoadFromStream(input)) continue;
        uint8_t value[8];
        table.Find("startup.s", value, sizeof value);
        table.Find("a", value, 2);
        // Compressing a table again costs far more than reading it; only
        // small ones (whose input expanded little) make the round trip.
        if (size > 512 || table.PayloadSize() > 1024 || table.Count() > 64) continue;
        TMemoryStream saved;
        table.SaveToStream(saved);
        saved.Rewind();
        THashTable again(buckets);
        if (!again.LoadFromStream(saved) || again.Count() != table.Count()) std::abort();
    }
    return 0;
}
