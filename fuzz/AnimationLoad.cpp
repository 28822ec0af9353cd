// Animation files (".b", every layout) from arbitrary bytes. Nothing may
// crash or read past the input; what loads must play: a few frames are
// advanced and every layer state computed, and a loaded animation must
// survive a write and read in the current layout with the same keys.
#include "data/MTRandom.h"
#include "graphics/ARGB8888Manager.h"
#include "scene/AnimationBMP.h"
#include "scene/AnimationWriter.h"
#include "scene/MotionDataManager.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace tsukimi;

void Play(TAnimationBMP& animation)
{
    const int motions = static_cast<int>(animation.Data().motions.size());
    for (int m = 0; m < motions && m < 4; ++m) {
        animation.SelectMotion(m, false);
        for (float step : {0.0f, 16.0f, 120.0f, 1000.0f}) {
            animation.Advance(step, false);
            (void)animation.Frame();
        }
        animation.Advance(2500.0f, true);
        (void)animation.Frame();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TImageLoadOptions options;
    options.limits.maxPixels = int64_t{1} << 20;
    TARGB8888Manager images(1 << 22, options);
    TMotionDataManager motions(1 << 22);
    TRandomTable table;
    TMTRandom generator;
    table.Fill(generator);
    TAnimationContext context;
    context.images = &images;
    context.motionData = &motions;
    context.randomTable = &table;
    TAnimationBMP animation(context, true);
    TMemoryStream stream(data, size);
    if (!animation.Load(stream, "fuzz.b")) return 0;
    Play(animation);

    std::vector<uint8_t> written;
    try {
        written = WriteAnimationFile(animation.Data(), animation.Images(), animation.Sounds());
    } catch (const AnimationWriteError&) {
        return 0;
    }
    TAnimationBMP again(TAnimationContext{nullptr, nullptr, nullptr, &table, nullptr, {}}, true);
    TMemoryStream copy(written);
    if (!again.Load(copy, "copy.b")) __builtin_trap();
    const auto& a = animation.Data().motions;
    const auto& b = again.Data().motions;
    if (a.size() != b.size()) __builtin_trap();
    for (size_t m = 0; m < a.size(); ++m) {
        if (a[m]->layers.size() != b[m]->layers.size()) __builtin_trap();
        for (size_t l = 0; l < a[m]->layers.size(); ++l)
            if (a[m]->layers[l]->keys != b[m]->layers[l]->keys) __builtin_trap();
    }
    return 0;
}
