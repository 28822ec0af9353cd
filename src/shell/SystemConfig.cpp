#include "shell/SystemConfig.h"

#include "data/TextHelpers.h"
#include "shell/TextUtil.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tsukimi {
namespace {

struct IntKey
{
    const char* name;
    int TUserSettings::*member;
    int fileDefault;
};

// The player's integer keys in the order they are written.
constexpr IntKey kHeadKeys[] = {
    {"FullScreen", &TUserSettings::FullScreen, 0},
    {"ColorMode", &TUserSettings::ColorMode, 1},
    {"FPSLimit", &TUserSettings::FPSLimit, 40},
    {"FPSDeactiveDecay", &TUserSettings::FPSDeactiveDecay, 100},
    {"StreamLength", &TUserSettings::StreamLength, 131072},
    {"Interlace", &TUserSettings::Interlace, 0},
    {"CacheSize", &TUserSettings::CacheSize, 0},
    {"MovieDecoder", &TUserSettings::MovieDecoder, 1},
    {"CRCCheck", &TUserSettings::CRCCheck, 1},
    {"TaskTrayMode", &TUserSettings::TaskTrayMode, 0},
    {"ForceDirectSoundMode", &TUserSettings::ForceDirectSoundMode, 0},
    {"ScriptFrameSkip", &TUserSettings::ScriptFrameSkip, 0},
    {"BitBltMode", &TUserSettings::BitBltMode, 0},
    {"DirectSoundStickFocus", &TUserSettings::DirectSoundStickFocus, 1},
    {"KeyCallbackTime", &TUserSettings::KeyCallbackTime, 500},
    {"DeactiveSystemStop", &TUserSettings::DeactiveSystemStop, 0},
    {"MinimizeSystemStop", &TUserSettings::MinimizeSystemStop, 0},
};
// After MinimizeOverrideTitle.
constexpr IntKey kMiddleKeys[] = {
    {"TextureFilterMode", &TUserSettings::TextureFilterMode, 0},
    {"GraphicIntegerMode", &TUserSettings::GraphicIntegerMode, 0},
    {"MouseHideTime", &TUserSettings::MouseHideTime, 10000},
    {"VSyncMode", &TUserSettings::VSyncMode, 0},
    {"FullScreenDispMode", &TUserSettings::FullScreenDispMode, 0},
    {"StyOnTop", &TUserSettings::StyOnTop, 0},
    {"ManualAspectMode", &TUserSettings::ManualAspectMode, 1},
    {"AspectWidth", &TUserSettings::AspectWidth, 800},
    {"AspectHeight", &TUserSettings::AspectHeight, 600},
    {"NoChangeSizeFullScreenMode", &TUserSettings::NoChangeSizeFullScreenMode, 0},
    {"AspectStretchBlt", &TUserSettings::AspectStretchBlt, 0},
};
// After the fonts.
constexpr IntKey kVolumeKeys[] = {
    {"BGMVolume", &TUserSettings::BGMVolume, 255},   {"VOICEVolume", &TUserSettings::VOICEVolume, 255},
    {"SEVolume", &TUserSettings::SEVolume, 255},     {"BGMMute", &TUserSettings::BGMMute, 0},
    {"VOICEMute", &TUserSettings::VOICEMute, 0},     {"SEMute", &TUserSettings::SEMute, 0},
};
constexpr IntKey kTailKeys[] = {
    {"MessageSpeed", &TUserSettings::MessageSpeed, 20},
    {"MessageAlpha", &TUserSettings::MessageAlpha, 255},
    {"AutoPlayWaitTime", &TUserSettings::AutoPlayWaitTime, 100},
    {"AutoPlayClickTime", &TUserSettings::AutoPlayClickTime, 3000},
};

std::string Indexed(const char* format, int i)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, i);
    return buffer;
}

std::string Indexed2(const char* format, int i, int j)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, i, j);
    return buffer;
}

int Int(const TSettingsText& text, std::string_view key, int fallback)
{
    return ParseSettingInt(text.Value(key), fallback);
}

template <size_t N>
void ReadInts(const TSettingsText& text, TUserSettings& user, const IntKey (&keys)[N])
{
    for (const auto& key : keys)
        user.*key.member = Int(text, key.name, key.fileDefault);
}

template <size_t N>
void WriteInts(TSettingsText& text, const TUserSettings& user, const IntKey (&keys)[N])
{
    for (const auto& key : keys)
        text.Set(key.name, std::to_string(user.*key.member));
}

