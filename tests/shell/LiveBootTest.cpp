// The boot through its real steps: packs, message table, definition files
// and the player's settings.
#include "shell/EngineTexts.h"
#include "support/EngineFixture.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

using testing::EngineFixture;

const char kGameDat[] = "GameTitle=Moon Viewing\r\nScreenWidth=320\r\nScreenHeight=200\r\nFormCaption=%%%fps\r\n";

TEST(LiveBoot, MissingGameDefinitionShowsItsTextAndFails)
{
    EngineFixture f;
    f.WritePack({{"startup.s", "@@top\r\n"}});
    f.RecreateForm();
    EXPECT_EQ(f.form->Run(), 1);
    ASSERT_EQ(f.Dialogs().History().size(), 1u);
    EXPECT_EQ(f.Dialogs().History()[0].text.rfind("\x83\x47\x83\x93\x83\x57\x83\x93", 0), 0u);
}

TEST(LiveBoot, BadPackShowsThePackageText)
{
    EngineFixture f;
    f.dir.Write("GameData/data0.pack", "not a pack at all");
    f.RecreateForm();
    EXPECT_EQ(f.form->Run(), 1);
    ASSERT_EQ(f.Dialogs().History().size(), 1u);
    EXPECT_EQ(f.Dialogs().History()[0].text.rfind("\x8b\x4e\x93\xae", 0), 0u);
}

TEST(LiveBoot, WindowTakesSizePositionAndCaptionFromTheGameDefinition)
{
    EngineFixture f;
    f.WritePack({{"system\\etc\\game.dat", kGameDat}});
    f.RecreateForm();
    f.form->AppIdle();
    ASSERT_EQ(f.form->BootState(), 1u);
    EXPECT_EQ(f.Window().ClientSize(), (platform::Size{320, 200}));
    EXPECT_EQ(f.Window().Left(), (1920 - 320) / 2);
    EXPECT_EQ(f.Window().Top(), (1080 - 200) / 2);
    EXPECT_EQ(f.Window().Caption(), "Moon Viewing");
    EXPECT_EQ(f.form->AppTitle(), "Moon Viewing");
}

TEST(LiveBoot, OutOfRangeScreenSizesFallBackTo800x600)
{
    for (const char* size : {"ScreenWidth=0\r\nScreenHeight=-5\r\n", "ScreenWidth=5000\r\nScreenHeight=4097\r\n"}) {
        EngineFixture f;
        f.WritePack({{"system\\etc\\game.dat", size}});
        f.RecreateForm();
        f.form->AppIdle();
        EXPECT_EQ(f.Window().ClientSize(), (platform::Size{800, 600})) << size;
    }
}

TEST(LiveBoot, MessageTableDrivesTheCloseQuestion)
{
    EngineFixture f;
    f.WritePack({{"system\\etc\\game.dat", kGameDat},
                 {"system\\etc\\message.txt", "APPCLOSE_Text=Leave %%%app?\r\nAPPCLOSE_Cancel=Stay\r\n"}});
    f.RecreateForm();
    f.form->AppIdle();
    f.Dialogs().QueueAnswer(2);
    EXPECT_FALSE(f.form->Close());
    ASSERT_EQ(f.Dialogs().History().size(), 1u);
    EXPECT_EQ(f.Dialogs().History()[0].text, "Leave Moon Viewing?");
    EXPECT_EQ(f.Dialogs().History()[0].caption, "Moon Viewing");
    EXPECT_EQ(f.Dialogs().History()[0].buttons, (std::vector<std::string>{"Yes", "No", "Stay"}));
}

TEST(LiveBoot, PlayerSettingsAreReadAndWrittenBackAtShutdown)
{
    EngineFixture f;
    f.WritePack({{"system\\etc\\game.dat", kGameDat}, {"startup.s", "@@reset\r\n@@top\r\n\\clk\r\n"}});
    f.dir.Write("GameData/System/config.txt", "# mine\r\nfpslimit=500\r\nOther=1\r\n");
    f.RecreateForm();
    f.form->AppIdle();
    EXPECT_EQ(f.form->Settings().User.FPSLimit, 500);
    f.Ticks(2);
    const uint32_t before = f.Clock().Now();
    f.form->AppIdle();
    EXPECT_EQ(f.Clock().Now() - before, 10u) << "the frame loop paces from the player's FPSLimit";
    f.form->Settings().User.FPSLimit = 60;
    f.form->FormDestroy();
    const std::string written = f.dir.Read("GameData/System/config.txt");
    EXPECT_EQ(written.rfind("# mine\r\nFPSLimit=60\r\nOther=1\r\n", 0), 0u) << written;
}

TEST(LiveBoot, FirstRunWithoutSettingsWritesTheFile)
{
    EngineFixture f;
    f.WritePack({{"system\\etc\\game.dat", kGameDat}});
    f.RecreateForm();
    f.form->AppIdle();
    EXPECT_EQ(f.form->Settings().User.FPSDeactiveDecay, 0);
    f.form->FormDestroy();
    EXPECT_NE(f.dir.Read("GameData/System/config.txt").find("FPSDeactiveDecay=0\r\n"), std::string::npos);
}

TEST(LiveBoot, FailedSettingsWriteLeavesTheOldFileByteIdentical)
{
    EngineFixture f;
    f.WritePack({{"system\\etc\\game.dat", kGameDat}});
    const std::string old = "fpslimit=20\r\n";
    f.dir.Write("GameData/System/config.txt", old);
    f.platform->files = platform::CreateNativeFileSystem(f.dir.Str(), platform::ReplaceFault::Rename);
    f.RecreateForm();
    f.form->AppIdle();
    f.form->Settings().User.FPSLimit = 60;
    f.form->FormDestroy();
    EXPECT_EQ(f.dir.Read("GameData/System/config.txt"), old);
}

TEST(LiveBoot, ChecksumFailureEndsTheProcessNamingTheEntry)
{
    EngineFixture f;
    f.WritePack({{"system\\etc\\game.dat", kGameDat},
                 {"system\\etc\\message.txt", "CRCCHECKERROR=Damaged data\r\nOK=Close\r\n"},
                 {"data\\broken.txt", "PAYLOAD-PAYLOAD-PAYLOAD"}});
    std::string pack = f.dir.Read("GameData/data0.pack");
    const size_t at = pack.find("PAYLOAD-PAYLOAD");
    ASSERT_NE(at, std::string::npos);
    pack[at] = 'X';
    f.dir.Write("GameData/data0.pack", pack);
    f.RecreateForm();
    int status = -1;
    f.form->HaltProcess = [&](int s) { status = s; };
    f.form->AppIdle();
    ASSERT_EQ(f.form->BootState(), 1u);
    EXPECT_FALSE(f.form->Data().LoadData("data\\broken.txt"));
    EXPECT_EQ(status, 1);
    ASSERT_FALSE(f.Dialogs().History().empty());
    EXPECT_EQ(f.Dialogs().History().back().text, "Damaged data\r\ndata\\broken.txt");
    EXPECT_EQ(f.Dialogs().History().back().buttons, std::vector<std::string>{"Close"});
}

} // namespace
} // namespace tsukimi
