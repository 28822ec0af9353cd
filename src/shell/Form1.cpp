#include "shell/Form1.h"

#include "platform/Processor.h"
#include "platform/TextCodec.h"
#include "graphics/IcoDecoder.h"
#include "data/TextHelpers.h"
#include "shell/DirectXPack.h"
#include "shell/DisplayLog.h"
#include "shell/SystemConfig.h"
#include "shell/EngineTexts.h"
#include "shell/TaskTray.h"
#include "shell/TextUtil.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tsukimi {
namespace {

constexpr uint32_t kTrayPollMs = 500;

} // namespace

int FilterWindowKey(int virtualKey)
{
    switch (virtualKey) {
    case 121: // F10
    case 18:  // Alt
    case 91:  // left Windows
    case 92:  // right Windows
    case 93:  // Applications
        return 0;
    default: return virtualKey;
    }
}

TForm1::TForm1(platform::Platform& platform, TZanSystemParts parts)
    : platform_(platform), parts_(std::move(parts)), dialogs_(*platform.dialogs, appTitle_),
      gameData_(std::make_unique<TGameData>(*platform.files))
{
    HaltProcess = [](int status) { std::exit(status); };
    InstallDefaultHooks();
    lastTrayPoll_ = platform_.clock->Now();
}

TForm1::~TForm1()
{
    if (!destroyed_ && !halted_)
        FormDestroy();
    platform_.presenter->Log = nullptr;
}

namespace {

constexpr char kUserSettingsFile[] = "GameData\\System\\config.txt";

std::string AsText(const TMemoryStream& stream)
{
    return std::string(reinterpret_cast<const char*>(stream.Data()), stream.Size());
}

} // namespace

void TForm1::InstallDefaultHooks()
{
    hooks_.ProcessorCheck = [] { return platform::ProcessorHasMmx(); };
    hooks_.OpenGameData = [this] { return gameData_->OpenPacks("GameData\\") > 0; };
    hooks_.MessageText = [this]() -> std::optional<std::string> {
        for (const char* name : {"System\\etc\\Message.dat", "System\\etc\\Message.txt"})
            if (auto data = gameData_->LoadData(name))
                return AsText(*data);
        return std::nullopt;
    };
    hooks_.LoadGameDefinition = [this] { return LoadEngineFiles(); };
    hooks_.LoadUserSettings = [this] { LoadUserSettingsFile(); };
    hooks_.SetCrcCheck = [this](bool on) {
        gameData_->SetCrcCheck(on);
        gameData_->SetCrcFailure([this](const std::string& entry) { ShowCrcError(entry); });
    };
    hooks_.DataExists = [this](std::string_view name) { return !gameData_->ResolveName(name).empty(); };
    hooks_.WriteUserSettings = [this] { SaveUserSettingsFile(); };
    hooks_.CloseGameData = [this] { gameData_->ClosePacks(); };
}

bool TForm1::LoadEngineFiles()
{
    auto definition = gameData_->LoadData("System\\etc\\Game.dat");
    if (!definition)
        return false;
    ReadGameDefinition(TSettingsText(AsText(*definition)), settings_.Game);
    SetLowerTextMode(settings_.Game.OldFilePackMBCSMode ? LowerMode::Ansi : LowerMode::Ascii);
    if (auto defaults = gameData_->LoadData("System\\etc\\Config.txt"))
        ReadUserSettings(TSettingsText(AsText(*defaults)), settings_.Defaults);
    LoadIcon();
    return true;
}

void TForm1::LoadIcon()
{
    // A missing or damaged icon leaves the standard one.
    auto data = gameData_->LoadData("system\\etc\\icon.ico");
    if (!data)
        return;
    if (auto icon = DecodeIco(data->Bytes()))
        platform_.window->SetIcon(icon->Pixels.data(), icon->Width, icon->Height);
}

void TForm1::LoadUserSettingsFile()
{
    if (auto bytes = platform_.files->ReadAll(kUserSettingsFile))
        ReadUserSettings(TSettingsText(std::string(bytes->begin(), bytes->end())), settings_.User);
}

void TForm1::SaveUserSettingsFile()
{
    auto& files = *platform_.files;
    std::string old;
    if (auto bytes = files.ReadAll(kUserSettingsFile))
        old.assign(bytes->begin(), bytes->end());
    TSettingsText text(old);
    WriteUserSettings(text, settings_.User);
    const std::string out = text.Text();
    // Written through the safe replace: a failed write keeps the old file.
    files.MakeFolders("GameData\\System");
    files.Replace(kUserSettingsFile, std::span(reinterpret_cast<const uint8_t*>(out.data()), out.size()));
}

