// The real presenter in a real X window (a private Xvfb server).
#include "platform/Platform.h"
#include "platform/SdlPresenter.h"
#include "platform/SdlWindow.h"
#include "support/XvfbServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace tsukimi::platform {
namespace {

TEST(XvfbPresenter, AKnownFrameReachesTheWindowWithBlackBorders)
{
    TSUKIMI_IGNORE_SYSTEM_LEAKS;
    testing::XvfbServer server;
    if (!server.Running())
        GTEST_SKIP() << "Xvfb is not installed";
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
    std::string error;
    auto platform = CreateRealPlatform("/tmp", &error);
    ASSERT_TRUE(platform) << error;
    platform->window->SetClientSize(64, 48);
    platform->window->Show();
    auto& presenter = dynamic_cast<SdlPresenter&>(*platform->presenter);
    ASSERT_TRUE(presenter.Ready());

    std::vector<uint32_t> frame(16 * 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
            frame[static_cast<size_t>(y) * 16 + x] = uint32_t(x * 16) << 16 | uint32_t(y * 16) << 8 | 0x40;
    // Scaled 2x into the middle of a 64 x 48 client, nearest filtering.
    for (int round = 0; round < 2; ++round) {
        presenter.CaptureNextPresent();
        ASSERT_TRUE(presenter.Present({frame.data(), 16, 12, 16}, {16, 12, 48, 36}));
    }
    const auto& shot = presenter.Captured();
    ASSERT_EQ(presenter.CapturedSize(), (Size{64, 48}));
    ASSERT_EQ(shot.size(), 64u * 48u);
    auto at = [&](int x, int y) { return shot[static_cast<size_t>(y) * 64 + x] & 0xFFFFFFu; };
    EXPECT_EQ(at(0, 0), 0u) << "border";
    EXPECT_EQ(at(15, 20), 0u) << "border";
    EXPECT_EQ(at(48, 20), 0u) << "border";
    EXPECT_EQ(at(30, 36), 0u) << "border";
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(at(16 + 2 * x, 12 + 2 * y), frame[static_cast<size_t>(y) * 16 + x] & 0xFFFFFFu)
                << x << "," << y;
    EXPECT_EQ(at(17, 13), frame[0] & 0xFFFFFFu) << "nearest: the pixel is doubled";
}

} // namespace
} // namespace tsukimi::platform

namespace tsukimi::platform {
namespace {

uint32_t SurfacePixel(SDL_Window* window, int x, int y)
{
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    uint32_t value = 0;
    SDL_LockSurface(surface);
    const auto* row = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch;
    uint8_t r, g, b;
    uint32_t raw = 0;
    std::memcpy(&raw, row + x * surface->format->BytesPerPixel, surface->format->BytesPerPixel);
    SDL_GetRGB(raw, surface->format, &r, &g, &b);
    value = uint32_t{r} << 16 | uint32_t{g} << 8 | b;
    SDL_UnlockSurface(surface);
    return value;
}

TEST(XvfbPresenter, WindowSurfacePathCopiesOnlyChangedBands)
{
    TSUKIMI_IGNORE_SYSTEM_LEAKS;
    testing::XvfbServer server;
    if (!server.Running())
        GTEST_SKIP() << "Xvfb is not installed";
    setenv("SDL_VIDEODRIVER", "x11", 1);
    std::string error;
    auto platform = CreateRealPlatform("/tmp", &error);
    ASSERT_TRUE(platform) << error;
    platform->window->SetClientSize(40, 250);
    platform->window->Show();
    auto& presenter = *platform->presenter;
    presenter.SetWindowSurfaceMode(true);
    SDL_Window* window = dynamic_cast<SdlWindow&>(*platform->window).Handle();

    std::vector<uint32_t> frame(40 * 250, 0xFF204060u);
    PresentRequest request;
    request.frame = {frame.data(), 40, 250, 40};
    request.dest = {0, 0, 40, 250};
    ASSERT_TRUE(presenter.Present(request));
    EXPECT_EQ(SurfacePixel(window, 5, 5), 0x204060u);

    std::fill(frame.begin(), frame.end(), 0xFFFFFFFFu);
    std::vector<uint8_t> bands = {0, 0, 0};
    request.force = false;
    request.bandRedraws = bands.data();
    request.bandCount = 3;
    ASSERT_TRUE(presenter.Present(request));
    EXPECT_EQ(SurfacePixel(window, 5, 5), 0x204060u) << "an unchanged frame copies nothing";
    bands[1] = 1;
    ASSERT_TRUE(presenter.Present(request));
    EXPECT_EQ(SurfacePixel(window, 5, 99), 0x204060u);
    EXPECT_EQ(SurfacePixel(window, 5, 100), 0xFFFFFFu) << "the changed band";
    EXPECT_EQ(SurfacePixel(window, 5, 200), 0x204060u);
}

} // namespace
} // namespace tsukimi::platform
