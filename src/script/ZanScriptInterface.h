#pragma once
// What the engine system asks of an interpreter (the game thread and the
// system thread), and what an interpreter may ask of the engine system.
#include "platform/Geometry.h"
#include "platform/OverlayText.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tsukimi {

// A system request raised by an interpreter during its step; the engine acts
// on it afterwards. Code 0 = none.
struct TSystemRequest
{
    uint8_t Code = 0;
    std::string Label;
};

// Where the interpreter stands, for the debugger overlay.
struct TScriptPosition
{
    std::string CallerFile, CallerLine, CallerText;
    std::string CurrentFile, CurrentLine, CurrentText;
    std::string CommandText;
};

// Render flags of one scene render.
struct TRenderOptions
{
    bool Interlace = false;
    bool Overlays = true;
    int32_t MaximumZ = 0x20000;
};

// Services of the engine system that an interpreter reaches back to.
class TZanScriptHost
{
public:
    virtual ~TZanScriptHost() = default;
    // The script error report: one "[ERROR]" line to the list and the log.
    virtual void ReportScriptError(std::string_view message) = 0;
};

class TZanScriptInterface
{
public:
    virtual ~TZanScriptInterface() = default;

    virtual const std::string& Name() const = 0;
    // Cuts `text` at every "\" and executes each non-empty piece as a command.
    virtual void ExecuteCommandText(std::string_view text) = 0;
    virtual void Reset() = 0;
    // One frame of `elapsed` ms. `runScript` false: only time and objects
    // advance (a skipped frame).
    virtual void Step(uint32_t elapsed, bool inputEnabled, bool runScript) = 0;
    virtual void Render(const TRenderOptions& options) = 0;

    // The back buffer of the last render (null pixels: none yet).
    virtual platform::FrameView Graphic() const = 0;
    // The same buffer for drawing over it (debugger overlay).
    virtual platform::MutableFrame MutableGraphic() = 0;
    // The drawing context's image, where the system screens draw.
    virtual platform::FrameView ContextImage() const = 0;
    virtual void RefreshGraphic() = 0;
    // Redraw counts of the back buffer's 100-row bands in the last render;
    // null: every band changed.
    virtual const uint8_t* BandRedraws(int& count) const
    {
        count = 0;
        return nullptr;
    }
    virtual void RequestRedraw() = 0;
    // The engine cleared its script-error flag: commands may run again.
    virtual void ClearErrorFlag() {}

    // Frame-override hook of the interpreter's extension objects.
    virtual bool FrameOverrideClaims() { return false; }
    virtual void AfterFrameHooks() {}
    virtual void LastAfterFrameHook() {}
    virtual void ResetDrawingTransform() {}

    // Play modes: 0 none, 1 view, 2 auto, 3 skip, 4 log skip.
    virtual int PlayMode() const = 0;
    virtual void SetPlayMode(int mode) = 0;
    virtual bool AllowsPlayMode(int mode) const = 0;
    virtual void CancelPlayMode(bool force) = 0;

    virtual void FireThreadStopEvent() = 0;
    virtual void FireThreadResumeEvent() = 0;

    virtual bool SaveGame(std::string_view file) = 0;
    virtual bool LoadGame(std::string_view file) = 0;
    virtual bool SaveFileExists(std::string_view file) = 0;
    virtual bool DeleteSaveFile(std::string_view file) = 0;
    virtual void SetAfterLoadLabel(std::string_view label) = 0;

    // The request raised by the last step, cleared by taking it.
    virtual TSystemRequest TakeRequest() = 0;

    virtual std::string CurrentFile() const = 0;
    virtual std::string CurrentLabel() const = 0;
    virtual TScriptPosition Position() const = 0;
    // A DirectShow movie reports state 2 (running) on this thread.
    virtual bool MovieRunning() const { return false; }
    virtual bool SceneReturnPossible() const { return false; }
    virtual void SceneReturn() {}

    // Around a screen-mode switch.
    virtual void ReleaseDisplayResources() {}
    virtual void RebuildDisplayResources() {}
};

} // namespace tsukimi
