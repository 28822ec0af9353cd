// A game body from arbitrary bytes, wrapped in a valid save so that every
// element reader of the interpreter sees it. Nothing may crash; a body that
// does not load leaves the running game as it was (its variables and call
// stack compare equal afterwards).
#include "script/ScriptObjects.h"
#include "script/ScriptSource.h"
#include "script/ZanSaveData.h"
#include "script/ZanScript.h"

#include <cstdlib>
#include <string>

namespace {

using namespace tsukimi;

void Require(bool condition)
{
    if (!condition) std::abort();
}

class OneScript final : public TScriptSource
{
public:
    std::string ResolveName(std::string_view name) override { return name == "game.s" ? "game.s" : ""; }
    std::optional<TMemoryStream> LoadData(std::string_view name) override
    {
        if (name != "game.s") return std::nullopt;
        return TMemoryStream(std::string_view("@@main\n\\gvar,int,n\\cal,n=3\n\\clk\n@@other\n\\clk\n"));
    }
};

class QuietHost final : public TZanScriptHost
{
public:
    void ReportScriptError(std::string_view) override {}
};

std::vector<uint8_t> BodyOf(TZanScript& script)
{
    TMemoryStream file;
    Require(script.SaveGameToStream(file, false));
    file.Seek(0);
    TZanSaveData save(52046);
    Require(save.ReadFromStream(file, false, true));
    const auto body = save.Body();
    return {body.begin(), body.end()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OneScript source;
    QuietHost host;
    TNullScriptObjects objects;
    TZanScript script("GameThread", &source, &host, &objects);
    Require(script.Initialize(nullptr, {}));
    script.ExecuteLine(R"(\go,@@main,"game.s")");
    script.Tick(16, true, true);
    const std::vector<uint8_t> before = BodyOf(script);

    TZanSaveData save(52046);
    save.SetBody(std::span<const uint8_t>(data, size));
    TMemoryStream file;
    Require(save.WriteToStream(file, true, false));
    file.Seek(0);
    if (!script.LoadGameFromStream(file)) Require(BodyOf(script) == before);
    return 0;
}