void TForm1::ShowCrcError(const std::string& entry)
{
    const std::string text = messages_.Get("CRCCHECKERROR") + "%%%n" + entry;
    std::fprintf(stderr, "tsukimi: %s\n", platform::SjisToUtf8(ReplaceAllIgnoreCase(text, "%%%n", " ")).c_str());
    dialogs_.ShowDialog1("", text, messages_.Get("OK"));
    Halt(text);
    HaltProcess(1);
}

void TForm1::Halt(const std::string& text)
{
    halted_ = true;
    haltText_ = text;
}

void TForm1::HaltWithText(const char* text)
{
    if (!platform_.headless)
        std::fprintf(stderr, "tsukimi: %s\n", platform::SjisToUtf8(ReplaceAllIgnoreCase(text, "%%%n", " ")).c_str());
    dialogs_.ShowDialog1("", text, "OK");
    Halt(text);
}

void TForm1::HaltWithKey(const char* key)
{
    const std::string text = messages_.Get(key);
    if (!platform_.headless || text.empty()) {
        const std::string shown = text.empty() ? std::string(key)
                                               : platform::SjisToUtf8(ReplaceAllIgnoreCase(text, "%%%n", " "));
        std::fprintf(stderr, "tsukimi: %s\n", shown.c_str());
    }
    dialogs_.ShowDialog1("", text, messages_.Get("OK"));
    Halt(text.empty() ? std::string(key) : text);
}

void TForm1::BootEngine()
{
    auto& window = *platform_.window;
    if (!hooks_.ProcessorCheck())
        return HaltWithText(texts::kNeedMmx);
    if (!hooks_.OpenGameData())
        return HaltWithText(texts::kNoPackageData);
    if (auto text = hooks_.MessageText())
        messages_.Load(*text);
    if (!hooks_.LoadGameDefinition())
        return HaltWithText(texts::kNoGameDefinition);
    appTitle_ = settings_.Game.GameTitle;
    window.SetCaption(appTitle_);
    // The system-information, Ogg Vorbis and regular-expression libraries
    // are part of the engine here; those steps cannot fail.
    hooks_.LoadUserSettings();
    hooks_.SetCrcCheck(settings_.User.CRCCheck == 1);

    const platform::Size desktop = window.DesktopSize();
    TDirectXPack::NormaliseScreenSize(settings_.Game);
    window.SetClientSize(settings_.Game.ScreenWidth, settings_.Game.ScreenHeight);
    const platform::Size client = window.ClientSize();
    window.SetPosition((desktop.width - client.width) / 2, (desktop.height - client.height) / 2);
    window.Show();
    FormPaint();
    platform_.clock->Sleep(100);

    const char* logSwitch = std::getenv("TSUKIMI_DISPLAY_LOG");
    displayLog_ = std::make_unique<TDisplayLog>(*platform_.files, logSwitch && *logSwitch && *logSwitch != '0');
    platform_.presenter->Log = [this](const std::string& text) { displayLog_->Write(text); };
    if (!platform_.presenter->Ready())
        return HaltWithKey("DirectDrawERROR");
    pack_ = std::make_unique<TDirectXPack>(window, *platform_.presenter, settings_, &dialogs_, &messages_);
    pack_->SetDesktopSize(desktop);
    pack_->ApplyScreenMode();

    TZanSystemEnvironment env{platform_, settings_, messages_, dialogs_, appTitle_, gameData_.get()};
    system_ = std::make_unique<TZanSystem>(env, parts_);
    system_->KeepPresentedFrames(keepFrames_);
    system_->CloseWindow = [this] { Close(); };
    system_->Halt = [this] {
        Halt(messages_.Get("BackBufferResetERROR"));
        HaltProcess(1);
    };
    system_->DataExists = hooks_.DataExists;
    if (!system_->Setup(*pack_)) {
        system_.reset();
        return HaltWithKey("EngineSetupERROR");
    }
    system_->ActiveCallback = [this](bool active) { SystemActiveChanged(active); };
    tray_ = std::make_unique<TTaskTray>();
    tray_->MinimiseCallback = [this](bool iconic) { TrayIconicChanged(iconic); };
    tray_->Poll(window.IsMinimised());
    window.Show();
    bootState_ = 1;
    system_->Start();
}

void TForm1::AppIdle()
{
    if (closed_ || halted_)
        return;
    if (busy_) {
        platform_.clock->Sleep(4);
        return;
    }
    busy_ = 1;
    if (tray_)
        tray_->SetMode(static_cast<uint8_t>(std::clamp(settings_.User.TaskTrayMode, 0, 255)));
    if (closeNow_ == 1) {
        Close();
        busy_ = 0;
        return;
    }
    if (bootState_ == 0)
        BootEngine();
    if (bootState_ == 1 && !halted_) {
        PollTray();
        if (system_->Tick() == 2) {
            closeNow_ = 1;
            Close();
        }
    }
    busy_ = 0;
}

