#include "graphics/ARGB8888Manager.h"

#include "data/GameData.h"
#include "data/TextHelpers.h"

namespace tsukimi {
namespace {

bool IsRunTimeName(std::string_view name)
{
    return name.find("$$$") != std::string_view::npos;
}

} // namespace

TARGB8888Manager::TARGB8888Manager(uint64_t limit, TImageLoadOptions options)
    : TCache<TARGB8888>(limit), options_(std::move(options))
{}

std::string TARGB8888Manager::NormaliseName(std::string_view name) const
{
    return LowerText(name);
}

uint64_t TARGB8888Manager::ObjectSize(const TARGB8888& image) const
{
    return static_cast<uint64_t>(image.Width()) * static_cast<uint64_t>(image.Height()) * 4;
}

TARGB8888Manager::Pointer TARGB8888Manager::Decode(TMemoryStream& stream, size_t count,
                                                   std::string_view name) const
{
    const size_t start = stream.Position();
    const size_t length = count == 0 ? stream.Remaining() : std::min(count, stream.Remaining());
    auto image = std::make_shared<TARGB8888>();
    bool decoded = false;
    try {
        image->LoadFromBytes(stream.Bytes().subspan(start, length), name, options_);
        decoded = image->Buffer() != nullptr;
    } catch (const std::exception&) {
        decoded = false;
    }
    // Left after the payload whatever happened, so the caller can read on.
    stream.Seek(start + length);
    return decoded ? image : nullptr;
}

TARGB8888Manager::Pointer TARGB8888Manager::CreateObject(TMemoryStream& stream, size_t count,
                                                         std::string_view name)
{
    return Decode(stream, count, name);
}

TARGB8888Manager::Pointer TARGB8888Manager::GetImage(TMemoryStream& stream, size_t length,
                                                     std::string_view owner, std::string_view name)
{
    if (IsRunTimeName(name)) return Decode(stream, length, name);
    return GetOrCreate(stream, length, owner, name);
}

TARGB8888Manager::Pointer TARGB8888Manager::LoadImage(TGameData& data, std::string_view name)
{
    // "a/b.png" and "A\B.png" are one file and so one entry.
    const std::string normalised = TGameData::NormaliseName(name);
    if (!IsRunTimeName(normalised)) {
        if (Pointer cached = Get(normalised, true, true)) return cached;
    }
    std::optional<TMemoryStream> stream = data.LoadData(normalised);
    if (!stream) return nullptr;
    return GetImage(*stream, stream->Size(), {}, normalised);
}

} // namespace tsukimi
