#pragma once
// One script thread set: the reader, the evaluator with its stores, the call
// stack, and the per-frame driver that runs commands, waits for time and
// input, and hands system events to the engine. The engine creates two:
// "GameThread" and "SystemThread" (whose system store is the game thread's).
//
// Block, jump and global commands are handled here; every other command goes
// to the current routine's target objects through TScriptObjects.
#include "data/MTRandom.h"
#include "script/ScriptCallStack.h"
#include "script/ScriptInput.h"
#include "script/ScriptObjects.h"
#include "script/ZanCalculation.h"
#include "script/ZanPath.h"
#include "script/FileLogFilterBlock.h"
#include "script/SaveStreamHelpers.h"
#include "script/ZanInterpreterBlock.h"
#include "script/ZanReader.h"
#include "script/ZanSaveData.h"
#include "script/ZanStackSaveData.h"
#include "script/ZanSystemDataFile.h"
#include "script/ZanScriptInterface.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

struct TZanScriptConfig
{
    TScriptSettings Settings;
    // Any input action leaves auto, skip and view modes (else only view).
    bool OldPlayModeAutoCancel = false;
    // Added to the auto countdown by a "\clk" without time.
    int32_t AutoPlayClickTime = 0;
    // OldFileErrorLevel: the path resolver reports nothing.
    bool QuietPaths = true;
    // The game's CodeKey: the seed of save and system data files.
    uint32_t CodeKey = 52046;
    // The back buffer's size (the game's screen).
    int ScreenWidth = 0;
    int ScreenHeight = 0;
};

// The engine services an interpreter is initialised with (any may be null).
struct TZanScriptServices
{
    TScriptInputSource* Input = nullptr;
    TScriptReadLog* ReadLog = nullptr;
    // Makes sure "SaveData\" exists; false stops Initialize.
    std::function<bool()> EnsureSaveFolder;
    // The engine's reset hook, called first by Reset.
    std::function<void()> OnReset;
    // A file name the path resolver found (the file log counts it).
    std::function<void(std::string_view)> FileResolved;
    // Whether a file exists in the game's folder ("GameData\Movie\...").
    std::function<bool(std::string_view)> NativeFileExists;
    // The game folder, where "SaveData\" lives; null: nothing is saved.
    platform::FileSystem* Files = nullptr;
    // Shows a message of the message table with the button "OK".
    std::function<void(std::string_view key)> ShowMessage;
    // The local time as a day count since 1899-12-30.
    std::function<double()> Now;
};

class TZanScript final : public TZanScriptInterface
{
public:
    static constexpr int NestingLimit = 64;
    static constexpr int32_t ClockLimit = 0x0FFFFFFF;
    static constexpr uint32_t AllLocks = 0x0FFFFFFF;
    enum : uint16_t {
        LockScreen = 1,
        LockSave = 2,
        LockLoad = 4,
        LockConfig = 8,
        LockLog = 16,
        LockView = 32,
        LockAuto = 64,
        LockSkip = 128,
        LockJump = 256,
        LockMenu = 512,
        LockReset = 1024,
        LockMinimize = 2048,
    };

    // `source`, `host` and `objects` must outlive the interpreter.
    TZanScript(std::string name, TScriptSource* source, TZanScriptHost* host,
               TScriptObjects* objects, TZanScriptConfig config = {});
    ~TZanScript() override;
    TZanScript(const TZanScript&) = delete;
    TZanScript& operator=(const TZanScript&) = delete;

    // `partner`: the game thread, for the system thread; null otherwise.
    bool Initialize(TZanScript* partner, TZanScriptServices services);

    static uint32_t CommandCode(std::string_view token);
    // `tag`: the reader's slot for this command's parsed form (null: none).
    void ExecuteLine(std::string_view line, const void** tag = nullptr);
    void ExecuteText(std::string_view text);
    void Tick(uint32_t elapsedMs, bool inputEnabled, bool runScript);
    // kind 0 mouse click, 1 key or automatic, 2 other button.
    void Advance(int x, int y, bool automatic, int kind);
    void RunEventLabel(std::string_view rawLabel, std::string_view label, bool asSubr,
                       std::string_view text);
    TReturnValue Evaluate(std::string_view text);
    bool SetInteger(std::string_view name, int element, int32_t value);
    bool SetString(std::string_view name, int element, std::string_view value);
    bool SetObject(std::string_view name, int element, std::string_view value);

