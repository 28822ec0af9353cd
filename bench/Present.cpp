// Presenting a 1280 x 720 frame through the real presenter. The video
// driver comes from the environment (SDL_VIDEODRIVER=dummy, or x11 with a
// DISPLAY such as an Xvfb server).
#include "platform/Platform.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

using namespace tsukimi::platform;

struct Output
{
    Output()
    {
        if (!std::getenv("SDL_VIDEODRIVER"))
            setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
        std::string error;
        platform = CreateRealPlatform("/tmp", &error);
        if (platform) {
            platform->window->SetClientSize(1280, 720);
            platform->window->Show();
        }
    }
    std::unique_ptr<Platform> platform;
};

Output& TheOutput()
{
    static Output output;
    return output;
}

void Run(benchmark::State& state, bool changed)
{
    auto& output = TheOutput();
    if (!output.platform) {
        state.SkipWithError("no video output");
        return;
    }
    std::vector<uint32_t> frame(1280 * 720);
    std::vector<uint8_t> bands(8, changed ? 1 : 0);
    PresentRequest request;
    request.frame = {frame.data(), 1280, 720, 1280};
    request.dest = {0, 0, 1280, 720};
    output.platform->presenter->Present(request);
    request.force = false;
    request.bandRedraws = bands.data();
    request.bandCount = 8;
    uint32_t colour = 0;
    for (auto _ : state) {
        if (changed) {
            ++colour;
            frame[(colour * 7919u) % frame.size()] = colour;
        }
        output.platform->presenter->Present(request);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_PresentChangedFrame(benchmark::State& state) { Run(state, true); }
void BM_PresentUnchangedFrame(benchmark::State& state) { Run(state, false); }

BENCHMARK(BM_PresentChangedFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PresentUnchangedFrame)->Unit(benchmark::kMicrosecond);

} // namespace
