#pragma once
// The readable JSON form of an animation: canvas, length, loop, motions by
// name, layers, keys with named fields (only what differs from a new key's
// default need be written), and images and sounds embedded from files (or
// inline as base64, which is how `dump` writes them).
#include "Json.h"
#include "scene/AnimationTree.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace tsukimi::anim {

// A problem with the source; the message says where.
class SourceError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct TAnimationSource
{
    std::shared_ptr<TABMPData10> data;
    std::unique_ptr<TABMPImage10> images;
    std::unique_ptr<TABMPSound10> sounds;
};

// Files named by "file" are read from `folder`.
TAnimationSource SourceFromJson(const JsonValue& root, const std::filesystem::path& folder);
JsonValue SourceToJson(const TABMPData10& data, const TABMPImage10& images,
                       const TABMPSound10& sounds);

std::string Base64Encode(std::span<const uint8_t> bytes);
// Throws SourceError on characters outside the alphabet or a bad length.
std::vector<uint8_t> Base64Decode(std::string_view text);

} // namespace tsukimi::anim
