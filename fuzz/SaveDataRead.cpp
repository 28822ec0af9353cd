// Save file, memory save slot and system data parsers from arbitrary bytes.
// Each input is tried as a whole file and, since mutations rarely keep the
// wrapper's checksum right, also as the payload inside a fresh wrapper.
// Nothing may crash or read past the input; a failed read must leave the
// stream where it was; what loads must write back to something that loads
// the same.
#include "data/BlockTransforms.h"
#include "script/ZanSaveData.h"
#include "script/ZanStackSaveData.h"
#include "script/ZanSystemDataFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace tsukimi;

constexpr uint32_t Key = 0x5A3C71;
// Small caps keep announced sizes from costing time.
constexpr uint32_t MaxBody = 1 << 20;

void Require(bool condition)
{
    if (!condition) std::abort();
}

std::vector<uint8_t> Wrapped(const uint8_t* data, size_t size)
{
    TMemoryStream stream;
    WriteChecked(std::span<const uint8_t>(data, size), stream);
    return stream.TakeBytes();
}

void CheckSave(const std::vector<uint8_t>& file)
{
    TZanSaveData save(Key, MaxBody);
    TMemoryStream stream(file);
    if (!save.ReadFromStream(stream, true, true)) {
        Require(stream.Position() == 0 && !save.HasBody());
        return;
    }
    Require(save.Body().size() <= MaxBody);
    const std::vector<uint8_t> again = save.FileBytes(save.Scrambled(), save.Compressed());
    TZanSaveData reread(Key, MaxBody);
    TMemoryStream againStream(again);
    Require(reread.ReadFromStream(againStream, true, true));
    Require(std::equal(save.Body().begin(), save.Body().end(), reread.Body().begin(),
                       reread.Body().end()));
    for (int i = 0; i < 7; ++i)
        Require(reread.Description(i) == CutDescriptionText(save.Description(i)));
}

void CheckSlots(const uint8_t* data, size_t size)
{
    TZanStackSaveData slots;
    TMemoryStream stream(data, size);
    if (!slots.LoadFromStream(stream)) {
        Require(stream.Position() == 0 && slots.Count() == 0);
        return;
    }
    // The stream form is canonical: writing gives back what was read.
    TMemoryStream again;
    slots.SaveToStream(again);
    Require(again.Size() == stream.Position());
    Require(std::equal(again.Bytes().begin(), again.Bytes().end(), data));
}

void CheckSystemData(const std::vector<uint8_t>& file)
{
    const TZanSystemDataFile parser(Key, MaxBody);
    const std::optional<TSystemDataPayload> payload = parser.Parse(file);
    if (!payload) return;
    const std::optional<TSystemDataPayload> again = parser.Parse(parser.Build(*payload));
    Require(again && again->SystemStore == payload->SystemStore &&
            again->FileLog == payload->FileLog && again->ReadTextLog == payload->ReadTextLog);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> raw(data, data + size);
    const std::vector<uint8_t> wrapped = Wrapped(data, size);
    CheckSave(raw);
    CheckSave(wrapped);
    CheckSlots(data, size);
    CheckSystemData(raw);
    CheckSystemData(wrapped);
    return 0;
}