void TForm1::PollTray()
{
    const uint32_t now = platform_.clock->Now();
    if (now - lastTrayPoll_ < kTrayPollMs)
        return;
    lastTrayPoll_ = now;
    tray_->Poll(platform_.window->IsMinimised());
}

void TForm1::Dispatch(const platform::Event& event)
{
    using platform::EventKind;
    switch (event.kind) {
    case EventKind::Close: Close(); break;
    case EventKind::Expose: FormPaint(); break;
    default:
        if (system_)
            system_->Input().Apply(event);
        break;
    }
}

void TForm1::FormPaint()
{
    if (system_)
        system_->Paint();
    else
        platform_.presenter->Clear();
}

bool TForm1::Close()
{
    if (closed_)
        return true;
    if (!FormClose())
        return false;
    closed_ = true;
    return true;
}

bool TForm1::FormClose()
{
    bool allow = true;
    const auto& game = settings_.Game;
    if (closeNow_ != 1) {
        if (game.FormCloseEventLabel.empty()) {
            busy_ = 1;
            const int answer = dialogs_.ShowExitDialog("", messages_.Get("APPCLOSE_Text"), messages_.Get("APPCLOSE_Exit"),
                                                       messages_.Get("APPCLOSE_Reset"), messages_.Get("APPCLOSE_Cancel"));
            busy_ = 0;
            if (answer == -1) {
                allow = false;
            } else if (answer == 0) {
                if (system_)
                    system_->ResetGame();
                allow = false;
            }
            if (system_)
                system_->Input().Clear();
        } else if (system_) {
            if (!system_->GameScript().MovieRunning())
                system_->CallSystemLabel(game.FormCloseEventLabel);
            allow = false;
        }
    }
    if (!game.FormFreeEventLabel.empty() && allow && system_ && bootState_ == 1) {
        auto& script = system_->GameScript();
        const bool there = EqualsIgnoreAsciiCase(script.CurrentFile(), "Startup.s") &&
                           script.CurrentLabel() == game.FormFreeEventLabel;
        if (!there) {
            allow = false;
            closeNow_ = 0;
            system_->ResetGame(game.FormFreeEventLabel, "Startup.s");
        }
    }
    return allow;
}

void TForm1::SystemActiveChanged(bool active)
{
    const auto& user = settings_.User;
    if (active) {
        if (user.DeactiveSystemStop == 1)
            system_->SetRunning(true);
        if (user.MinimizeSystemStop == 0)
            system_->SetRunning(true);
    } else if (user.DeactiveSystemStop == 1) {
        system_->SetRunning(false);
    }
}

void TForm1::TrayIconicChanged(bool iconic)
{
    const uint8_t value = iconic ? 1 : 0;
    if (value == lastIconic_ || !system_)
        return;
    const auto& user = settings_.User;
    const auto& game = settings_.Game;
    if (user.DeactiveSystemStop == 0 && (game.MinimizeSystemStop == 1 || user.MinimizeSystemStop == 1))
        system_->SetRunning(!iconic);
    if (iconic && !game.FormMinimizeEnableEventLabel.empty())
        system_->CallSystemLabel(game.FormMinimizeEnableEventLabel);
    if (!iconic && !game.FormMinimizeDisableEventLabel.empty())
        system_->CallSystemLabel(game.FormMinimizeDisableEventLabel);
    lastIconic_ = value;
}

void TForm1::FormDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    if (system_) {
        lastPixels_ = system_->PresentedPixels();
        lastSize_ = system_->PresentedSize();
    }
    if (system_ && BeforeShutdown)
        BeforeShutdown(*system_);
    if (system_ && pack_)
        hooks_.WriteUserSettings();
    if (system_)
        system_->GameScript().DeleteSaveFile("BackUpSaveData.svd");
    system_.reset();
    pack_.reset();
    tray_.reset();
    platform_.presenter->Log = nullptr;
    hooks_.CloseGameData();
}

int TForm1::Run(const TRunOptions& options)
{
    uint64_t ticks = 0;
    uint64_t delivered = UINT64_MAX;
    keepFrames_ = options.KeepFrames;
    while (!closed_ && !halted_) {
        if (delivered != ticks) {
            delivered = ticks;
            for (const auto& event : options.Input.EventsFor(ticks))
                Dispatch(event);
        }
        for (const auto& event : platform_.window->PollEvents())
            Dispatch(event);
        if (closed_ || halted_)
            break;
        AppIdle();
        if (bootState_ == 1)
            ++ticks;
        if (options.Frames && ticks >= *options.Frames) {
            // Close without asking, as a quitting tick does; a close the game
            // keeps refusing ends after a grace period all the same.
            closeNow_ = 1;
            if (ticks >= *options.Frames + 10000 && !closed_) {
                closed_ = true;
            }
        }
    }
    if (halted_)
        return 1;
    FormDestroy();
    return 0;
}

} // namespace tsukimi
