#pragma once
// A booted engine over the headless platform, with stand-in interpreters the
// test can reach.
#include "platform/Platform.h"
#include "script/NullScript.h"
#include "shell/Form1.h"
#include "support/TempDir.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tsukimi::testing {

class EngineFixture
{
public:
    explicit EngineFixture(uint32_t clockStart = 1000);

    // Writes "GameData\data0.pack" holding `entries` (engine-form name and
    // bytes), stored plainly so tests can find and damage an entry.
    void WritePack(const std::vector<std::pair<std::string, std::string>>& entries);
    // A form over the real boot steps (no injected hooks), e.g. after the
    // platform's file system was replaced.
    void RecreateForm();

    // Boots with `configure` applied to the settings at the game-definition
    // step (the packs are taken as present).
    void Boot(const std::function<void(TSystemData&)>& configure = {});
    void Ticks(int count);

    TempDir dir;
    std::unique_ptr<platform::Platform> platform;
    std::unique_ptr<TForm1> form;
    TNullScript* game = nullptr;
    TNullScript* system = nullptr;

    platform::VirtualClock& Clock();
    platform::HeadlessWindow& Window();
    platform::HeadlessDialogs& Dialogs();
    platform::HeadlessPresenter& Presenter();
    TZanSystem& Engine() { return *form->System(); }
};

} // namespace tsukimi::testing
