#pragma once
// Writes animations in the current file layout: "abmp12" with an "abdata13"
// data block (frame step included), "abmotion10" motions, "ablayer17"
// layers of 162-byte keys, "abimgdat13" image records and "absnddat11"
// sound records. Payloads are the entries' kept bytes.
#include "scene/AnimationTree.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace tsukimi {

// A tree that the layout cannot hold (more than 255 motions, layers, keys,
// images or sounds; a payload of 4 GiB or more).
class AnimationWriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

std::vector<uint8_t> WriteAnimationFile(const TABMPData10& data, const TABMPImage10& images,
                                        const TABMPSound10& sounds);

} // namespace tsukimi
