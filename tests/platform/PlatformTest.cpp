#include "platform/Platform.h"

#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace tsukimi::platform {
namespace {

using tsukimi::testing::TempDir;

TEST(HeadlessPlatformTest, DeterministicParts)
{
    TempDir temp;
    temp.Write("System/etc/Game.dat", "x");
    auto platform = CreateHeadlessPlatform(temp.Path().string(), 0xFFFFFFFFu);
    ASSERT_NE(platform, nullptr);
    EXPECT_TRUE(platform->headless);
    EXPECT_EQ(platform->clock->Now(), 0xFFFFFFFFu);
    EXPECT_TRUE(platform->files->Exists("system\\ETC\\game.dat"));
    EXPECT_EQ(platform->files->RootPath(), temp.Path().string());

    auto& dialogs = static_cast<HeadlessDialogs&>(*platform->dialogs);
    dialogs.SetQuiet(true);
    dialogs.QueueAnswer(2);
    EXPECT_EQ(dialogs.Show("t", "a%%%nb", {"x", "y", "z"}), 2);
    EXPECT_EQ(dialogs.Show("t", "again", {"OK"}), 0);
    ASSERT_EQ(dialogs.History().size(), 2u);
    EXPECT_EQ(dialogs.History()[0].text, "a%%%nb");
    EXPECT_EQ(dialogs.History()[0].buttons.size(), 3u);

    // Moving a platform keeps its parts.
    Platform moved = std::move(*platform);
    EXPECT_NE(moved.files, nullptr);
}

TEST(HeadlessDialogsTest, PrintsTheTextWithLineBreaks)
{
    HeadlessDialogs dialogs;
    ::testing::internal::CaptureStderr();
    dialogs.Show("\x83\x5C\x83\x74\x83\x67", "line1%%%nline2", {"OK"});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "ソフト: line1\nline2\n");
}

TEST(RealPlatformTest, RunsOnTheDummyVideoDriver)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    TempDir temp;
    std::string error;
    auto platform = CreateRealPlatform(temp.Path().string(), &error);
    ASSERT_NE(platform, nullptr) << error;
    EXPECT_FALSE(platform->headless);
    Window& window = *platform->window;
    window.SetClientSize(64, 48);
    EXPECT_EQ(window.ClientSize(), (Size{64, 48}));
    EXPECT_GT(window.DesktopSize().width, 0);
    window.SetCaption("\x83\x5C\x83\x74\x83\x67");
    const std::vector<uint32_t> icon(16 * 16, 0xFFFF0000);
    window.SetIcon(icon.data(), 16, 16);
    EXPECT_FALSE(window.IsShowing());
    EXPECT_FALSE(window.IsActive());
    window.Show();
    EXPECT_TRUE(window.IsShowing());
    EXPECT_TRUE(window.IsActive());

    Presenter& presenter = *platform->presenter;
    ASSERT_TRUE(presenter.Ready());
    presenter.SetVSync(false);
    presenter.Clear();
    std::vector<uint32_t> pixels(32 * 24, 0xFF336699);
    const FrameView frame{pixels.data(), 32, 24, 32};
    EXPECT_TRUE(presenter.Present(frame, Rect{0, 0, 64, 48}));
    EXPECT_TRUE(presenter.Present(frame, Rect{8, 8, 40, 32}));
    EXPECT_FALSE(presenter.Present(FrameView{}, Rect{0, 0, 64, 48}));
    window.PollEvents();

    window.Minimise();
    EXPECT_TRUE(window.IsMinimised());
    EXPECT_FALSE(window.IsActive());
    window.Restore();
    EXPECT_FALSE(window.IsMinimised());
    platform.reset();

    // SDL can be brought up again after a clean shutdown.
    EXPECT_NE(CreateRealPlatform(temp.Path().string(), &error), nullptr) << error;
}

} // namespace
} // namespace tsukimi::platform
