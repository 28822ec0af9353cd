// Expression evaluation and argument splitting as the interpreter drives
// them: one call per argument of every command, the same texts again and
// again. Items per second are evaluations (or splits) per second.
#include "script/ScriptText.h"
#include "script/ZanCalculation.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using tsukimi::ElementInteger;
using tsukimi::StoreGame;
using tsukimi::StoreLocal;
using tsukimi::TZanCalculation;

// Game variables x, y, z, v, w, i, j, b and a[4,4], and one local variable at
// level 1, where the expressions run (so every look-up tries the local store
// first).
void Declare(TZanCalculation& calc)
{
    calc.ResetVariables();
    for (const char* name : {"x", "y", "z", "v", "w", "i", "j", "b", "a[4,4]"}) {
        calc.DeclareVariable(name, "", false, 255, StoreGame, ElementInteger, 0);
    }
    calc.DeclareVariable("t", "", false, 255, StoreLocal, ElementInteger, 1);
    calc.AssignInteger("i", 0, 2);
    calc.AssignInteger("j", 1, 3);
    calc.AssignInteger("b", 0, 7);
    calc.AssignInteger("y", 0, 9);
}

void Evaluate(benchmark::State& state, const char* expression)
{
    TZanCalculation calc;
    Declare(calc);
    const std::string text = expression;
    for (auto _ : state) {
        benchmark::DoNotOptimize(calc.Evaluate(text, 1));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void BM_Literal(benchmark::State& state)
{
    Evaluate(state, "100");
}
void BM_Variable(benchmark::State& state)
{
    Evaluate(state, "y");
}
void BM_AssignIncrement(benchmark::State& state)
{
    Evaluate(state, "x=x+1");
}
void BM_Subscripted(benchmark::State& state)
{
    Evaluate(state, "a[i,j]+b*3");
}
void BM_TenOperators(benchmark::State& state)
{
    Evaluate(state, "x+3*y-z/2+w%5<<1|v&7>y");
}

void Split(benchmark::State& state, const std::string& line)
{
    std::vector<std::string> pieces;
    for (auto _ : state) {
        tsukimi::SplitArgumentsInto(line, ',', 9, true, pieces);
        benchmark::DoNotOptimize(pieces.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void BM_SplitArguments(benchmark::State& state)
{
    Split(state, "\\p,img[1],100+x,200,\"text, with comma\",500");
}
void BM_SplitShortLine(benchmark::State& state)
{
    Split(state, "\\wait,100");
}

} // namespace

BENCHMARK(BM_Literal);
BENCHMARK(BM_Variable);
BENCHMARK(BM_AssignIncrement);
BENCHMARK(BM_Subscripted);
BENCHMARK(BM_TenOperators);
BENCHMARK(BM_SplitArguments);
BENCHMARK(BM_SplitShortLine);
