// The engine's two interpreters over the game data: their script source,
// object set, input and services.
#include "shell/ZanSystem.h"

#include "data/GameData.h"
#include "platform/LocalTime.h"
#include "script/SaveDate.h"
#include "script/ZanScript.h"
#include "shell/InputActions.h"
#include "shell/MessageTable.h"
#include "shell/SystemData.h"
#include "shell/SystemDialogs.h"

namespace tsukimi {

std::unique_ptr<TZanScriptInterface> TZanSystem::MakeInterpreter(const std::string& name,
                                                                 TZanScriptInterface* parent)
{
    if (!env_.Data) return nullptr;
    const auto& settings = env_.Settings;
    if (!scriptSource_) scriptSource_ = std::make_unique<TGameDataScriptSource>(*env_.Data);
    if (!inputActions_) inputActions_ = std::make_unique<TInputActions>(input_);
    scriptObjects_.push_back(std::make_unique<TNullScriptObjects>());

    TZanScriptConfig config;
    config.Settings.OldStringWordEnable = settings.Game.OldStringWordEnable;
    config.Settings.OldScriptReplaceAddReturnCode = settings.Game.OldScriptReplaceAddReturnCode;
    config.OldPlayModeAutoCancel = settings.Game.OldPlayModeAutoCancel;
    config.AutoPlayClickTime = settings.User.AutoPlayClickTime;
    config.QuietPaths = settings.Game.OldFileErrorLevel;
    config.CodeKey = static_cast<uint32_t>(settings.Game.CodeKey);
    config.ScreenWidth = settings.Game.ScreenWidth;
    config.ScreenHeight = settings.Game.ScreenHeight;
    auto script = std::make_unique<TZanScript>(name, scriptSource_.get(), this,
                                               scriptObjects_.back().get(), config);

    TZanScriptServices services;
    services.Input = inputActions_.get();
    platform::FileSystem& files = *env_.Platform.files;
    services.EnsureSaveFolder = [this, &files] {
        if (files.IsFolder("SaveData") || files.MakeFolders("SaveData")) return true;
        env_.Dialogs.ShowDialog1("", Message("SaveDirectoryERROR"), Message("OK"));
        return false;
    };
    services.Files = &files;
    services.ShowMessage = [this](std::string_view key) {
        env_.Dialogs.ShowDialog1("", Message(key), Message("OK"));
    };
    services.Now = [] {
        const platform::LocalDateTime t = platform::LocalTimeNow();
        return SaveDateFromCivil({t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond});
    };
    services.NativeFileExists = [&files](std::string_view file) {
        return files.Exists(file) && !files.IsFolder(file);
    };
    services.OnReset = [this, raw = script.get()] {
        if (raw == gameScript_.get()) ResetDrawingState();
    };
    auto* partner = dynamic_cast<TZanScript*>(parent);
    if (!script->Initialize(partner, std::move(services))) return nullptr;
    return script;
}

// The engine side of an interpreter reset: nothing to clear until the
// screen effects and the camera exist.
void TZanSystem::ResetDrawingState() {}

} // namespace tsukimi
