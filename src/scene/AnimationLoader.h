#pragma once
// Reads animation files into a TAnimationBMP: the "abmp10".."abmp12"
// layouts with their data, image and sound blocks, the older "ABMP7"
// layout, the widening and migration of older key records, and the
// wrapping of one image file as a one-motion animation.
//
// Every count and length is checked against what remains before it is
// used; a record that does not fit fails, and a failing section restores
// the stream position so that the next version can be tried.
#include "data/MemoryStream.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace tsukimi {

class TAnimationBMP;
class TABMPData10;
class TABMPLayer10;
class TABMPMotion10;

// The 16-byte (or 8-byte) zero-padded magic at the stream's position, when
// it is one of `tags`: its index, and the stream moves past it. Otherwise
// -1 and the position is unchanged.
int MatchMagic(TMemoryStream& stream, std::initializer_list<std::string_view> tags,
               size_t width = 16);

class TAnimationLoader
{
public:
    explicit TAnimationLoader(TAnimationBMP& animation) : animation_(animation) {}

    // ".b" files: abmp12, abmp11, abmp10, then ABMP7.
    bool LoadAnimationFile(TMemoryStream& stream);
    // One image or movie file as a one-motion animation.
    bool LoadImageFile(TMemoryStream& stream, std::string_view fileName);

private:
    bool ReadAbmp(TMemoryStream& stream, int version);
    bool ReadAbmp7(TMemoryStream& stream);
    // The data block at the stream's position, whose L bytes are known to
    // remain; the stream is left at the block's end. `fresh` tells whether
    // it was parsed now (not taken from the cache).
    std::shared_ptr<TABMPData10> ReadDataBlock(TMemoryStream& stream, bool& fresh, bool& parsed);
    void ParseData(TMemoryStream& block, int dataVersion, TABMPData10& data);
    bool ParseMotion(TMemoryStream& block, TABMPData10& data);
    bool ParseLayer(TMemoryStream& block, TABMPMotion10& motion);
    void ParseAbmp7Motions(TMemoryStream& block, size_t count, TABMPData10& data);
    bool ReadImageBlock(TMemoryStream& stream);
    bool ReadImageRecord(TMemoryStream& stream);
    bool ReadSoundBlock(TMemoryStream& stream);
    bool ReadSoundRecord(TMemoryStream& stream);
    void DecodeImagePayload(TMemoryStream& stream, size_t length, size_t index,
                            const std::string& payloadName);
    void Migrate(TABMPData10& data, int fileVersion);
    uint32_t NextSeed();
    std::shared_ptr<TABMPData10> NewData();
    void CacheData(const std::shared_ptr<TABMPData10>& data);
    void ClearTree();

    TAnimationBMP& animation_;
};

} // namespace tsukimi
