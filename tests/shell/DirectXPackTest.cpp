#include "shell/DirectXPack.h"

#include "platform/Dialogs.h"
#include "platform/Window.h"
#include "shell/MessageTable.h"
#include "shell/SystemData.h"
#include "shell/SystemDialogs.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

using platform::DisplayMode;

std::vector<DisplayMode> Modes(std::initializer_list<std::pair<int, int>> sizes, std::vector<int> depths = {32, 16})
{
    std::vector<DisplayMode> out;
    for (auto [w, h] : sizes)
        for (int d : depths)
            out.push_back({w, h, d, 60});
    return out;
}

TEST(FullScreenModeChoice, ExamplesAndFailures)
{
    TUserSettings user;
    user.ManualAspectMode = 0;
    const auto modes = Modes({{640, 480}, {800, 600}, {1280, 1024}, {1600, 1280}, {1024, 768}});
    auto chosen = ChooseFullScreenMode(modes, {1280, 1024}, 800, 600, user);
    ASSERT_TRUE(chosen.Mode);
    EXPECT_EQ(*chosen.Mode, (DisplayMode{1280, 1024, 32, 0})) << "the smallest 5:4 mode of at least 800 x 600";

    user.ManualAspectMode = 1; // the 4:3 reference size
    chosen = ChooseFullScreenMode(modes, {1280, 1024}, 800, 600, user);
    ASSERT_TRUE(chosen.Mode);
    EXPECT_EQ(chosen.Mode->width, 800);

    user.ColorMode = 0;
    chosen = ChooseFullScreenMode(modes, {1280, 1024}, 800, 600, user);
    EXPECT_EQ(chosen.Mode->depth, 16);
    chosen = ChooseFullScreenMode(Modes({{800, 600}}, {32}), {1280, 1024}, 800, 600, user);
    EXPECT_STREQ(chosen.Error, "FullScreenError") << "neither 16 nor 15 bits";

    user.ColorMode = 1;
    chosen = ChooseFullScreenMode(Modes({{640, 480}}), {1280, 1024}, 800, 600, user);
    EXPECT_STREQ(chosen.Error, "FullScreenError") << "nothing large enough";

    user.NoChangeSizeFullScreenMode = 1;
    chosen = ChooseFullScreenMode(modes, {640, 480}, 800, 600, user);
    EXPECT_STREQ(chosen.Error, "FullScreenSmallSizeError");
    chosen = ChooseFullScreenMode(modes, {1280, 1024}, 800, 600, user);
    EXPECT_EQ(*chosen.Mode, (DisplayMode{1280, 1024, 32, 0})) << "the desktop size";
}

class DirectXPackTest : public ::testing::Test
{
protected:
    DirectXPackTest()
    {
        headlessDialogs.SetQuiet(true);
        messages.Load("FullScreenSmallSizeError=Too small\r\nFullScreenError=No mode\r\n");
        settings.Game.ScreenWidth = 800;
        settings.Game.ScreenHeight = 600;
    }
    platform::HeadlessWindow window;
    platform::HeadlessPresenter presenter;
    platform::HeadlessDialogs headlessDialogs;
    std::string title = "T";
    TSystemDialogs dialogs{headlessDialogs, title};
    TMessageTable messages;
    TSystemData settings;
};

TEST_F(DirectXPackTest, LetterboxedMappingBothWays)
{
    settings.User.AspectStretchBlt = 1;
    TDirectXPack pack(window, presenter, settings, &dialogs, &messages);
    window.SetClientSize(1000, 600);
    pack.UpdateGameRect();
    EXPECT_EQ(pack.GameRect(), (platform::Rect{100, 0, 900, 600}));
    EXPECT_FLOAT_EQ(pack.ScaleX(), 1.0f);

    window.SetClientSize(1280, 1024);
    pack.UpdateGameRect();
    EXPECT_EQ(pack.GameRect(), (platform::Rect{0, 32, 1280, 992}));
    EXPECT_FLOAT_EQ(pack.ScaleX(), 1.6f);
    EXPECT_EQ(pack.WindowToGame(640, 20), (TPoint{400, 0}));
    EXPECT_EQ(pack.WindowToGame(5000, 5000), (TPoint{800, 600}));
    EXPECT_EQ(pack.GameToWindow(400, 300), (TPoint{640, 512}));
    EXPECT_EQ(pack.GameToWindow(-50, 9999), (TPoint{0, 992}));

    // A minimised window (zero client) keeps the last mapping.
    window.SetClientSize(0, 0);
    pack.UpdateGameRect();
    EXPECT_EQ(pack.GameRect(), (platform::Rect{0, 32, 1280, 992}));
}