std::string HexColour(int colour)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "$%06X", static_cast<unsigned>(colour) & 0xFFFFFFu);
    return buffer;
}

// The file-name part of a path (after the last "\" or "/"), two-byte aware.
std::string FileNamePart(std::string_view path)
{
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte(path[i])) {
            ++i;
            continue;
        }
        if (path[i] == '\\' || path[i] == '/')
            start = i + 1;
    }
    return std::string(path.substr(start));
}

} // namespace

void ReadGameDefinition(const TSettingsText& text, TGameDefinition& game)
{
    game.ScreenWidth = Int(text, "ScreenWidth", 800);
    game.ScreenHeight = Int(text, "ScreenHeight", 600);
    game.GameTitle = text.Value("GameTitle");
    game.FormCaption = text.Value("FormCaption");
    // A 64-bit number of which the low 24 bits are kept.
    game.CodeKey = static_cast<uint32_t>(ParseSettingInt64(text.Value("CodeKey"), 52046) & 0xFFFFFF);
    game.MinimizeSystemStop = Int(text, "MinimizeSystemStop", 0);
    game.FormCloseEventLabel = text.Value("FormCloseEventLabel");
    game.FormFreeEventLabel = text.Value("FormFreeEventLabel");
    game.FormMinimizeEnableEventLabel = text.Value("FormMinimizeEnableEventLabel");
    game.FormMinimizeDisableEventLabel = text.Value("FormMinimizeDisableEventLabel");
    game.OldFileErrorLevel = ParseSettingBool(text.Value("OldFileErrorLevel"), true);
    game.OldLoadTimeInvalidity = ParseSettingBool(text.Value("OldLoadTimeInvalidity"), true);
    game.OldPlayModeAutoCancel = ParseSettingBool(text.Value("OldPlayModeAutoCancel"), true);
    game.OldFilePackMBCSMode = ParseSettingBool(text.Value("OldFilePackMBCSMode"), true);
    game.OldStringWordEnable = ParseSettingBool(text.Value("OldStringWordEnable"), true);
    game.OldScriptReplaceAddReturnCode = ParseSettingBool(text.Value("OldScriptReplaceAddReturnCode"), true);
    game.OldAutoScreenChange = ParseSettingBool(text.Value("OldAutoScreenChange"), true);
    game.ThumWidth = Int(text, "ThumWidth", 128);
    game.ThumHeight = Int(text, "ThumHeight", 96);
    game.QuickSaveCount = Int(text, "QuickSaveCount", 8);
    game.ConfigForceWindowMode = ParseSettingBool(text.Value("ConfigForceWindowMode"), false);
    game.MulSEVolume = Int(text, "MulSEVolume", 256);
    game.MulBGMVolume = Int(text, "MulBGMVolume", 256);
    game.MulVOICEVolume = Int(text, "MulVOICEVolume", 256);
    game.DefaultFont = text.Value("DefaultFont");
    game.DirectSoundLockTime = Int(text, "DirectSoundLockTime", 40);
    for (int i = 0; i < 16; ++i) {
        const auto items = SplitText(",", text.Value(Indexed("DLLObject[%d]", i)), false, 2, false);
        game.DLLObject[static_cast<size_t>(i)] = {items.size() > 0 ? items[0] : "",
                                                  items.size() > 1 ? items[1] : ""};
    }
}

void ReadUserSettings(const TSettingsText& text, TUserSettings& user)
{
    ReadInts(text, user, kHeadKeys);
    user.CacheSize = std::clamp(user.CacheSize, 0, 536870912);
    user.MinimizeOverrideTitle = text.Has("MinimizeOverrideTitle") ? text.Value("MinimizeOverrideTitle") : "none";
    ReadInts(text, user, kMiddleKeys);
    // The older key comes first; the newer one wins when present.
    user.ManualAspectMode = Int(text, "Force43AspectMode", 1);
    if (text.Has("ManualAspectMode"))
        user.ManualAspectMode = Int(text, "ManualAspectMode", user.ManualAspectMode);
    for (int i = 0; i < 8; ++i) {
        auto& font = user.Font[static_cast<size_t>(i)];
        font.Name = text.Value(Indexed("Font[%d].Name", i));
        if (LowerText(font.Name, LowerMode::Ascii) == "none")
            font.Name.clear();
        font.Style = Int(text, Indexed("Font[%d].Style", i), 0);
        font.AA = Int(text, Indexed("Font[%d].AA", i), 1);
        font.StyleColor = Int(text, Indexed("Font[%d].StyleColor", i), 0);
    }
    ReadInts(text, user, kVolumeKeys);
    for (size_t i = 0; i < user.ExVolume.size(); ++i) {
        user.ExVolume[i] = Int(text, Indexed("ExVolume[%d]", static_cast<int>(i)), 256);
        user.ExMute[i] = Int(text, Indexed("ExMute[%d]", static_cast<int>(i)), 0);
    }
    ReadInts(text, user, kTailKeys);
    for (size_t i = 0; i < user.ActorVolume.size(); ++i) {
        user.ActorVolume[i] = Int(text, Indexed("ActorVolume[%d]", static_cast<int>(i)), 256);
        user.ActorMute[i] = Int(text, Indexed("ActorMute[%d]", static_cast<int>(i)), 0);
    }
}