    // The error flag: set by every report, cleared by the engine.
    bool ErrorRaised() const { return errorRaised_; }
    void ClearErrorFlag() override { errorRaised_ = false; }
    void Report(std::string_view message);

    TZanReader& Reader() { return reader_; }
    TZanCalculation& Calculation() { return calc_; }
    TZanPath& Path() { return path_; }
    TScriptThread& Thread() { return thread_; }
    TScriptRoutine& CurrentRoutine();
    TMTRandom& Random() { return random_; }
    TZanScript* Partner() const { return partner_; }
    // The local-store level of the current routine.
    int Level() const { return thread_.Count() - 1; }

    // TZanScriptInterface.
    const std::string& Name() const override { return name_; }
    void ExecuteCommandText(std::string_view text) override { ExecuteText(text); }
    void Reset() override;
    void Step(uint32_t elapsed, bool inputEnabled, bool runScript) override
    {
        Tick(elapsed, inputEnabled, runScript);
    }
    void Render(const TRenderOptions& options) override;
    platform::FrameView Graphic() const override;
    platform::MutableFrame MutableGraphic() override;
    platform::FrameView ContextImage() const override { return Graphic(); }
    void RefreshGraphic() override {}
    void RequestRedraw() override {}
    int PlayMode() const override { return PlayModeValue; }
    void SetPlayMode(int mode) override;
    bool AllowsPlayMode(int mode) const override;
    void CancelPlayMode(bool force) override;
    void FireThreadStopEvent() override;
    void FireThreadResumeEvent() override;
    // Saves to "SaveData\\" + file; false (no message) when it cannot be
    // written, and the file is then as it was.
    bool SaveGame(std::string_view file) override { return SaveGame(file, true); }
    bool SaveGame(std::string_view file, bool compress);
    // The whole save file into `out`.
    bool SaveGameToStream(TMemoryStream& out, bool compress);
    // Loads "SaveData\\" + file. A file that cannot be read, or whose body
    // does not load whole, shows "ReadSaveFileError" and leaves the running
    // game exactly as it was.
    bool LoadGame(std::string_view file) override;
    bool LoadGameFromStream(TMemoryStream& in);
    bool SaveFileExists(std::string_view file) override;
    bool DeleteSaveFile(std::string_view file) override;
    bool CopySaveFile(std::string_view from, std::string_view to);
    // Only the thread without a partner (the game thread) keeps the system
    // data; for the other these do nothing.
    bool SaveSystemData(std::string_view file);
    bool LoadSystemData(std::string_view file);
    TZanStackSaveData& MemorySlots() { return slots_; }
    TSaveDescriptions& SaveDescriptions() { return descriptions_; }
    TZanInterpreterBlock& Block() { return block_; }
    void SetAfterLoadLabel(std::string_view label) override { afterLoadLabel_ = label; }
    TSystemRequest TakeRequest() override;
    std::string CurrentFile() const override { return reader_.CurrentFileName(); }
    std::string CurrentLabel() const override { return reader_.CurrentLabelName(); }
    TScriptPosition Position() const override;

    // State the engine and the system commands read and set.
    uint32_t ActOnPartner = 0;
    uint8_t PlayModeValue = 0;
    int32_t CommandsPerFrame = 65536;
    int32_t PauseFrames = 0;
    int32_t DropNextTime = 0;
    int32_t ExtraTime = 0;
    int32_t Clock = 0;
    int32_t AutoCountdown = 0;
    uint8_t PendingEvent = 0;
    std::string EventText, EventTarget;
    std::string LastLine;
    std::string FrameEventLabel;
    uint32_t LockFlags = AllLocks;
    uint32_t CustomMask = 0x0FFFFFFF;
    uint32_t CustomCheckMask = 0;

private:
    using TArguments = std::vector<std::string>;
    // A command line split into its arguments, with its command code.
    struct TParsedCommand
    {
        uint32_t Code = 0;
        TArguments Args;
        // The evaluator's compiled forms of the arguments, made on first use.
        std::array<std::shared_ptr<void>, 9> Compiled;
    };
    struct TextHash
    {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    static constexpr size_t ParseCacheLimit = 16384;
    TParsedCommand& Parse(std::string_view text);
    // Argument `i` of the command being executed, evaluated with its
    // compiled form kept.
    TReturnValue EvaluateArgument(const TArguments& a, size_t i);

