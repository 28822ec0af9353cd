// Pack archives from arbitrary bytes: open, look every entry up by name and
// load it. Nothing may crash, hang or allocate beyond the input's reach.
#include "data/FilePack.h"
#include "data/MemoryFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tsukimi;
    TFilePack pack(std::make_unique<TMemoryFile>(std::vector<uint8_t>(data, data + size)));
    if (pack.Bad()) return 0;
    pack.SetCrcFailure([](const std::string&) {});
    constexpr size_t MaxEntries = 64;
    for (size_t i = 0; i < pack.Count() && i < MaxEntries; ++i) {
        pack.IndexOf(pack.Entries()[i].name);
        for (bool crc : {true, false}) {
            pack.SetCrcCheck(crc);
            pack.LoadEntry(i);
        }
    }
    pack.IndexOf("startup.s");
    return 0;
}
