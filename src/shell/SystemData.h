#pragma once
// The engine's settings record: the game definition, the player's settings
// and the run-time flags the interpreter writes. Every subsystem reads its
// keys from here by name.
#include <cstdint>
#include <string>

namespace tsukimi {

// "System\etc\Game.dat": read once at boot, never written.
struct TGameDefinition
{
    int ScreenWidth = 800;
    int ScreenHeight = 600;
    std::string GameTitle;
    std::string FormCaption;
    int MinimizeSystemStop = 0;
    std::string FormCloseEventLabel;
    std::string FormFreeEventLabel;
    std::string FormMinimizeEnableEventLabel;
    std::string FormMinimizeDisableEventLabel;
    bool OldPlayModeAutoCancel = true;
    std::string DefaultFont; // empty: the standard Gothic face
};

// "GameData\System\config.txt", built-in values (the file is absent).
struct TUserSettings
{
    int FullScreen = 0;
    int FPSLimit = 40;
    int FPSDeactiveDecay = 0;
    int Interlace = 0;
    int CRCCheck = 1;
    int TaskTrayMode = 0;
    int ScriptFrameSkip = 1;
    int BitBltMode = 0;
    int KeyCallbackTime = 0;
    int DirectSoundStickFocus = 0;
    int DeactiveSystemStop = 0;
    int MinimizeSystemStop = 0;
    std::string MinimizeOverrideTitle;
    int GraphicIntegerMode = 0;
    int MouseHideTime = 10000;
    int VSyncMode = 0;
    int FullScreenDispMode = 0;
    int AspectStretchBlt = 0;
};

struct TSystemData
{
    TGameDefinition Game;
    TUserSettings User;
    // Run-time bytes written by the interpreter.
    uint8_t SkipFlag = 0;
    uint8_t NoWaitFlag = 0;
    uint8_t DeferredSoundFlag = 0;

    // The face of the debugger overlay and the default font name.
    std::string DefaultFontName() const;
};

} // namespace tsukimi
