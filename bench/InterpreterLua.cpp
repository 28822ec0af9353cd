// The interpreter's command loop against Lua 5.4 running the same loop in the
// same process. Items per second are commands executed per second: each turn
// of "\for,i=0,i<N,i++ / \cal,x=x+1 / \end" runs two commands (\cal and the
// \end that steps and tests the loop); Lua's items are loop turns.
#include "script/ScriptObjects.h"
#include "script/ScriptSource.h"
#include "script/ZanScript.h"

#include <benchmark/benchmark.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include <cstdlib>
#include <string>

namespace {

using namespace tsukimi;

// TSUKIMI_BENCH_TURNS shortens the loop (for instruction counts under
// callgrind).
int LoopTurns()
{
    const char* text = std::getenv("TSUKIMI_BENCH_TURNS");
    const int turns = text ? std::atoi(text) : 0;
    return turns > 0 ? turns : 1'000'000;
}
const int Turns = LoopTurns();

class OneFile final : public TScriptSource
{
public:
    explicit OneFile(std::string text) : text_(std::move(text)) {}
    std::string ResolveName(std::string_view) override { return "bench.s"; }
    std::optional<TMemoryStream> LoadData(std::string_view) override
    {
        return TMemoryStream(std::string_view(text_));
    }

private:
    std::string text_;
};

class QuietHost final : public TZanScriptHost
{
public:
    void ReportScriptError(std::string_view) override { ++errors; }
    int errors = 0;
};

void BM_ScriptForLoop(benchmark::State& state)
{
    const std::string body = state.range(0) == 0 ? "\\cal,x=x+1" : "\\cal,x=x+1\\cal,y=x*2";
    const int perTurn = state.range(0) == 0 ? 2 : 3;
    OneFile source("@@main\r\n\\gvar,int,x,y,i\r\n@@loop\r\n\\for,i=0,i<" + std::to_string(Turns) +
                   ",i++\r\n" + body + "\r\n\\end\r\n\\clk\r\n");
    QuietHost host;
    TNullScriptObjects objects;
    TZanScript script("GameThread", &source, &host, &objects);
    script.Initialize(nullptr, {});
    script.CommandsPerFrame = 0x7FFFFFFF;
    int64_t commands = 0;
    for (auto _ : state) {
        state.PauseTiming();
        script.Reset();
        script.CommandsPerFrame = 0x7FFFFFFF;
        script.ExecuteLine(R"(\go,@@main,"bench.s")");
        state.ResumeTiming();
        script.Tick(16, true, true);
        commands += int64_t{Turns} * perTurn;
        if (host.errors != 0 || script.Evaluate("x").Number != Turns) {
            state.SkipWithError("the loop did not run");
            break;
        }
    }
    state.SetItemsProcessed(commands);
}
BENCHMARK(BM_ScriptForLoop)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void LuaLoop(benchmark::State& state, const char* program)
{
    lua_State* lua = luaL_newstate();
    luaL_openlibs(lua);
    const std::string text = std::string(program);
    if (luaL_loadstring(lua, text.c_str()) != LUA_OK) {
        state.SkipWithError("lua did not compile the loop");
        lua_close(lua);
        return;
    }
    lua_setglobal(lua, "run");
    for (auto _ : state) {
        lua_getglobal(lua, "run");
        lua_pushinteger(lua, Turns);
        if (lua_pcall(lua, 1, 0, 0) != LUA_OK) {
            state.SkipWithError("lua loop failed");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * Turns);
    lua_close(lua);
}

// Globals, as the script's game variables are named and looked up at run time.
void BM_LuaForLoopGlobals(benchmark::State& state)
{
    LuaLoop(state, "local n = ... x = 0 for i = 0, n - 1 do x = x + 1 end");
}
BENCHMARK(BM_LuaForLoopGlobals)->Unit(benchmark::kMillisecond);

void BM_LuaForLoopLocals(benchmark::State& state)
{
    LuaLoop(state, "local n = ... local x = 0 for i = 0, n - 1 do x = x + 1 end");
}
BENCHMARK(BM_LuaForLoopLocals)->Unit(benchmark::kMillisecond);

} // namespace
