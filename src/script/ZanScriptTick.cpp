// The frame driver of TZanScript: input actions, play modes, time, the frame
// event labels, the command loop with its wait states, and the click advance.
#include "script/ZanScript.h"

#include "data/TextHelpers.h"

#include <algorithm>

namespace tsukimi {

namespace {

constexpr int ClickCooldownFrames = 4;

struct TEventAction
{
    int Number;
    uint8_t Event;
    uint16_t Lock;
};

// Input actions 5-35 that post a system event, with the lock suppressing them.
constexpr TEventAction EventActions[] = {
    {5, 4, TZanScript::LockMenu},     {6, 5, TZanScript::LockLog},
    {7, 6, TZanScript::LockScreen},   {8, 7, TZanScript::LockReset},
    {9, 3, TZanScript::LockReset},    {10, 10, TZanScript::LockLoad},
    {11, 9, TZanScript::LockSave},    {12, 12, TZanScript::LockView},
    {13, 11, TZanScript::LockConfig}, {14, 24, TZanScript::LockMinimize},
    {15, 13, TZanScript::LockAuto},   {16, 14, TZanScript::LockSkip},
    {17, 15, TZanScript::LockSkip},   {20, 16, TZanScript::LockSave},
    {21, 17, TZanScript::LockLoad},   {22, 18, TZanScript::LockLoad},
    {25, 21, TZanScript::LockJump},   {35, 1, 0},
};

} // namespace

void TZanScript::Tick(uint32_t elapsedMs, bool inputEnabled, bool runScript)
{
    ++ticks_;
    PendingEvent = 0;
    EventText.clear();
    EventTarget.clear();
    skipFlag_ = PlayModeValue == 3 || PlayModeValue == 4;
    noWait_ = false;
    if (!runScript) {
        uint32_t elapsed = elapsedMs;
        if (DropNextTime > 0) {
            DropNextTime = 0;
            elapsed = 0;
        }
        heldTime_ += elapsed;
        if (PendingEvent == 0 && elapsed > 0) UpdateObjects(elapsed);
        return;
    }
    TakeInput(inputEnabled);
    if ((LockFlags & LockView) && PlayModeValue == 1) PlayModeValue = 0;
    if ((LockFlags & LockAuto) && PlayModeValue == 2) PlayModeValue = 0;
    if ((LockFlags & LockSkip) && (PlayModeValue == 3 || PlayModeValue == 4)) PlayModeValue = 0;
    AutomaticAdvance();
    AdvanceTime(elapsedMs);
    RunFrameEvents();
    CommandLoop();
    if (skipFlag_) AutoCountdown = 0;
}

void TZanScript::TakeInput(bool& inputEnabled)
{
    if (clickCooldown_ > 0) --clickCooldown_;
    TInputAction action;
    if (services_.Input) action = services_.Input->NextAction();
    EventText = action.Text;
    EventTarget = action.Target;
    if (PlayModeValue == 1) inputEnabled = false;
    if (action.Number != 0) {
        const int n = action.Number;
        if (config_.OldPlayModeAutoCancel) {
            if (PlayModeValue == 1 || PlayModeValue == 3 || PlayModeValue == 4) {
                PlayModeValue = 0;
                action.Number = 0;
            } else if (PlayModeValue == 2 && n != 1 && n != 2 && n != 4) {
                PlayModeValue = 0;
            }
        } else if (PlayModeValue == 1) {
            PlayModeValue = 0;
            action.Number = 0;
        }
    }
    if (!inputEnabled) return;
    if (services_.Input && objects_)
        objects_->Hover(services_.Input->PointerX(), services_.Input->PointerY());
    ApplyAction(action);
}

void TZanScript::ApplyAction(const TInputAction& action)
{
    switch (action.Number) {
    case 0:
        return;
    case 1:
        Advance(action.X, action.Y, false, 0);
        return;
    case 2:
        Advance(0, 0, false, 1);
        return;
    case 3:
        Advance(action.X, action.Y, false, 2);
        return;
    case 4:
        Advance(0, 0, false, 1);
        skipFlag_ = true;
        return;
    case 34: {
        const auto mask = ParseScriptInt32(action.Target).value_or(0);
        if ((CustomMask & static_cast<uint32_t>(mask)) == 0) PostEvent(22, 0, action);
        return;
    }
    default:
        break;
    }
    for (const TEventAction& entry : EventActions) {
        if (entry.Number == action.Number) PostEvent(entry.Event, entry.Lock, action);
    }
}

void TZanScript::PostEvent(uint8_t event, uint16_t lock, const TInputAction& action)
{
    if (lock != 0 && (LockFlags & lock) != 0) return;
    if (LowerText(action.Target) == "self") {
        // Handled here: the action's label runs as a subroutine at once.
        RunEventLabel(action.Text, action.Text, true, {});
        return;
    }
    PendingEvent = event;
}

void TZanScript::AutomaticAdvance()
{
    const TScriptRoutine& routine = CurrentRoutine();
    if (PlayModeValue == 2) {
        if (AutoCountdown == 0 && (routine.WaitState == 4 || routine.WaitState == 8) &&
            routine.WaitTime < 1 && !(objects_ && objects_->VoicePlaying()))
            Advance(0, 0, true, 1);
    } else if (PlayModeValue == 3 || PlayModeValue == 4) {
        if (routine.WaitState >= 3) Advance(0, 0, true, 1);
    }
}

uint32_t TZanScript::AdvanceTime(uint32_t elapsedMs)
{
    const uint32_t held = heldTime_;
    uint64_t elapsed = static_cast<uint64_t>(elapsedMs) + held;
    Clock = static_cast<int32_t>(
        std::min<uint64_t>(static_cast<uint64_t>(Clock) + elapsed, ClockLimit));
    if (PauseFrames > 0) --PauseFrames;
    if (DropNextTime > 0) {
        DropNextTime = 0;
        elapsed = 0;
    }
    elapsed += static_cast<uint64_t>(std::max(ExtraTime, 0));
    ExtraTime = 0;
    elapsed = std::min<uint64_t>(elapsed, 0x7FFFFFFF);
    TScriptRoutine& routine = CurrentRoutine();
    // States 5 and 6 wait for a point in time, not for a span.
    if (routine.WaitTime > 0 && routine.WaitState != 5 && routine.WaitState != 6) {
        const auto e = static_cast<int64_t>(elapsed);
        routine.WaitTime = static_cast<int32_t>(std::max<int64_t>(routine.WaitTime - e, 0));
        routine.WaitTime2 = static_cast<int32_t>(std::max<int64_t>(routine.WaitTime2 - e, 0));
    }
    if (PendingEvent == 0 && elapsed > held) UpdateObjects(static_cast<uint32_t>(elapsed - held));
    heldTime_ = 0;
    AutoCountdown = static_cast<int32_t>(
        std::max<int64_t>(static_cast<int64_t>(AutoCountdown) - static_cast<int64_t>(elapsed), 0));
    return static_cast<uint32_t>(elapsed);
}

void TZanScript::RunFrameEvents()
{
    RunEventLabel("@@!OnFrameEvent", "@@OnFrameEvent", true, {});
    if (!FrameEventLabel.empty()) RunEventLabel(FrameEventLabel, FrameEventLabel, true, {});
}

void TZanScript::CommandLoop()
{
    const int32_t limit = std::max(CommandsPerFrame, 1);
    for (int64_t i = 0;; ++i) {
        if (noWait_ ? i > 65536 : i >= limit) return;
        if (PauseFrames > 0 || PendingEvent != 0 || errorRaised_) return;
        StepWaitState();
        const uint8_t state = CurrentRoutine().WaitState;
        if ((state != 0 && state != 1) || errorRaised_) return;
        if (reader_.AtEnd()) return;
    }
}

// One step of the command loop by the current routine's wait state.
void TZanScript::StepWaitState()
{
    TScriptRoutine& routine = CurrentRoutine();
    switch (routine.WaitState) {
    case 0: {
        const std::string_view command = reader_.ReadCommand();
        ExecuteLine(command, reader_.LastCommandTag());
        return;
    }
    case 1:
        calc_.GameStore().SetInteger("ResultStopInt", 0, routine.WaitTime);
        routine.WaitTime = 0;
        ExtraTime += routine.WaitTime2;
        routine.WaitTime2 = 0;
        routine.WaitState = 0;
        return;
    case 2:
        StopStep();
        return;
    case 3:
    case 4:
        if (routine.WaitTime == 0) routine.WaitState = 0;
        return;
    case 5:
        if (Clock >= routine.WaitTime) routine.WaitState = 0;
        return;
    case 6:
    case 10: {
        const int channel = routine.WaitChannel;
        const bool inBank = objects_ && channel >= 0 && channel < objects_->SoundChannelCount();
        if (!inBank || !objects_->SoundPlaying(channel)) routine.WaitState = 0;
        return;
    }
    case 7:
    case 8: {
        const int state = objects_ ? objects_->MessageWaitState() : 0;
        routine.WaitState = state == 1 ? 7 : state == 2 ? 8 : 0;
        return;
    }
    case 9:
        if (routine.WaitTime == 0) {
            calc_.GameStore().SetObject("ResultBtn", 0, "");
            calc_.GameStore().SetInteger("ResultBtnInt", 0, 0);
            calc_.GameStore().SetString("ResultBtnStr", 0, "");
            routine.WaitState = 0;
        }
        return;
    default:
        routine.WaitState = 0;
        return;
    }
}

void TZanScript::UpdateObjects(uint32_t elapsed)
{
    if (!objects_) return;
    if (PlayModeValue == 1) objects_->Hover(4096, 4096);
    objects_->Update(elapsed);
}

void TZanScript::Advance(int x, int y, bool automatic, int kind)
{
    if ((kind == 0 || kind == 2) && objects_ && objects_->OfferClick(x, y, kind)) {
        clickCooldown_ = 0;
        return;
    }
    if (kind == 2) return;
    AutoCountdown = 0;
    clickCooldown_ = ClickCooldownFrames;
    (void)automatic;
    TScriptRoutine& routine = CurrentRoutine();
    switch (routine.WaitState) {
    case 2:
        if (noWait_) {
            routine.WaitTime = routine.WaitTime2 = 0;
            routine.WaitState = 0;
        }
        break;
    case 4:
        if (routine.WaitTime2 > 0) ExtraTime += routine.WaitTime2;
        calc_.GameStore().SetInteger("ResultClkInt", 0, routine.WaitTime);
        routine.WaitTime = routine.WaitTime2 = 0;
        routine.WaitState = 0;
        break;
    case 5:
        calc_.GameStore().SetInteger("ResultClkInt", 0, Clock);
        if (!routine.JumpLabel.empty()) {
            routine.WaitState = 0;
            ExecuteLine("\\jmp," + routine.JumpLabel);
        }
        break;
    case 6:
        calc_.GameStore().SetInteger("ResultClkInt", 0, 0);
        if (!routine.JumpLabel.empty()) {
            routine.WaitState = 0;
            ExecuteLine("\\jmp," + routine.JumpLabel);
        }
        break;
    case 9:
        if (config_.OldPlayModeAutoCancel) PlayModeValue = 0;
        break;
    case 10:
        routine.WaitState = 0;
        break;
    default:
        break;
    }
}

} // namespace tsukimi