    // Counts nested event labels and "\exop" texts; beyond NestingLimit it
    // reports and refuses.
    class TNestingGuard
    {
    public:
        explicit TNestingGuard(TZanScript& script);
        ~TNestingGuard();
        TNestingGuard(const TNestingGuard&) = delete;
        TNestingGuard& operator=(const TNestingGuard&) = delete;
        bool Entered() const { return entered_; }

    private:
        TZanScript& script_;
        bool entered_ = false;
    };

    // Save body.
    void WriteBody(TMemoryStream& out);
    bool ReadBody(TMemoryStream& in);
    bool ReadBodyElements(TMemoryStream& in);
    void FillBlock();
    void TakeBlock();
    std::string SavePath(std::string_view file) const;
    TZanSaveData MakeSave();

    // Frame steps.
    void TakeInput(bool& inputEnabled);
    void ApplyAction(const TInputAction& action);
    void PostEvent(uint8_t event, uint16_t lock, const TInputAction& action);
    void AutomaticAdvance();
    uint32_t AdvanceTime(uint32_t elapsedMs);
    void RunFrameEvents();
    void CommandLoop();
    void StepWaitState();
    void UpdateObjects(uint32_t elapsed);
    void ReadLineLogged(std::string_view labelKey, int lineOffset);
    bool CurrentLineRead() const;

    // Command handlers; each returns true when it took the command.
    bool BlockCommand(uint32_t code, const TArguments& a);
    bool JumpCommand(uint32_t code, const TArguments& a);
    bool LabelLine(const TArguments& a);
    bool GlobalCommand(uint32_t code, const TArguments& a);
    bool WaitCommand(uint32_t code, const TArguments& a);
    bool VariableCommand(uint32_t code, const TArguments& a);
    bool StringCommand(uint32_t code, const TArguments& a);
    bool ControlCommand(uint32_t code, const TArguments& a);
    void SendToTargets(uint32_t code, const TArguments& a, std::string_view line);
    void LabelPassed();

    // Block and call helpers.
    void RecordPosition(TScriptBlockBase& block);
    void If(const TArguments& a, bool skipping);
    void For(const TArguments& a, bool skipping);
    void Case(const TArguments& a, bool skipping);
    void Answer(const TArguments& a);
    void End();
    bool Go(const TArguments& a, bool keepRoutines);
    bool Call(const TArguments& a, bool keepResults);
    void Return(const TArguments& a);
    void ReturnTo(int routineIndex);
    void StopStep();
    void Stop(const TArguments& a);
    void Play();

    // Argument conventions.
    TZanScript& Scoped();
    int32_t Int(std::string_view argument);
    std::string Text(std::string_view argument, bool braceForm = false);
    std::string LabelArgument(std::string_view argument);
    std::string FileArgument(std::string_view argument);
    void FileExists(const TArguments& a);
    void ResetResults();
    void SetResultInt(int element, int32_t value);
    void SetResultStr(int element, std::string_view value);
    void TakeResults(TScriptBlockBaseResult& results);
    void RestoreResults(const TScriptBlockBaseResult& results);
    void DropLocalsAbove(int routineCount);

    std::string name_;
    TZanScriptHost* host_;
    TScriptObjects* objects_;
    TZanScriptConfig config_;
    TZanScriptServices services_;
    TZanScript* partner_ = nullptr;
    TZanReader reader_;
    TZanCalculation calc_;
    TScriptThread thread_;
    TMTRandom random_;
    TZanPath path_;
    TZanInterpreterBlock block_;
    TFileLogFilterBlock fileLogFilter_;
    TZanStackSaveData slots_;
    TSaveDescriptions descriptions_;
    std::optional<TZanSystemDataFile> systemData_;
    bool initialised_ = false;
    bool readLogSuppressed_ = false;
    std::vector<uint32_t> pixels_;
    std::unordered_map<std::string, std::unique_ptr<TParsedCommand>, TextHash, std::equal_to<>> parsed_;
    int executing_ = 0;
    TParsedCommand* current_ = nullptr;
    std::string afterLoadLabel_;
    bool errorRaised_ = false;
    bool skipFlag_ = false;
    bool noWait_ = false;
    int nesting_ = 0;
    uint32_t heldTime_ = 0;
    int clickCooldown_ = 0;
    uint64_t ticks_ = 0;
};

} // namespace tsukimi
