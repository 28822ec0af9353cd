#include "shell/SystemConfig.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

TEST(SettingsText, FileSyntax)
{
    const TSettingsText text("; comment line\r\nFPSLimit=60\r\nfpslimit=30\nNoEquals\nEmpty=\nKey=a=b\r\n");
    EXPECT_EQ(text.Value("FPSLIMIT"), "60") << "first line wins, key case ignored";
    EXPECT_EQ(text.Value("Empty"), "");
    EXPECT_EQ(text.Value("Key"), "a=b") << "value runs from the first '='";
    EXPECT_EQ(text.Value("Missing"), "");
    EXPECT_EQ(text.Value("NoEquals"), "");
    EXPECT_EQ(text.Value("; comment line"), "");
}

TEST(SettingsText, Numbers)
{
    struct Case
    {
        const char* text;
        int expected;
    } cases[] = {
        {"42", 42},      {"-7", -7},         {"+5", 5},       {" 12", 12},    {"$FF", 255},
        {"$ff", 255},    {"$FFFFFFFF", -1},  {"$1FFFFFFFF", 9}, {"12x", 9},   {"", 9},
        {"$", 9},        {"x", 9},           {"2147483647", 2147483647},      {"2147483648", 9},
        {"-2147483648", -2147483647 - 1},    {"0x10", 9},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseSettingInt(c.text, 9), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(ParseSettingInt64("$123456789", 0), 0x123456789LL);
    EXPECT_TRUE(ParseSettingBool("TRUE", false));
    EXPECT_FALSE(ParseSettingBool("False", true));
    EXPECT_TRUE(ParseSettingBool("yes", true));
    EXPECT_FALSE(ParseSettingBool("1", false));
}

TEST(UserSettings, FileDefaultsBuiltInsAndClamps)
{
    TUserSettings builtIn;
    EXPECT_EQ(builtIn.FPSDeactiveDecay, 0);
    EXPECT_EQ(builtIn.ScriptFrameSkip, 1);
    EXPECT_EQ(builtIn.BGMVolume, 256);

    TUserSettings user;
    ReadUserSettings(TSettingsText("fpslimit=60\r\nCacheSize=-5\r\nForce43AspectMode=0\r\n"), user);
    EXPECT_EQ(user.FPSLimit, 60);
    EXPECT_EQ(user.FPSDeactiveDecay, 100) << "file default for a missing key";
    EXPECT_EQ(user.KeyCallbackTime, 500);
    EXPECT_EQ(user.BGMVolume, 255);
    EXPECT_EQ(user.ExVolume[12], 256);
    EXPECT_EQ(user.MinimizeOverrideTitle, "none");
    EXPECT_EQ(user.CacheSize, 0);
    EXPECT_EQ(user.ManualAspectMode, 0) << "the older key applies when the newer is absent";
    ReadUserSettings(TSettingsText("CacheSize=600000000\r\nForce43AspectMode=0\r\nManualAspectMode=2\r\n"), user);
    EXPECT_EQ(user.CacheSize, 536870912);
    EXPECT_EQ(user.ManualAspectMode, 2);
    ReadUserSettings(TSettingsText("Font[3].Name=none\r\nFont[2].Name=IPAGothic\r\nFont[2].StyleColor=$FF8000\r\n"), user);
    EXPECT_EQ(user.Font[3].Name, "");
    EXPECT_EQ(user.Font[2].Name, "IPAGothic");
    EXPECT_EQ(user.Font[2].StyleColor, 0xFF8000);
}

TEST(UserSettings, SaveKeepsCommentsAndUnknownKeysAndDropsDefaults)
{
    TSettingsText text("# my settings\r\nUnknownKey=keep me\r\nfpslimit=20\r\nActorVolume[3]=100\r\n");
    TUserSettings user;
    ReadUserSettings(text, user);
    user.FPSLimit = 60;
    user.ActorVolume[3] = 256;
    user.ActorMute[4] = 1;
    user.Font[0].StyleColor = 0xABC;
    WriteUserSettings(text, user);
    const std::string out = text.Text();
    EXPECT_EQ(out.rfind("# my settings\r\nUnknownKey=keep me\r\nFPSLimit=60\r\n", 0), 0u) << out;
    EXPECT_EQ(out.find("ActorVolume[3]"), std::string::npos);
    EXPECT_NE(out.find("ActorMute[4]=1\r\n"), std::string::npos);
    EXPECT_EQ(out.find("ActorMute[5]"), std::string::npos);
    EXPECT_NE(out.find("Font[0].Name=none\r\n"), std::string::npos);
    EXPECT_NE(out.find("Font[0].StyleColor=$000ABC\r\n"), std::string::npos);
    EXPECT_NE(out.find("MinimizeOverrideTitle=none\r\n"), std::string::npos);
    // An emptied text value removes its line.
    user.MinimizeOverrideTitle.clear();
    WriteUserSettings(text, user);
    EXPECT_EQ(text.Text().find("MinimizeOverrideTitle"), std::string::npos);
    // Reading back gives the same record.
    TUserSettings again;
    ReadUserSettings(text, again);
    EXPECT_EQ(again.FPSLimit, 60);
    EXPECT_EQ(again.ActorMute[4], 1);
    EXPECT_EQ(again.ActorVolume[3], 256);
}

TEST(GameDefinition, KeysAndDefaults)
{
    TGameDefinition game;
    ReadGameDefinition(TSettingsText("GameTitle=Moon\r\nScreenWidth=1280\r\nCodeKey=$1234567890\r\n"
                                     "OldFilePackMBCSMode=false\r\nDLLObject[2]=extra.dll, param ,x\r\n"),
                       game);
    EXPECT_EQ(game.GameTitle, "Moon");
    EXPECT_EQ(game.ScreenWidth, 1280);
    EXPECT_EQ(game.ScreenHeight, 600);
    EXPECT_EQ(game.CodeKey, 0x567890u);
    EXPECT_FALSE(game.OldFilePackMBCSMode);
    EXPECT_TRUE(game.OldPlayModeAutoCancel);
    EXPECT_EQ(game.DLLObject[2].File, "extra.dll");
    EXPECT_EQ(game.DLLObject[2].Parameter, " param ");
    TGameDefinition plain;
    ReadGameDefinition(TSettingsText("CodeKey=oops"), plain);
    EXPECT_EQ(plain.CodeKey, 52046u);
}

TEST(Lists, VoiceAndFontLists)
{
    std::array<std::vector<std::string>, 32> voices;
    ReadVoiceList(TSettingsText("act[0]=aki, haru ,natsu // old\r\nact[31]=fuyu\r\n"), voices);
    EXPECT_EQ(voices[0], (std::vector<std::string>{"aki", "haru", "natsu"}));
    EXPECT_EQ(voices[31], std::vector<std::string>{"fuyu"});
    EXPECT_TRUE(voices[1].empty());

    std::array<std::vector<TFontListEntry>, 8> fonts;
    const std::vector<platform::InstalledFace> installed = {
        {"Gothic", false}, {"Mono", true}, {"@Vertical", false}, {"System", false}, {"Terminal", true}};
    ReadFontList(TSettingsText("font[0].list[0]=System\r\nfont[0].list[1]=mybitmap\r\n"
                               "font[1].list[5]=system_fix\r\nfont[2].list[0]=system_pro\r\n"),
                 fonts, installed);
    ASSERT_EQ(fonts[0].size(), 3u);
    EXPECT_EQ(fonts[0][0].Name, "Gothic");
    EXPECT_FALSE(fonts[0][0].Shipped);
    EXPECT_EQ(fonts[0][1].Name, "Mono");
    EXPECT_EQ(fonts[0][2].Name, "mybitmap");
    EXPECT_TRUE(fonts[0][2].Shipped);
    ASSERT_EQ(fonts[1].size(), 1u);
    EXPECT_EQ(fonts[1][0].Name, "Mono");
    ASSERT_EQ(fonts[2].size(), 1u);
    EXPECT_EQ(fonts[2][0].Name, "Gothic");
}

} // namespace
} // namespace tsukimi
