#include "platform/Presenter.h"

#include <gtest/gtest.h>

#include <vector>

namespace tsukimi::platform {
namespace {

struct Frame
{
    Frame(int w, int h, uint32_t fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    FrameView View() const { return {pixels.data(), width, height, width}; }
    int width, height;
    std::vector<uint32_t> pixels;
};

TEST(HeadlessPresenter, OnlyChangedBandsAreConvertedUnlessForced)
{
    HeadlessPresenter presenter;
    Frame frame(13, 250, 0xFF102030u);
    PresentRequest request;
    request.frame = frame.View();
    request.dest = {0, 0, 13, 250};
    ASSERT_TRUE(presenter.Present(request));
    EXPECT_EQ(presenter.RowsConverted(), 250) << "the first present takes everything";
    EXPECT_EQ(presenter.Pitch() % 4, 0);
    EXPECT_GT(presenter.Pitch(), 13 * 4) << "a padded pitch";

    std::vector<uint8_t> bands = {0, 0, 0};
    request.force = false;
    request.bandRedraws = bands.data();
    request.bandCount = 3;
    frame.pixels.assign(frame.pixels.size(), 0xFFFFFFFFu);
    request.frame = frame.View();
    presenter.Present(request);
    EXPECT_EQ(presenter.RowsConverted(), 0) << "an unchanged frame copies nothing";
    EXPECT_EQ(presenter.Pixels()[0], 0xFF102030u);

    bands[2] = 1;
    presenter.Present(request);
    EXPECT_EQ(presenter.RowsConverted(), 50);
    EXPECT_EQ(presenter.Pixels()[199 * 13], 0xFF102030u);
    EXPECT_EQ(presenter.Pixels()[200 * 13], 0xFFFFFFFFu);

    request.force = true;
    presenter.Present(request);
    EXPECT_EQ(presenter.RowsConverted(), 250);
    EXPECT_EQ(presenter.ForcedCount(), 2);
}

TEST(HeadlessPresenter, HalfLineModeLeavesTheOtherParity)
{
    HeadlessPresenter presenter;
    Frame frame(4, 6, 0xFF000000u);
    presenter.Present(frame.View(), {0, 0, 4, 6});
    frame.pixels.assign(frame.pixels.size(), 0xFFFFFFFFu);
    PresentRequest request;
    request.frame = frame.View();
    request.force = true;
    request.halfLine = true;
    request.lineParity = 1;
    presenter.Present(request);
    EXPECT_EQ(presenter.Pixels()[0 * 4], 0xFF000000u);
    EXPECT_EQ(presenter.Pixels()[1 * 4], 0xFFFFFFFFu);
    EXPECT_EQ(presenter.RowsConverted(), 3);
}

TEST(HeadlessPresenter, FullScreenDepthPicksTheSurfaceFormat)
{
    HeadlessPresenter presenter;
    presenter.SetModes({{800, 600, 16, 60}, {800, 600, 32, 60}});
    EXPECT_TRUE(presenter.HasMode(800, 600, 0, 16));
    EXPECT_FALSE(presenter.HasMode(800, 600, 0, 24));
    EXPECT_TRUE(presenter.HasMode(0, 0, 60, 0));
    EXPECT_FALSE(presenter.EnterFullScreen(1024, 768, 32));
    ASSERT_TRUE(presenter.EnterFullScreen(800, 600, 16));
    EXPECT_EQ(presenter.Format(), SurfaceFormat::Rgb565);
    Frame frame(3, 1, 0xFFFF8040u);
    presenter.Present(frame.View(), {0, 0, 3, 1});
    EXPECT_EQ(presenter.Surface()[0] | presenter.Surface()[1] << 8, 0xFC08);
    presenter.EnterWindowed(800, 600);
    EXPECT_EQ(presenter.Format(), SurfaceFormat::Xrgb8888);
}

} // namespace
} // namespace tsukimi::platform
