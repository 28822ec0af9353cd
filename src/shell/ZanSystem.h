#pragma once
// The engine proper: owns the two interpreters, input, sound and the system
// screens; paces frames, runs the handler of the current mode, presents the
// frame and keeps the title's frame-rate read-out.
#include "platform/Platform.h"
#include "screens/SystemScreens.h"
#include "script/ZanScriptInterface.h"
#include "shell/FramePacing.h"
#include "shell/Input.h"
#include "sound/SoundInterface.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

class TDirectXPack;
class TScriptInputSource;
class TScriptObjects;
class TScriptSource;
class TGameData;
class TMessageTable;
class TSystemDialogs;
struct TSystemData;

enum class TEngineMode : uint8_t {
    Idle = 0,
    ExitConfirm = 1,
    Quitting = 2,
    None3 = 3,
    ResetConfirm = 4,
    GameRunning = 5,
    SystemRunning = 6,
    Menu = 7,
    Backlog = 8,
    SaveScreen = 9,
    LoadScreen = 10,
    Config = 11,
};

// What the system is built from; each factory may be left empty for the
// stand-ins that run nothing.
struct TZanSystemParts
{
    std::function<std::unique_ptr<TZanScriptInterface>(const std::string& name,
                                                       TZanScriptInterface* parent,
                                                       TZanScriptHost& host)>
        Scripts;
    std::function<std::unique_ptr<TSoundInterface>()> Sound;
    // Menu, Log, FileSelect.
    std::function<std::unique_ptr<TSystemScreen>(TEngineMode which)> Screens;
    std::function<std::unique_ptr<TConfigDialogInterface>()> Config;
};

struct TZanSystemEnvironment
{
    platform::Platform& Platform;
    TSystemData& Settings;
    TMessageTable& Messages;
    TSystemDialogs& Dialogs;
    const std::string& AppTitle;
    TGameData* Data = nullptr;
};

class TZanSystem final : public TZanScriptHost
{
public:
    TZanSystem(TZanSystemEnvironment env, TZanSystemParts parts = {});
    ~TZanSystem() override;

    bool Setup(TDirectXPack& pack);
    void Start();
    uint8_t Tick();
    void Paint();
    void Present(TZanScriptInterface* script, bool force);
    void SetMode(uint8_t mode, int32_t param = 0);
    void SetRunning(bool running);
    void ResetGame(std::string_view label = {}, std::string_view file = {});
    void CallSystemLabel(std::string_view label);
    void ReturnToGame();
    TZanScriptInterface& CurrentScript();
    // The player's quick save, quick load and select load.
    void QuickSave();
    void QuickLoad();
    void SelectLoad();

    bool VirtualFileExists(std::string_view name);
    std::optional<std::vector<uint8_t>> VirtualFileLoad(std::string_view name);

    void ReportScriptError(std::string_view message) override;

    // Set by the main window.
    std::function<void(bool)> ActiveCallback;
    std::function<void()> CloseWindow;
    // Ends the process after a failure it cannot go on from.
    std::function<void()> Halt;
    // Whether a data file exists (the layout files of the system screens).
    std::function<bool(std::string_view)> DataExists;

    // Read-outs.
    uint8_t Mode() const { return mode_; }
    uint8_t DebugState() const { return debugState_; }
    void SetDebugState(uint8_t state) { debugState_ = state; }
    bool Running() const { return running_ != 0; }
    bool IsSetUp() const { return isSetUp_ != 0; }
    uint32_t FrameCounter() const { return frameCounter_; }
    uint32_t ModeTicks() const { return modeTicks_; }
    void SetModeTicks(uint32_t ticks) { modeTicks_ = ticks; }
    int32_t ModeParam() const { return modeParam_; }
    uint64_t LastFrameTime() const { return lastFrameTime_; }
    uint32_t LastInterval() const { return lastInterval_; }
    const std::vector<std::string>& ScriptErrors() const { return errors_; }
    bool ScriptErrorFlag() const { return scriptErrorFlag_; }
    TInput& Input() { return input_; }
    TZanScriptInterface& GameScript() { return *gameScript_; }
    TZanScriptInterface& SystemScript() { return *systemScript_; }
    TSoundInterface& Sound() { return *sound_; }
    const std::string& Caption() const { return caption_; }
    // Keeps a copy of every presented frame (for the exit screenshot).
    void KeepPresentedFrames(bool keep) { keepFrames_ = keep; }
    const std::vector<uint32_t>& PresentedPixels() const { return lastPixels_; }
    platform::Size PresentedSize() const { return lastSize_; }

private:
    TZanScriptInterface* Current();
    uint32_t PaceFrame();
    void RunModeHandler(uint32_t interval);
    void RunningHandler(uint32_t interval, bool singleStep);
    void HandleRequest(const TSystemRequest& request);
    bool DefaultRequestAction(uint8_t code, const std::string& label);
    void ConfirmHandler(bool exit);
    void QuittingHandler();
    void ScreenHandler(TEngineMode mode, uint32_t interval);
    void MenuChoice(int choice);
    void ConfigHandler();
    void DebuggerOverlay(uint32_t interval);
    void DrawOverlay(bool error);
    void ClearScriptErrorFlag();
    std::unique_ptr<TZanScriptInterface> MakeInterpreter(const std::string& name,
                                                         TZanScriptInterface* parent);
    void ResetDrawingState();
    void UpdateTitle(uint32_t interval, uint32_t target);
    void TogglePlayMode(int mode);
    std::string NextQuickSaveName();
    void SceneReturn();
    void Execute(TZanScriptInterface& script, std::string_view label, std::string_view file);
    std::string Message(std::string_view key) const;
    uint64_t Now();

    TZanSystemEnvironment env_;
    TZanSystemParts parts_;
    TFrameClock clock_;

    uint8_t isSetUp_ = 0;
    uint8_t running_ = 0;
    uint32_t frameCounter_ = 0;
    uint8_t activeFlag_ = 1;
    TDirectXPack* pack_ = nullptr;
    std::unique_ptr<TSoundInterface> sound_;
    TInput input_;
    // What the interpreters are built over; they outlive both.
    std::unique_ptr<TScriptSource> scriptSource_;
    std::unique_ptr<TScriptInputSource> inputActions_;
    std::vector<std::unique_ptr<TScriptObjects>> scriptObjects_;
    std::unique_ptr<TZanScriptInterface> gameScript_;
    std::unique_ptr<TZanScriptInterface> systemScript_;
    std::unique_ptr<TSystemScreen> menu_, log_, fileSelect_;
    std::unique_ptr<TConfigDialogInterface> config_;
    uint8_t mode_ = 0;
    uint8_t debugState_ = 0;
    uint32_t modeTicks_ = 0;
    int32_t modeParam_ = 0;
    uint64_t lastFrameTime_ = 0;
    uint32_t titleAccumulator_ = 0;
    uint32_t averageWork_ = 0;

    uint32_t lastInterval_ = 0;
    bool scriptErrorFlag_ = false;
    bool lastStepRaisedRequest_ = false;
    bool vsync_ = false;
    std::vector<std::string> errors_;
    std::string caption_;
    bool keepFrames_ = false;
    std::vector<uint32_t> lastPixels_;
    std::vector<uint8_t> allBands_;
    platform::Size lastSize_;
};

} // namespace tsukimi
