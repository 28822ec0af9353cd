#pragma once
// The motion data cache: parsed data blocks of animation files, shared by
// every animation that opens the same file. Keys are the animation's path +
// "_Data", compared lower-cased; an entry counts 57 bytes per key.
#include "data/Cache.h"
#include "scene/AnimationTree.h"

namespace tsukimi {

class TMotionDataManager : public TCache<TABMPData10>
{
public:
    using TCache::TCache;

    static std::string KeyFor(std::string_view animationPath)
    {
        return std::string(animationPath) + "_Data";
    }
    // Number of data blocks parsed (not taken from the cache) through it.
    uint64_t Parsed() const { return parsed_; }
    void CountParse() { ++parsed_; }

protected:
    std::string NormaliseName(std::string_view name) const override;
    // Blocks are parsed by the animation loader and added; never made here.
    Pointer CreateObject(TMemoryStream&, size_t, std::string_view) override { return nullptr; }
    uint64_t ObjectSize(const TABMPData10& data) const override { return data.KeyCount() * 57; }

private:
    uint64_t parsed_ = 0;
};

} // namespace tsukimi