TEST_F(DirectXPackTest, WithoutStretchTheImageIsCentredUnscaled)
{
    TDirectXPack pack(window, presenter, settings);
    window.SetClientSize(1000, 700);
    pack.UpdateGameRect();
    EXPECT_EQ(pack.GameRect(), (platform::Rect{100, 50, 900, 650}));
    EXPECT_EQ(pack.WindowToGame(100, 50), (TPoint{0, 0}));
}

TEST_F(DirectXPackTest, ExclusiveFullScreenAndToggling)
{
    presenter.SetModes(Modes({{800, 600}, {1024, 768}}));
    TDirectXPack pack(window, presenter, settings, &dialogs, &messages);
    int before = 0, after = 0;
    pack.SetSwitchCallbacks([&] { ++before; }, [&] { ++after; });
    settings.User.FullScreen = 5; // any non-zero value means full screen
    pack.ApplyScreenMode();
    EXPECT_TRUE(presenter.FullScreen());
    EXPECT_EQ(settings.User.FullScreen, 1);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    pack.ToggleFullScreen();
    EXPECT_FALSE(presenter.FullScreen());
    EXPECT_EQ(settings.User.FullScreen, 0);
    EXPECT_EQ(window.ClientSize(), (platform::Size{800, 600}));
    EXPECT_TRUE(headlessDialogs.History().empty());
}

TEST_F(DirectXPackTest, FailuresFallBackToTheWindowAfterOneMessage)
{
    // Full screen as a window on a desktop smaller than the game.
    settings.User.FullScreenDispMode = 1;
    settings.User.FullScreen = 1;
    TDirectXPack pack(window, presenter, settings, &dialogs, &messages);
    pack.SetDesktopSize({640, 480});
    pack.ApplyScreenMode();
    ASSERT_EQ(headlessDialogs.History().size(), 1u);
    EXPECT_EQ(headlessDialogs.History()[0].text, "Too small");
    EXPECT_EQ(settings.User.FullScreen, 0);
    EXPECT_FALSE(presenter.DesktopFullScreen());

    // Exclusive full screen without a mode.
    settings.User.FullScreenDispMode = 0;
    settings.User.FullScreen = 1;
    pack.ApplyScreenMode();
    ASSERT_EQ(headlessDialogs.History().size(), 2u);
    EXPECT_EQ(headlessDialogs.History()[1].text, "No mode");
    EXPECT_EQ(settings.User.FullScreen, 0);

    // Full screen as a window on a large desktop: stays on top, no message.
    settings.User.FullScreenDispMode = 1;
    settings.User.FullScreen = 1;
    pack.SetDesktopSize({1920, 1080});
    pack.ApplyScreenMode();
    EXPECT_TRUE(presenter.DesktopFullScreen());
    EXPECT_TRUE(presenter.OnTop());
    EXPECT_EQ(headlessDialogs.History().size(), 2u);
}

TEST_F(DirectXPackTest, SmallDesktopsAreNotRecorded)
{
    TDirectXPack pack(window, presenter, settings);
    pack.SetDesktopSize({1280, 1024});
    pack.SetDesktopSize({319, 240});
    EXPECT_EQ(pack.DesktopSize(), (platform::Size{1280, 1024}));
}

} // namespace
} // namespace tsukimi
