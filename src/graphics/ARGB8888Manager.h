#pragma once
// The image cache: decoded images kept by payload name (lower-cased with
// the engine's LowerText, extension included) so that a payload decoded
// once, by any animation or by name, is not decoded again. Its byte budget
// is the setting CacheSize (SetLimit(CacheBudgetsFor(size).images)); an
// entry counts width x height x 4 bytes. There is one in the process,
// owned by the engine.
//
// Images handed out are shared: give each back with Release when done.
// A name containing "$$$" (a run-time image) is decoded every time and
// never cached; Release of such an image changes nothing and the caller's
// last pointer frees it.
#include "data/Cache.h"
#include "graphics/ARGB8888.h"

#include <string_view>

namespace tsukimi {

class TGameData;

class TARGB8888Manager : public TCache<TARGB8888>
{
public:
    explicit TARGB8888Manager(uint64_t limit = 0, TImageLoadOptions options = {});

    // The payload of `length` bytes at the stream's position, named `name`
    // (its extension picks the decoder; ".bmp", ".jpg", ".png", ".argb").
    // `owner` (the embedding file's path) is kept with the entry. On a hit
    // nothing is decoded and the payload's bytes are trusted by name. Null
    // when the payload does not decode, has another extension or leaves no
    // pixels; the stream is left after the payload in every case (a
    // `length` of 0 takes the rest of the stream).
    Pointer GetImage(TMemoryStream& stream, size_t length, std::string_view owner,
                     std::string_view name);
    // A data file by name through the locator (loose file or pack), decoded
    // straight from the stream the locator returns; null when it is not
    // found or does not decode.
    Pointer LoadImage(TGameData& data, std::string_view name);

    void SetLoadOptions(TImageLoadOptions options) { options_ = std::move(options); }
    const TImageLoadOptions& LoadOptions() const { return options_; }

protected:
    std::string NormaliseName(std::string_view name) const override;
    Pointer CreateObject(TMemoryStream& stream, size_t count, std::string_view name) override;
    uint64_t ObjectSize(const TARGB8888& image) const override;

private:
    // Decodes without the cache; null when nothing decoded.
    Pointer Decode(TMemoryStream& stream, size_t count, std::string_view name) const;

    TImageLoadOptions options_;
};

} // namespace tsukimi
