// tsukimi-anim: builds animation files (".b", layout "abmp12") from a
// readable JSON source and prints any animation file as that JSON.
//
//   tsukimi-anim build SRC.json OUT.b
//   tsukimi-anim dump IN.b
//
// Images and sounds named by "file" are embedded from the source file's
// folder. `dump` writes payloads inline (base64), so that building its output
// gives the same file again. Exit status 0 on success; otherwise one line on
// standard error naming the file and what is wrong.
#include "AnimJson.h"
#include "Json.h"
#include "scene/AnimationBMP.h"
#include "scene/AnimationWriter.h"

#include "../common/ToolMain.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tsukimi;
using namespace tsukimi::tools;
using namespace tsukimi::anim;

namespace {

// Sources and animation files above this size are refused.
constexpr uintmax_t MaxInput = uintmax_t{1} << 30;

const char* const Usage = "usage: tsukimi-anim build SRC.json OUT.b\n"
                          "       tsukimi-anim dump IN.b\n";


int Build(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        throw ToolError{"build: needs SRC.json and OUT.b (run without arguments for usage)"};
    const fs::path sourcePath = args[0];
    const fs::path outputPath = args[1];
    const std::vector<uint8_t> text = ReadToolFile(sourcePath, MaxInput);
    std::vector<uint8_t> file;
    try {
        const JsonValue root =
            ParseJson(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
        const TAnimationSource source = SourceFromJson(root, sourcePath.parent_path());
        file = WriteAnimationFile(*source.data, *source.images, *source.sounds);
    } catch (const JsonError& e) {
        throw ToolError{sourcePath.string() + ": " + e.what()};
    } catch (const SourceError& e) {
        throw ToolError{sourcePath.string() + ": " + e.what()};
    } catch (const AnimationWriteError& e) {
        throw ToolError{sourcePath.string() + ": " + e.what()};
    }
    WriteToolFile(outputPath, file);
    return 0;
}

int Dump(const std::vector<std::string>& args)
{
    if (args.size() != 1) throw ToolError{"dump: needs IN.b (run without arguments for usage)"};
    const fs::path path = args[0];
    TMemoryStream stream(ReadToolFile(path, MaxInput));
    TAnimationBMP animation(TAnimationContext{}, true);
    std::string name = path.filename().string();
    if (!animation.Load(stream, name))
        throw ToolError{path.string() +
                        ": not an animation file (no abmp12, abmp11, abmp10 or ABMP7 layout fits)"};
    std::cout << WriteJson(SourceToJson(animation.Data(), animation.Images(), animation.Sounds()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return RunToolCommand("tsukimi-anim", Usage, argc, argv, {{"build", Build}, {"dump", Dump}});
}
