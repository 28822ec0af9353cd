// Fuzz target: what the script language reads from outside. The first byte
// picks the reader: 0 a variable store stream (with owned objects whose
// state is one 32-bit word), 1 a script reader state, 2 an expression, 3 a
// command line to split. Nothing may crash; a refused store stream must
// leave the store as it was.
#include "script/ScriptText.h"
#include "script/ZanCalculation.h"
#include "script/ZanReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

class Objects : public tsukimi::TObjectCallbacks
{
public:
    bool CreateObject(std::string_view, std::string_view, std::string_view) override
    {
        return true;
    }
    bool DeleteObject(std::string_view, std::string_view, std::string_view) override
    {
        return true;
    }
    void SaveObject(tsukimi::TMemoryStream& s, std::string_view, std::string_view,
                    std::string_view) override
    {
        s.WriteU32(0);
    }
    void LoadObject(tsukimi::TMemoryStream& s, std::string_view, std::string_view,
                    std::string_view) override
    {
        s.ReadU32();
    }
};

class NoFiles : public tsukimi::TScriptSource
{
public:
    std::string ResolveName(std::string_view name) override { return std::string(name); }
    std::optional<tsukimi::TMemoryStream> LoadData(std::string_view) override
    {
        return tsukimi::TMemoryStream(std::string_view("@@top\n\\a,1\\b\n@@!raw\ntext"));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 4) {
    case 0: {
        Objects objects;
        tsukimi::TValue store(&objects);
        store.Declare("keep", "", false, 7, tsukimi::ElementInteger, 0, {2, 1, 1, 1});
        tsukimi::TMemoryStream in(rest.data(), rest.size());
        if (!store.LoadFromStream(in) && store.Count() > 1) std::abort();
        tsukimi::TMemoryStream out;
        store.SaveToStream(out);
        break;
    }
    case 1: {
        NoFiles files;
        tsukimi::TZanReader reader(&files, nullptr);
        tsukimi::TMemoryStream in(rest.data(), rest.size());
        reader.LoadState(&in);
        for (int i = 0; i < 8; ++i)
            reader.ReadCommand();
        break;
    }
    case 2: {
        tsukimi::TZanCalculation calc;
        calc.ResetVariables();
        calc.DeclareVariable("a[3,3]", "", false, 255, tsukimi::StoreGame, tsukimi::ElementInteger,
                             0);
        calc.DeclareVariable("s", "", false, 255, tsukimi::StoreGame, tsukimi::ElementString, 0);
        calc.Evaluate(rest, 0);
        calc.TextArgument(rest, 0);
        break;
    }
    default:
        tsukimi::SplitArguments(rest, ',', 9, true);
        tsukimi::InnerGroup(rest);
        tsukimi::HeadBeforeGroup(rest, true);
        tsukimi::TakeBraceText(rest);
        break;
    }
    return 0;
}
