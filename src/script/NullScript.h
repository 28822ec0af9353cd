#pragma once
// An interpreter that runs nothing: it keeps a black back buffer of the game
// size, records the commands it was given and raises requests only when
// told to. It stands in for the interpreter until scripts run.
#include "script/ZanScriptInterface.h"

#include <functional>
#include <vector>

namespace tsukimi {

class TNullScript final : public TZanScriptInterface
{
public:
    TNullScript(std::string name, int width, int height);

    const std::string& Name() const override { return name_; }
    void ExecuteCommandText(std::string_view text) override;
    void Reset() override;
    void Step(uint32_t elapsed, bool inputEnabled, bool runScript) override;
    void Render(const TRenderOptions& options) override;
    platform::FrameView Graphic() const override;
    platform::MutableFrame MutableGraphic() override;
    platform::FrameView ContextImage() const override { return Graphic(); }
    void RefreshGraphic() override {}
    void RequestRedraw() override { ++redraws_; }
    int PlayMode() const override { return playMode_; }
    void SetPlayMode(int mode) override { playMode_ = mode; }
    bool AllowsPlayMode(int) const override { return true; }
    void CancelPlayMode(bool force) override;
    void FireThreadStopEvent() override { ++stopEvents_; }
    void FireThreadResumeEvent() override { ++resumeEvents_; }
    bool SaveGame(std::string_view) override { return false; }
    bool LoadGame(std::string_view) override { return false; }
    bool SaveFileExists(std::string_view) override { return false; }
    bool DeleteSaveFile(std::string_view) override { return false; }
    void SetAfterLoadLabel(std::string_view label) override
    {
        afterLoadLabel_ = std::string(label);
    }
    TSystemRequest TakeRequest() override;
    std::string CurrentFile() const override { return currentFile_; }
    std::string CurrentLabel() const override { return currentLabel_; }
    TScriptPosition Position() const override { return {}; }

    // Test and tool controls.
    std::function<void()> OnStep;
    void RaiseRequest(uint8_t code, std::string label) { request_ = {code, std::move(label)}; }
    void SetFill(uint32_t argb) { fill_ = argb; }
    const std::vector<std::string>& Commands() const { return commands_; }
    uint64_t Steps() const { return steps_; }
    uint64_t StepsWithInput() const { return stepsWithInput_; }
    uint64_t ScriptRuns() const { return scriptRuns_; }
    int Resets() const { return resets_; }
    int StopEvents() const { return stopEvents_; }
    int ResumeEvents() const { return resumeEvents_; }
    int Redraws() const { return redraws_; }
    const std::string& AfterLoadLabel() const { return afterLoadLabel_; }
    uint32_t LastInterval() const { return lastInterval_; }

private:
    std::string name_;
    int width_, height_;
    std::vector<uint32_t> pixels_;
    uint32_t fill_ = 0xFF000000u;
    std::vector<std::string> commands_;
    TSystemRequest request_;
    std::string currentFile_, currentLabel_, afterLoadLabel_;
    int playMode_ = 0;
    uint64_t steps_ = 0, stepsWithInput_ = 0, scriptRuns_ = 0;
    uint32_t lastInterval_ = 0;
    int resets_ = 0, stopEvents_ = 0, resumeEvents_ = 0, redraws_ = 0;
};

} // namespace tsukimi
