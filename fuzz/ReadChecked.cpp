// Fuzz target: the checksummed wrapper reader, over a stream of wrappers.
#include "data/BlockTransforms.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tsukimi::TMemoryStream in(data, size);
    while (true) {
        const size_t before = in.Position();
        std::optional<tsukimi::TMemoryStream> payload = tsukimi::ReadChecked(in);
        if (!payload) {
            if (in.Position() != before) std::abort();
            break;
        }
        if (in.Position() != before + 12 + payload->Size() || payload->Position() != 0)
            std::abort();
        tsukimi::TMemoryStream again;
        tsukimi::WriteChecked(payload->Bytes(), again);
        if (!std::equal(again.Bytes().begin(), again.Bytes().end(), data + before)) std::abort();
    }
    return 0;
}
