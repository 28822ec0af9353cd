#include "shell/ZanSystem.h"

#include "data/GameData.h"
#include "data/MTRandom.h"
#include "platform/FontCatalog.h"
#include "script/NullScript.h"
#include "script/ScriptInput.h"
#include "script/ScriptObjects.h"
#include "script/ScriptSource.h"
#include "shell/DirectXPack.h"
#include "shell/EngineTexts.h"
#include "shell/MessageTable.h"
#include "shell/SystemConfig.h"
#include "shell/SystemData.h"
#include "shell/SystemDialogs.h"
#include "data/TextHelpers.h"
#include "shell/TextUtil.h"

#include <algorithm>
#include <cstdio>

namespace tsukimi {
namespace {

constexpr int32_t kOverlayMaximumZ = 0x20000;
constexpr uint32_t kOverlayText = 0xFFFFFF88u; // light yellow
constexpr uint32_t kOverlayBack = 0xFF000000u;

std::string Format(const char* format, std::initializer_list<std::string_view> args)
{
    std::string out;
    auto arg = args.begin();
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            if (arg != args.end())
                out += *arg++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

std::vector<std::string> SplitComma(std::string_view text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        parts.emplace_back(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return parts;
}

} // namespace

TZanSystem::TZanSystem(TZanSystemEnvironment env, TZanSystemParts parts)
    : env_(env), parts_(std::move(parts)), clock_(*env.Platform.clock)
{
    lastFrameTime_ = clock_.Now();
}

TZanSystem::~TZanSystem()
{
    if (sound_)
        sound_->PauseAll();
    menu_.reset();
    log_.reset();
    config_.reset();
    fileSelect_.reset();
    gameScript_.reset();
    systemScript_.reset();
    sound_.reset();
    if (pack_)
        pack_->SetSwitchCallbacks({}, {});
    if (env_.Data)
        env_.Data->ClearVirtualFileHooks();
}

uint64_t TZanSystem::Now()
{
    return clock_.Now();
}

std::string TZanSystem::Message(std::string_view key) const
{
    return env_.Messages.Get(key);
}

bool TZanSystem::Setup(TDirectXPack& pack)
{
    pack_ = &pack;
    auto& settings = env_.Settings;
    if (TGameData* data = env_.Data) {
        data->SetVirtualFileHooks([this](std::string_view name) { return VirtualFileExists(name); },
                                  [this](std::string_view name) -> std::optional<TMemoryStream> {
                                      auto bytes = VirtualFileLoad(name);
                                      if (!bytes)
                                          return std::nullopt;
                                      return TMemoryStream(std::move(*bytes));
                                  });
        auto table = data->LoadData(RandomTableFile);
        TMTRandom generator;
        LoadRandomTable(table ? std::optional(table->Bytes()) : std::nullopt, generator);
        if (auto voices = data->LoadData("system\\voice\\voicedata.dat"))
            ReadVoiceList(TSettingsText(std::string_view(reinterpret_cast<const char*>(voices->Data()), voices->Size())),
                          settings.ActorLists);
        if (auto fonts = data->LoadData("system\\font\\fontdata.dat"))
            ReadFontList(TSettingsText(std::string_view(reinterpret_cast<const char*>(fonts->Data()), fonts->Size())),
                         settings.FontLists, platform::InstalledJapaneseFaces());
    }
    input_.SetWindowToGame([&pack](int x, int y) { return pack.WindowToGame(x, y); });
    input_.SetGameToWindow([&pack](int x, int y) { return pack.GameToWindow(x, y); });
    sound_ = parts_.Sound ? parts_.Sound() : nullptr;
    if (!sound_)
        sound_ = std::make_unique<TNullSound>();

    auto makeScript = [&](const std::string& name, TZanScriptInterface* parent) {
        std::unique_ptr<TZanScriptInterface> script;
        if (parts_.Scripts)
            script = parts_.Scripts(name, parent, *this);
        else if (env_.Data)
            script = MakeInterpreter(name, parent);
        else
            script = std::make_unique<TNullScript>(name, settings.Game.ScreenWidth,
                                                   settings.Game.ScreenHeight);
        return script;
    };
    gameScript_ = makeScript("GameThread", nullptr);
    if (!gameScript_)
        return false;
    systemScript_ = makeScript("SystemThread", gameScript_.get());
    if (!systemScript_)
        return false;

    config_ = parts_.Config ? parts_.Config() : nullptr;
    if (!config_)
        config_ = std::make_unique<TNullConfigDialog>();
    config_->Reapply();
    input_.SetKeyRepeatDelay(static_cast<uint32_t>(std::max(settings.User.KeyCallbackTime, 50)));
    input_.SetMouseHideTime(static_cast<uint32_t>(std::max(settings.User.MouseHideTime, 0)));

    auto makeScreen = [&](TEngineMode which) {
        std::unique_ptr<TSystemScreen> screen = parts_.Screens ? parts_.Screens(which) : nullptr;
        if (!screen)
            screen = std::make_unique<TUnavailableScreen>();
        return screen;
    };
    menu_ = makeScreen(TEngineMode::Menu);
    log_ = makeScreen(TEngineMode::Backlog);
    fileSelect_ = makeScreen(TEngineMode::SaveScreen);

    pack.SetSwitchCallbacks(
        [this] {
            gameScript_->ReleaseDisplayResources();
            systemScript_->ReleaseDisplayResources();
        },
        [this] {
            gameScript_->RebuildDisplayResources();
            systemScript_->RebuildDisplayResources();
        });

    SetMode(0, 0);
    running_ = 1;
    titleAccumulator_ = 0;
    averageWork_ = 0;
    isSetUp_ = 1;
    return true;
}

void TZanSystem::Start()
{
    config_->Prepare();
    input_.SetMouseAutoHide(false);
    ResetGame();
    Execute(*gameScript_, "@@top", "StartUp.s");
}

void TZanSystem::Execute(TZanScriptInterface& script, std::string_view label, std::string_view file)
{
    std::string command = "\\go,\"";
    command += label;
    command += "\",\"";
    command += file;
    command += "\"";
    script.ExecuteCommandText(command);
}

TZanScriptInterface* TZanSystem::Current()
{
    if (mode_ == static_cast<uint8_t>(TEngineMode::SystemRunning))
        return systemScript_.get();
    return gameScript_.get();
}

TZanScriptInterface& TZanSystem::CurrentScript()
{
    return *Current();
}

void TZanSystem::SetMode(uint8_t mode, int32_t param)
{
    frameCounter_ = 0;
    mode_ = mode;
    modeTicks_ = 0;
    modeParam_ = param;
}

void TZanSystem::SetRunning(bool running)
{
    const uint8_t value = running ? 1 : 0;
    if (value == running_)
        return;
    input_.Clear();
    if (sound_) {
        if (running)
            sound_->ResumeAll();
        else
            sound_->PauseAll();
    }
    running_ = value;
}

uint32_t TZanSystem::PaceFrame()
{
    const auto& settings = env_.Settings;
    TPacingState state;
    state.FPSLimit = settings.User.FPSLimit;
    state.FPSDeactiveDecay = settings.User.FPSDeactiveDecay;
    state.Active = env_.Platform.window->IsActive();
    state.Skip = settings.SkipFlag != 0;
    state.NoWait = settings.NoWaitFlag != 0;
    state.DebugState = debugState_;
    const uint32_t target = FrameInterval(state);
    const uint32_t elapsed = WaitForFrame(clock_, lastFrameTime_, target);
    lastInterval_ = elapsed;
    return target;
}

uint8_t TZanSystem::Tick()
{
    auto& platform = env_.Platform;
    const auto& settings = env_.Settings;
    const bool active = platform.window->IsActive();
    if ((active ? 1 : 0) != activeFlag_) {
        activeFlag_ = active ? 1 : 0;
        if (ActiveCallback)
            ActiveCallback(active);
    }
    const bool vsync = settings.User.VSyncMode == 1 && settings.SkipFlag == 0 && settings.NoWaitFlag == 0;
    if (vsync != vsync_) {
        vsync_ = vsync;
        platform.presenter->SetVSync(vsync);
    }
    const uint32_t target = PaceFrame();
    const uint32_t interval = lastInterval_;
    const uint64_t frameStart = lastFrameTime_;
    if (scriptErrorFlag_)
        debugState_ = 3;

    uint8_t result = 0;
    if ((mode_ != static_cast<uint8_t>(TEngineMode::Config) && debugState_ == 0) || active) {
        if (running_) {
            RunModeHandler(interval);
            DebuggerOverlay(interval);
            result = mode_;
        }
        modeTicks_ = modeTicks_ >= 0xFFFFFFFu ? 0xFFFFu : modeTicks_ + 1;
        const uint64_t now = Now();
        const uint32_t work = static_cast<uint32_t>(std::min<uint64_t>(now - frameStart, 0xFFFFFFFFu));
        averageWork_ = static_cast<uint32_t>((uint64_t{averageWork_} + work) / 2);
        titleAccumulator_ += interval;
        if (titleAccumulator_ > 1000) {
            UpdateTitle(interval, target);
            titleAccumulator_ = 0;
            averageWork_ = work;
        }
    }
    return result;
}

void TZanSystem::UpdateTitle(uint32_t interval, uint32_t target)
{
    const auto& settings = env_.Settings;
    const int limit = settings.User.FPSLimit;
    std::string caption = settings.Game.FormCaption;
    std::string title = settings.Game.GameTitle;
    const std::string& override_ = settings.User.MinimizeOverrideTitle;
    if (LowerText(override_, LowerMode::Ascii) != "none" && env_.Platform.window->IsMinimised())
        caption = title = override_;
    const int64_t fps = std::min<int64_t>(limit, 1000 / std::max<uint32_t>(interval, 1));
    // The work share is measured against the pacing interval actually in
    // force, so any frame limit (0, negative, above 1000) is safe here.
    const int64_t cpu =
        std::clamp<int64_t>(static_cast<int64_t>(averageWork_) * 100 / std::max<uint32_t>(target, 1), 0, 100);
    caption = ReplaceAllIgnoreCase(caption, "%%%fps", std::to_string(fps));
    caption = ReplaceAllIgnoreCase(caption, "%%%limit", std::to_string(limit));
    caption = ReplaceAllIgnoreCase(caption, "%%%cpu", std::to_string(cpu));
    caption_ = caption;
    env_.Platform.window->SetCaption(caption);
}

void TZanSystem::RunModeHandler(uint32_t interval)
{
    switch (static_cast<TEngineMode>(mode_)) {
    case TEngineMode::ExitConfirm: ConfirmHandler(true); break;
    case TEngineMode::ResetConfirm: ConfirmHandler(false); break;
    case TEngineMode::Quitting: QuittingHandler(); break;
    case TEngineMode::GameRunning:
    case TEngineMode::SystemRunning: RunningHandler(interval, false); break;
    case TEngineMode::Menu:
    case TEngineMode::Backlog:
    case TEngineMode::SaveScreen:
    case TEngineMode::LoadScreen: ScreenHandler(static_cast<TEngineMode>(mode_), interval); break;
    case TEngineMode::Config: ConfigHandler(); break;
    default: break;
    }
}

void TZanSystem::RunningHandler(uint32_t interval, bool singleStep)
{
    lastStepRaisedRequest_ = false;
    if (debugState_ != 0 && !singleStep)
        return;
    TZanScriptInterface* script = Current();
    if (script->FrameOverrideClaims()) {
        script->ResetDrawingTransform();
        script->AfterFrameHooks();
        return;
    }
    const auto& settings = env_.Settings;
    const int n = settings.User.ScriptFrameSkip;
    const bool skipped =
        n > 0 && frameCounter_ % static_cast<uint32_t>(std::min(n + 1, 10)) > 0;
    if (skipped && settings.SkipFlag == 0) {
        script->Step(interval, false, false);
    } else {
        input_.Poll();
        script->Step(interval, true, true);
    }
    frameCounter_ = (frameCounter_ + 1) % 16777215u;
    TRenderOptions options;
    options.Interlace = settings.User.Interlace == 1;
    options.Overlays = true;
    options.MaximumZ = kOverlayMaximumZ;
    script->Render(options);
    TSystemRequest request = script->TakeRequest();
    if (request.Code == 0) {
        Present(script, false);
        return;
    }
    lastStepRaisedRequest_ = true;
    HandleRequest(request);
    Current()->RefreshGraphic();
}

void TZanSystem::HandleRequest(const TSystemRequest& request)
{
    const uint8_t code = request.Code & 0x7F;
    const bool labelFirst = code != 8 && code != 22 && code != 23 && code != 25;
    if ((labelFirst && !request.Label.empty()) || code == 22) {
        CallSystemLabel(request.Label);
        return;
    }
    DefaultRequestAction(code, request.Label);
}

bool TZanSystem::DefaultRequestAction(uint8_t code, const std::string& label)
{
    switch (code) {
    case 1:
        if (CloseWindow)
            CloseWindow();
        break;
    case 2: SetMode(2); break;
    case 3: SetMode(1); break;
    case 4: SetMode(7); break;
    case 5: SetMode(8); break;
    case 6:
        if (pack_)
            pack_->ToggleFullScreen();
        break;
    case 7: SetMode(4); break;
    case 8: {
        const auto parts = SplitComma(label);
        if (parts.size() == 2)
            ResetGame(parts[0], parts[1]);
        else
            ResetGame();
        break;
    }
    case 9: SetMode(9); break;
    case 10: SetMode(10); break;
    case 11: SetMode(11, -1); break;
    case 12: TogglePlayMode(1); break;
    case 13: TogglePlayMode(2); break;
    case 14: TogglePlayMode(3); break;
    case 15: TogglePlayMode(4); break;
    case 16: QuickSave(); break;
    case 17: QuickLoad(); break;
    case 18: SelectLoad(); break;
    case 19: SetMode(11, 1); break;
    case 20: SetMode(11, 2); break;
    case 21: SceneReturn(); break;
    case 23: ReturnToGame(); break;
    case 24:
        // Full screen is left first when in it.
        if (env_.Settings.User.FullScreen != 0 && pack_)
            pack_->ToggleFullScreen();
        env_.Platform.window->Minimise();
        break;
    case 25: debugState_ = 1; break;
    default: return false;
    }
    return true;
}

void TZanSystem::TogglePlayMode(int mode)
{
    SetMode(5);
    if (gameScript_->PlayMode() == mode)
        gameScript_->CancelPlayMode(true);
    else
        gameScript_->SetPlayMode(mode);
}

void TZanSystem::QuickSave()
{
    // The quick-save slots come with the save screens' layout; without the
    // layout the game's own label handles it.
    if (!DataExists || !DataExists("System\\QuickSaveLoad\\Layout.dat")) {
        CallSystemLabel("@@QUICKSAVE");
        return;
    }
    // A save the player asked for says so when it fails.
    if (!gameScript_->SaveGame(NextQuickSaveName()))
        env_.Dialogs.ShowDialog1("", Message("WriteSaveFileError"), Message("OK"));
    gameScript_->SetAfterLoadLabel("*OnQuickSave");
    SetMode(5);
    gameScript_->RequestRedraw();
}

void TZanSystem::QuickLoad()
{
    if (!DataExists || !DataExists("System\\QuickSaveLoad\\Layout.dat")) {
        CallSystemLabel("@@QUICKLOAD");
        return;
    }
    SetMode(5);
    gameScript_->RequestRedraw();
}

void TZanSystem::SelectLoad()
{
    if (!gameScript_->SaveFileExists("SelectSaveData.svd"))
        return;
    const int yes = env_.Dialogs.ShowDialog2("", Message("SelectLoad_Text"), Message("SelectLoad_Yes"),
                                             Message("SelectLoad_no"));
    if (yes != 1)
        return;
    gameScript_->LoadGame("SelectSaveData.svd");
    SetMode(5);
    gameScript_->RequestRedraw();
    gameScript_->SetAfterLoadLabel("*OnSelectLoad");
}

void TZanSystem::SceneReturn()
{
    if (!gameScript_->SceneReturnPossible())
        return;
    gameScript_->SceneReturn();
    SetMode(5);
    gameScript_->RequestRedraw();
    gameScript_->SetAfterLoadLabel("*OnSceneReturn");
}

void TZanSystem::ConfirmHandler(bool exit)
{
    input_.SetMouseAutoHide(false);
    Present(nullptr, true);
    const char* text = exit ? "EXIT_Text" : "RESET_Text";
    const char* yes = exit ? "EXIT_Yes" : "RESET_Yes";
    const char* no = exit ? "EXIT_no" : "RESET_no";
    const int answer = env_.Dialogs.ShowDialog2("", Message(text), Message(yes), Message(no));
    if (exit) {
        SetMode(answer == 1 ? 2 : 5);
        return;
    }
    if (answer == 1)
        ResetGame();
    SetMode(5);
}

void TZanSystem::QuittingHandler()
{
    input_.SetMouseAutoHide(false);
    gameScript_->CancelPlayMode(true);
    SetMode(0);
}

void TZanSystem::ScreenHandler(TEngineMode mode, uint32_t interval)
{
    input_.SetMouseAutoHide(false);
    input_.Poll();
    TSystemScreen* screen = mode == TEngineMode::Menu      ? menu_.get()
                            : mode == TEngineMode::Backlog ? log_.get()
                                                           : fileSelect_.get();
    if (!screen->Available()) {
        static const char* const kLabels[] = {"@@MENU", "@@LOG", "@@SAVE", "@@LOAD"};
        CallSystemLabel(kLabels[static_cast<int>(mode) - static_cast<int>(TEngineMode::Menu)]);
        return;
    }
    if (modeTicks_ == 1) {
        gameScript_->CancelPlayMode(false);
        screen->Open();
        lastFrameTime_ = Now();
    }
    const int result = screen->Step(interval);
    switch (mode) {
    case TEngineMode::Menu:
        if (result == 0) {
            screen->Draw();
            Present(nullptr, false);
        } else {
            MenuChoice(result & 0x7F);
        }
        if (mode_ != static_cast<uint8_t>(TEngineMode::Menu))
            screen->Close();
        break;
    case TEngineMode::Backlog:
        if (result == 0) {
            screen->Draw();
            Present(nullptr, false);
        } else {
            SetMode(5);
            Present(nullptr, true);
            screen->Close();
            gameScript_->RequestRedraw();
        }
        break;
    default:
        if (result == 0) {
            screen->Draw();
            Present(nullptr, false);
        } else if (result == -1) {
            SetMode(5);
            Present(nullptr, true);
            screen->Close();
            gameScript_->RequestRedraw();
        } else if (result == 1) {
            const std::string file = screen->ChosenFile();
            if (mode == TEngineMode::SaveScreen || !gameScript_->SaveFileExists(file))
                gameScript_->SaveGame(file);
            else
                gameScript_->LoadGame(file);
            gameScript_->SetAfterLoadLabel(screen->ChosenLabel());
            SetMode(5);
            gameScript_->RequestRedraw();
        }
        break;
    }
}

void TZanSystem::MenuChoice(int choice)
{
    auto playMode = [this](int m) {
        if (gameScript_->AllowsPlayMode(m))
            gameScript_->SetPlayMode(m);
        SetMode(5);
    };
    switch (choice) {
    case 1: SetMode(5); break;
    case 2: SetMode(10); break;
    case 3: SetMode(9); break;
    case 4: SetMode(8); break;
    case 6: playMode(1); break;
    case 7: playMode(3); break;
    case 8: playMode(2); break;
    case 9: playMode(4); break;
    case 10:
        if (pack_)
            pack_->ToggleFullScreen();
        SetMode(5);
        break;
    case 11: SetMode(11, -1); break;
    case 12: SetMode(1); break;
    case 13: SetMode(4); break;
    case 14: QuickSave(); SetMode(5); break;
    case 15: QuickLoad(); SetMode(5); break;
    case 16: SelectLoad(); SetMode(5); break;
    case 17: SceneReturn(); SetMode(5); break;
    default:
        SetMode(5);
        gameScript_->RequestRedraw();
        break;
    }
}

void TZanSystem::ConfigHandler()
{
    input_.SetMouseAutoHide(false);
    Present(nullptr, true);
    gameScript_->CancelPlayMode(false);
    config_->Prepare();
    config_->ShowModal(modeParam_);
    SetMode(5);
    Present(nullptr, true);
}

void TZanSystem::DebuggerOverlay(uint32_t interval)
{
    switch (debugState_) {
    case 1:
    case 3: {
        const bool error = debugState_ == 3;
        input_.Poll();
        lastFrameTime_ = Now();
        if (error)
            ClearScriptErrorFlag();
        TRenderOptions options;
        options.Interlace = env_.Settings.User.Interlace == 1;
        options.MaximumZ = kOverlayMaximumZ;
        Current()->Render(options);
        DrawOverlay(error);
        Present(Current(), false);
        break;
    }
    case 2:
        input_.Poll();
        ClearScriptErrorFlag();
        RunningHandler(interval, true);
        if (!lastStepRaisedRequest_)
            debugState_ = 1;
        break;
    default: break;
    }
}

void TZanSystem::ClearScriptErrorFlag()
{
    scriptErrorFlag_ = false;
    gameScript_->ClearErrorFlag();
    systemScript_->ClearErrorFlag();
}

void TZanSystem::DrawOverlay(bool error)
{
    auto& text = *env_.Platform.overlayText;
    const platform::MutableFrame frame = Current()->MutableGraphic();
    if (!frame.pixels)
        return;
    auto line = [&](int x, int y, const std::string& s) {
        text.Draw(frame, x, y, s, 12, kOverlayText, kOverlayBack);
    };
    line(20, 100, error ? texts::kScriptError : texts::kStopped);
    const TScriptPosition pos = Current()->Position();
    line(20, 130, Current() == systemScript_.get() ? texts::kThreadSystem : texts::kThreadGame);
    line(20, 146, Format(texts::kCallerFormat, {pos.CallerFile, pos.CallerLine, pos.CallerText}));
    line(20, 162, Format(texts::kCurrentFormat, {pos.CurrentFile, pos.CurrentLine, pos.CurrentText}));
    line(20, 178, Format(texts::kCodeFormat, {pos.CommandText}));
    if (!error)
        return;
    const size_t count = std::min<size_t>(errors_.size(), 21);
    for (size_t i = 0; i < count; ++i)
        line(20, 200 + 12 * static_cast<int>(i), errors_[i]);
}

void TZanSystem::Paint()
{
    Present(nullptr, true);
}

void TZanSystem::Present(TZanScriptInterface* script, bool force)
{
    if (!pack_ || !pack_->Ready())
        return;
    if (!script)
        script = Current();
    auto& presenter = *env_.Platform.presenter;
    if (!presenter.Ready()) {
        // A lost output is brought back while the window is active; when
        // that fails the engine cannot go on.
        if (!env_.Platform.window->IsActive())
            return;
        if (!presenter.Restore()) {
            env_.Dialogs.ShowDialog1("", Message("BackBufferResetERROR"), Message("OK"));
            if (Halt)
                Halt();
            return;
        }
    }
    platform::FrameView frame;
    const auto mode = static_cast<TEngineMode>(mode_);
    if (mode == TEngineMode::GameRunning || mode == TEngineMode::SystemRunning) {
        if (script->FrameOverrideClaims()) {
            script->ResetDrawingTransform();
            script->LastAfterFrameHook();
            return;
        }
        frame = script->Graphic();
    } else if (mode >= TEngineMode::Menu && mode <= TEngineMode::LoadScreen) {
        frame = script->ContextImage();
    } else {
        frame = script->Graphic();
    }
    if (!frame.pixels)
        return;
    platform::PresentRequest request;
    request.frame = frame;
    request.dest = pack_->GameRect();
    request.force = force;
    request.halfLine = env_.Settings.User.Interlace == 1 && !force;
    request.lineParity = static_cast<int>(frameCounter_ & 1);
    int bands = 0;
    request.bandRedraws = script->BandRedraws(bands);
    request.bandCount = bands;
    if (!request.bandRedraws) {
        allBands_.assign(static_cast<size_t>((frame.height + 99) / 100), 1);
        request.bandRedraws = allBands_.data();
        request.bandCount = static_cast<int>(allBands_.size());
    }
    presenter.Present(request);
    if (keepFrames_) {
        lastSize_ = {frame.width, frame.height};
        lastPixels_.resize(static_cast<size_t>(frame.width) * frame.height);
        for (int y = 0; y < frame.height; ++y)
            std::copy_n(frame.pixels + static_cast<size_t>(y) * frame.stride, frame.width,
                        lastPixels_.begin() + static_cast<ptrdiff_t>(y) * frame.width);
    }
}

void TZanSystem::ResetGame(std::string_view label, std::string_view file)
{
    SetRunning(true);
    errors_.clear();
    systemScript_->Reset();
    gameScript_->Reset();
    menu_->Reset();
    fileSelect_->Reset();
    log_->Reset();
    sound_->StopAll();
    config_->Reapply();
    SetMode(5);
    Present(nullptr, true);
    if (!label.empty() && !file.empty())
        Execute(*gameScript_, label, file);
    else
        Execute(*gameScript_, "@@reset", "startup.s");
    debugState_ = 0;
}

void TZanSystem::CallSystemLabel(std::string_view label)
{
    frameCounter_ = 0;
    TZanScriptInterface* current = Current();
    current->CancelPlayMode(false);
    if (current == gameScript_.get())
        gameScript_->FireThreadStopEvent();
    SetMode(6);
    systemScript_->Reset();
    Execute(*systemScript_, label, "SysStartUp.s");
    systemScript_->FireThreadResumeEvent();
    systemScript_->RefreshGraphic();
}

void TZanSystem::ReturnToGame()
{
    frameCounter_ = 0;
    systemScript_->Reset();
    systemScript_->FireThreadStopEvent();
    SetMode(5);
    gameScript_->RefreshGraphic();
    gameScript_->FireThreadResumeEvent();
}

void TZanSystem::ReportScriptError(std::string_view message)
{
    scriptErrorFlag_ = true;
    std::string line = "[ERROR]:";
    line += message;
    errors_.push_back(line);
    line += "\r\n";
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(line.data()), line.size());
    auto& files = *env_.Platform.files;
    // The log is a diagnostic, not player data: the first line of a list
    // starts a new file, later lines are appended; failures are ignored.
    if (errors_.size() == 1)
        files.Replace("ERRORLOG.txt", bytes);
    else
        files.Append("ERRORLOG.txt", bytes);
}

bool TZanSystem::VirtualFileExists(std::string_view name)
{
    const std::string lower = LowerText(name);
    auto starts = [&](std::string_view prefix) { return lower.rfind(prefix, 0) == 0; };
    if (starts("$$$gamethreadimage") || starts("$$$systemthreadimage"))
        return true;
    auto item = [&](std::string_view prefix) {
        std::string rest(name.substr(prefix.size()));
        const size_t dot = rest.rfind('.');
        if (dot != std::string::npos)
            rest.resize(dot);
        const size_t comma = rest.find(',');
        return comma == std::string::npos ? std::string{} : rest.substr(comma + 1);
    };
    auto& files = *env_.Platform.files;
    if (starts("$$$saveimage"))
        return files.Exists("SaveData\\" + item("$$$saveimage"));
    if (starts("$$$fileimport")) {
        std::string path(name.substr(std::string_view("$$$fileimport").size()));
        if (!path.empty() && path.front() == ',')
            path.erase(0, 1);
        return files.Exists(path);
    }
    return false;
}

std::optional<std::vector<uint8_t>> TZanSystem::VirtualFileLoad(std::string_view name)
{
    const std::string lower = LowerText(name);
    if (lower.rfind("$$$fileimport", 0) == 0) {
        std::string path(name.substr(std::string_view("$$$fileimport").size()));
        if (!path.empty() && path.front() == ',')
            path.erase(0, 1);
        return env_.Platform.files->ReadAll(path);
    }
    // Scene renders and save thumbnails as images come with the image
    // formats.
    return std::nullopt;
}

} // namespace tsukimi
