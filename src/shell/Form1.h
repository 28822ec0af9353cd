#pragma once
// The main window: boots the engine on the first idle pass, ticks it from
// every idle pass after that, decides what closing and minimising do, and
// shuts everything down in order.
#include "data/GameData.h"
#include "platform/Platform.h"
#include "shell/CommandLine.h"
#include "shell/MessageTable.h"
#include "shell/SystemData.h"
#include "shell/SystemDialogs.h"
#include "shell/ZanSystem.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tsukimi {

class TDirectXPack;
class TTaskTray;
class TDisplayLog;

// The boot steps that reach into subsystems, each replaceable (tests inject
// failures through them).
struct TBootHooks
{
    std::function<bool()> ProcessorCheck;
    // Opens the game data under "GameData\"; false: no usable pack.
    std::function<bool()> OpenGameData;
    // The message table's text, if the game data has one.
    std::function<std::optional<std::string>()> MessageText;
    // Reads "System\etc\Game.dat" and the defaults; false: it is missing.
    std::function<bool()> LoadGameDefinition;
    std::function<void()> LoadUserSettings;
    std::function<void(bool)> SetCrcCheck;
    std::function<bool(std::string_view)> DataExists;
    std::function<void()> WriteUserSettings;
    std::function<void()> CloseGameData;
};

struct TRunOptions
{
    std::optional<uint64_t> Frames;
    TScriptedInput Input;
    bool KeepFrames = false;
};

class TForm1
{
public:
    TForm1(platform::Platform& platform, TZanSystemParts parts = {});
    ~TForm1();

    // Called at shutdown while the engine system still exists.
    std::function<void(TZanSystem&)> BeforeShutdown;

    // The message loop: events, then the idle handler, until the window is
    // closed or the boot fails. Returns the exit status (0, or 1 after a boot
    // failure).
    int Run(const TRunOptions& options = {});

    // Pieces of the loop, reachable for tests.
    void AppIdle();
    void BootEngine();
    void Dispatch(const platform::Event& event);
    // A close request (the window's close button); true once closed.
    bool Close();
    void FormDestroy();

    TBootHooks& Hooks() { return hooks_; }
    TGameData& Data() { return *gameData_; }
    // Ends the process after a pack checksum failure; tests replace it.
    std::function<void(int)> HaltProcess;
    TSystemData& Settings() { return settings_; }
    TMessageTable& Messages() { return messages_; }
    TZanSystem* System() { return system_.get(); }
    TDirectXPack* Pack() { return pack_.get(); }
    TTaskTray* Tray() { return tray_.get(); }
    uint32_t BootState() const { return bootState_; }
    bool Closed() const { return closed_; }
    bool Halted() const { return halted_; }
    const std::string& HaltText() const { return haltText_; }
    void SetCloseNow() { closeNow_ = 1; }
    const std::string& AppTitle() const { return appTitle_; }
    // The last frame presented before shutdown (kept when asked to).
    const std::vector<uint32_t>& LastPixels() const { return lastPixels_; }
    platform::Size LastSize() const { return lastSize_; }

private:
    bool FormClose();
    void FormPaint();
    void SystemActiveChanged(bool active);
    void TrayIconicChanged(bool iconic);
    void Halt(const std::string& text);
    void HaltWithKey(const char* key);
    void HaltWithText(const char* text);
    void PollTray();
    void InstallDefaultHooks();
    bool LoadEngineFiles();
    void LoadIcon();
    void LoadUserSettingsFile();
    void SaveUserSettingsFile();
    void ShowCrcError(const std::string& entry);

    platform::Platform& platform_;
    TZanSystemParts parts_;
    TSystemData settings_;
    TMessageTable messages_;
    std::string appTitle_;
    TSystemDialogs dialogs_;
    TBootHooks hooks_;
    std::unique_ptr<TGameData> gameData_;

    std::unique_ptr<TTaskTray> tray_;
    uint8_t lastIconic_ = 0;
    uint8_t busy_ = 0;
    uint32_t bootState_ = 0;
    std::unique_ptr<TDisplayLog> displayLog_;
    std::unique_ptr<TDirectXPack> pack_;
    std::unique_ptr<TZanSystem> system_;
    uint8_t closeNow_ = 0;

    bool closed_ = false;
    bool halted_ = false;
    bool destroyed_ = false;
    std::string haltText_;
    uint32_t lastTrayPoll_ = 0;
    bool keepFrames_ = false;
    std::vector<uint32_t> lastPixels_;
    platform::Size lastSize_;
};

// The key codes the window itself never acts on (F10, Alt, the Windows and
// Applications keys) become 0.
int FilterWindowKey(int virtualKey);

} // namespace tsukimi
