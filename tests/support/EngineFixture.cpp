#include "support/EngineFixture.h"

#include "data/PackWriter.h"

namespace tsukimi::testing {

EngineFixture::EngineFixture(uint32_t clockStart)
{
    platform = platform::CreateHeadlessPlatform(dir.Str(), clockStart);
    Dialogs().SetQuiet(true);
    TZanSystemParts parts;
    parts.Scripts = [this](const std::string& name, TZanScriptInterface*, TZanScriptHost&) {
        auto script = std::make_unique<TNullScript>(name, 64, 48);
        (name == "GameThread" ? game : system) = script.get();
        return std::unique_ptr<TZanScriptInterface>(std::move(script));
    };
    form = std::make_unique<TForm1>(*platform, parts);
    form->Hooks().OpenGameData = [] { return true; };
}

void EngineFixture::WritePack(const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::vector<TPackSource> sources;
    for (const auto& [name, bytes] : entries)
        sources.push_back({name, std::vector<uint8_t>(bytes.begin(), bytes.end())});
    TPackWriteOptions options;
    options.compression = PackCompression::None;
    options.scramble = 0;
    const TBuiltPack built = BuildPack(sources, options);
    dir.Write("GameData/data0.pack", std::string(built.pack.begin(), built.pack.end()));
}

void EngineFixture::RecreateForm()
{
    form = std::make_unique<TForm1>(*platform);
}

void EngineFixture::Boot(const std::function<void(TSystemData&)>& configure)
{
    form->Hooks().LoadGameDefinition = [this, configure] {
        form->Settings().Game.ScreenWidth = 64;
        form->Settings().Game.ScreenHeight = 48;
        if (configure)
            configure(form->Settings());
        return true;
    };
    form->AppIdle();
}

void EngineFixture::Ticks(int count)
{
    for (int i = 0; i < count; ++i)
        form->AppIdle();
}

platform::VirtualClock& EngineFixture::Clock()
{
    return static_cast<platform::VirtualClock&>(*platform->clock);
}

platform::HeadlessWindow& EngineFixture::Window()
{
    return static_cast<platform::HeadlessWindow&>(*platform->window);
}

platform::HeadlessDialogs& EngineFixture::Dialogs()
{
    return static_cast<platform::HeadlessDialogs&>(*platform->dialogs);
}

platform::HeadlessPresenter& EngineFixture::Presenter()
{
    return static_cast<platform::HeadlessPresenter&>(*platform->presenter);
}

} // namespace tsukimi::testing
