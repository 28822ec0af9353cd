#pragma once
// The engine's settings record: the game definition "System\etc\Game.dat",
// the game's default settings "System\etc\Config.txt", the player's settings
// "GameData\System\config.txt", the voice and font lists, and the run-time
// bytes the interpreter writes. Every subsystem reads its keys from here.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tsukimi {

// "System\etc\Game.dat": read once at boot, never written.
struct TGameDefinition
{
    int ScreenWidth = 800;
    int ScreenHeight = 600;
    std::string GameTitle;
    std::string FormCaption;
    uint32_t CodeKey = 52046; // low 24 bits
    int MinimizeSystemStop = 0;
    std::string FormCloseEventLabel;
    std::string FormFreeEventLabel;
    std::string FormMinimizeEnableEventLabel;
    std::string FormMinimizeDisableEventLabel;
    bool OldFileErrorLevel = true;
    bool OldLoadTimeInvalidity = true;
    bool OldPlayModeAutoCancel = true;
    bool OldFilePackMBCSMode = true;
    bool OldStringWordEnable = true;
    bool OldScriptReplaceAddReturnCode = true;
    bool OldAutoScreenChange = true;
    int ThumWidth = 128;
    int ThumHeight = 96;
    int QuickSaveCount = 8;
    bool ConfigForceWindowMode = false;
    int MulSEVolume = 256;
    int MulBGMVolume = 256;
    int MulVOICEVolume = 256;
    std::string DefaultFont; // empty: the standard Gothic face
    int DirectSoundLockTime = 40;
    struct TDllObject
    {
        std::string File, Parameter;
    };
    std::array<TDllObject, 16> DLLObject;
};

struct TFontSetting
{
    std::string Name; // "none" in the file
    int Style = 0;
    int AA = 0;
    int StyleColor = 0; // 0xRRGGBB
};

// The player's settings. Member initialisers are the built-in values (no
// file at all); a key missing from an existing file takes its file default.
struct TUserSettings
{
    int FullScreen = 0;
    int ColorMode = 1;
    int FPSLimit = 40;
    int FPSDeactiveDecay = 0;
    int StreamLength = 131072;
    int Interlace = 0;
    int CacheSize = 0;
    int MovieDecoder = 1;
    int CRCCheck = 1;
    int TaskTrayMode = 0;
    int ForceDirectSoundMode = 0;
    int ScriptFrameSkip = 1;
    int BitBltMode = 0;
    int KeyCallbackTime = 0;
    int DirectSoundStickFocus = 0;
    int DeactiveSystemStop = 0;
    int MinimizeSystemStop = 0;
    std::string MinimizeOverrideTitle;
    int TextureFilterMode = 0;
    int GraphicIntegerMode = 0;
    int MouseHideTime = 10000;
    int VSyncMode = 0;
    int FullScreenDispMode = 0;
    int StyOnTop = 0;
    int ManualAspectMode = 1;
    int AspectWidth = 800;
    int AspectHeight = 600;
    int NoChangeSizeFullScreenMode = 0;
    int AspectStretchBlt = 0;
    std::array<TFontSetting, 8> Font;
    int BGMVolume = 256, VOICEVolume = 256, SEVolume = 256;
    int BGMMute = 0, VOICEMute = 0, SEMute = 0;
    std::array<int, 13> ExVolume{};
    std::array<int, 13> ExMute{};
    int MessageSpeed = 10;
    int MessageAlpha = 255;
    int AutoPlayWaitTime = 100;
    int AutoPlayClickTime = 2000;
    std::array<int, 32> ActorVolume = Filled(256);
    std::array<int, 32> ActorMute{};

private:
    static std::array<int, 32> Filled(int value)
    {
        std::array<int, 32> a{};
        a.fill(value);
        return a;
    }
};

// One entry of a font list: a face name and whether it is an installed face
// ("0") or a bitmap font shipped in the data ("1").
struct TFontListEntry
{
    std::string Name;
    bool Shipped = false;
};

struct TSystemData
{
    TGameDefinition Game;
    TUserSettings User;
    // The game's defaults ("System\etc\Config.txt"), for the configuration
    // dialog's reset buttons.
    TUserSettings Defaults;
    std::array<std::vector<std::string>, 32> ActorLists;
    std::array<std::vector<TFontListEntry>, 8> FontLists;
    // Run-time bytes written by the interpreter.
    uint8_t SkipFlag = 0;
    uint8_t NoWaitFlag = 0;
    uint8_t DeferredSoundFlag = 0;

    TSystemData() { ActorLists[0] = {"*"}; }

    // The face of the debugger overlay and the default font name.
    std::string DefaultFontName() const;
};

} // namespace tsukimi