void WriteUserSettings(TSettingsText& text, const TUserSettings& user)
{
    WriteInts(text, user, kHeadKeys);
    text.Set("MinimizeOverrideTitle", user.MinimizeOverrideTitle);
    WriteInts(text, user, kMiddleKeys);
    for (int i = 0; i < 8; ++i) {
        const auto& font = user.Font[static_cast<size_t>(i)];
        text.Set(Indexed("Font[%d].Name", i), font.Name.empty() ? "none" : font.Name);
        text.Set(Indexed("Font[%d].Style", i), std::to_string(font.Style));
        text.Set(Indexed("Font[%d].AA", i), std::to_string(font.AA));
        text.Set(Indexed("Font[%d].StyleColor", i), HexColour(font.StyleColor));
    }
    WriteInts(text, user, kVolumeKeys);
    for (size_t i = 0; i < user.ExVolume.size(); ++i) {
        text.Set(Indexed("ExVolume[%d]", static_cast<int>(i)), std::to_string(user.ExVolume[i]));
        text.Set(Indexed("ExMute[%d]", static_cast<int>(i)), std::to_string(user.ExMute[i]));
    }
    WriteInts(text, user, kTailKeys);
    for (size_t i = 0; i < user.ActorVolume.size(); ++i) {
        const int volume = user.ActorVolume[i], mute = user.ActorMute[i];
        text.Set(Indexed("ActorVolume[%d]", static_cast<int>(i)), volume == 256 ? "" : std::to_string(volume));
        text.Set(Indexed("ActorMute[%d]", static_cast<int>(i)), mute == 0 ? "" : std::to_string(mute));
    }
}

void ReadVoiceList(const TSettingsText& text, std::array<std::vector<std::string>, 32>& lists)
{
    for (size_t i = 0; i < lists.size(); ++i) {
        lists[i].clear();
        for (auto& name : SplitText(",", text.Value(Indexed("act[%d]", static_cast<int>(i))), true, 0, true))
            if (!name.empty())
                lists[i].push_back(std::move(name));
    }
}

void ReadFontList(const TSettingsText& text, std::array<std::vector<TFontListEntry>, 8>& lists,
                  const std::vector<platform::InstalledFace>& installed)
{
    static const char* const kExcluded[] = {"terminal", "system", "fixedsys", "small fonts"};
    auto addInstalled = [&](std::vector<TFontListEntry>& list, int pitch) {
        for (const auto& face : installed) {
            if (face.Name.empty() || face.Name[0] == '@')
                continue;
            const std::string lower = LowerText(face.Name, LowerMode::Ascii);
            if (std::any_of(std::begin(kExcluded), std::end(kExcluded), [&](const char* x) { return lower == x; }))
                continue;
            if ((pitch == 1 && !face.FixedPitch) || (pitch == 2 && face.FixedPitch))
                continue;
            list.push_back({face.Name, false});
        }
    };
    for (int i = 0; i < 8; ++i) {
        auto& list = lists[static_cast<size_t>(i)];
        list.clear();
        for (int j = 0; j < 32; ++j) {
            const std::string value = text.Value(Indexed2("font[%d].list[%d]", i, j));
            if (value.empty())
                continue;
            const std::string name = LowerText(FileNamePart(value), LowerMode::Ascii);
            if (name == "system")
                addInstalled(list, 0);
            else if (name == "system_fix")
                addInstalled(list, 1);
            else if (name == "system_pro")
                addInstalled(list, 2);
            else
                list.push_back({value, true});
        }
    }
}

} // namespace tsukimi
