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

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tsukimi;
using namespace tsukimi::anim;

namespace {

struct ToolError
{
    std::string message;
};

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;
// Sources and animation files above this size are refused.
constexpr uintmax_t MaxInput = uintmax_t{1} << 30;

const char* const Usage = "usage: tsukimi-anim build SRC.json OUT.b\n"
                          "       tsukimi-anim dump IN.b\n";

std::vector<uint8_t> ReadFile(const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) throw ToolError{path.string() + ": no such file"};
    if (fs::file_size(path, ec) > MaxInput) throw ToolError{path.string() + ": too large"};
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw ToolError{path.string() + ": cannot be read"};
    return bytes;
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw ToolError{path.string() + ": cannot be written"};
}

int Build(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        throw ToolError{"build: needs SRC.json and OUT.b (run without arguments for usage)"};
    const fs::path sourcePath = args[0];
    const fs::path outputPath = args[1];
    const std::vector<uint8_t> text = ReadFile(sourcePath);
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
    WriteFile(outputPath, file);
    return 0;
}

int Dump(const std::vector<std::string>& args)
{
    if (args.size() != 1) throw ToolError{"dump: needs IN.b (run without arguments for usage)"};
    const fs::path path = args[0];
    TMemoryStream stream(ReadFile(path));
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
    if (argc < 2) {
        std::cerr << Usage;
        return ExitUsage;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "build") return Build(args);
        if (command == "dump") return Dump(args);
        std::cerr << "tsukimi-anim: unknown command \"" << command
                  << "\" (run without arguments for usage)\n";
        return ExitUsage;
    } catch (const ToolError& e) {
        std::cerr << "tsukimi-anim: " << e.message << '\n';
    } catch (const std::exception& e) {
        std::cerr << "tsukimi-anim: " << e.what() << '\n';
    }
    return ExitFailure;
}
