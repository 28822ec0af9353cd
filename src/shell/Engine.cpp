#include "shell/Engine.h"

#include "graphics/PngWriter.h"
#include "platform/Instance.h"
#include "platform/Platform.h"
#include "shell/CommandLine.h"
#include "shell/Form1.h"
#include "data/TextHelpers.h"
#include "shell/TextUtil.h"
#include "shell/VariableDump.h"
#include "shell/ZanSystem.h"
#include "script/ZanScript.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace tsukimi {
namespace {

bool ReadTextFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    out = buffer.str();
    return true;
}

bool WriteScreenshot(const std::string& path, const TForm1& form)
{
    const platform::Size size = form.LastSize();
    const auto& pixels = form.LastPixels();
    if (size.width <= 0 || size.height <= 0 || pixels.empty()) {
        std::fprintf(stderr, "tsukimi: %s: no frame was presented\n", path.c_str());
        return false;
    }
    const auto png = EncodePng(pixels.data(), size.width, size.height, size.width, true);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!png || !out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()))) {
        std::fprintf(stderr, "tsukimi: %s: cannot write the screenshot\n", path.c_str());
        return false;
    }
    return true;
}

bool WriteTextFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out.write(text.data(), static_cast<std::streamsize>(text.size())));
}

// The game thread's stores as JSON, or empty when the game thread is not an
// interpreter (a stand-in).
std::string DumpVariables(TZanSystem& system)
{
    auto* script = dynamic_cast<TZanScript*>(&system.GameScript());
    if (!script) return {};
    TZanCalculation& calc = script->Calculation();
    return VariablesAsJson(calc.SystemStore(), calc.GameStore());
}

} // namespace

int RunEngine(const std::vector<std::string>& args, const char* argv0)
{
    std::string error;
    const auto options = ParseCommandLine(args, &error);
    if (!options) {
        std::fprintf(stderr, "tsukimi: %s\n%s", error.c_str(), CommandLineUsage());
        return 2;
    }
    if (options->Help) {
        std::fputs(CommandLineUsage(), stdout);
        return 0;
    }
    TRunOptions run;
    run.Frames = options->Frames;
    run.KeepFrames = !options->Screenshot.empty();
    if (!options->InputFile.empty()) {
        std::string text;
        if (!ReadTextFile(options->InputFile, text)) {
            std::fprintf(stderr, "tsukimi: %s: cannot read the input file\n", options->InputFile.c_str());
            return 2;
        }
        if (!run.Input.Parse(text, &error)) {
            std::fprintf(stderr, "tsukimi: %s: %s\n", options->InputFile.c_str(), error.c_str());
            return 2;
        }
    }

    // One engine binary serves many games: the same game cannot run twice,
    // two different games can.
    const std::string gameDir = platform::CanonicalPath(options->GameDir);
    const auto guard = platform::AcquireInstance("Application_" + LowerText(platform::ProgramFileName(argv0), LowerMode::Ascii) +
                                                 gameDir);
    if (!guard)
        return 0;

    std::unique_ptr<platform::Platform> platform;
    if (options->Headless) {
        platform = platform::CreateHeadlessPlatform(gameDir);
    } else {
        platform = platform::CreateRealPlatform(gameDir, &error);
        if (!platform) {
            std::fprintf(stderr, "tsukimi: cannot open the window: %s\n", error.c_str());
            return 1;
        }
    }
    TForm1 form(*platform);
    std::string dump;
    bool dumped = false;
    if (!options->DumpVars.empty()) {
        form.BeforeShutdown = [&](TZanSystem& system) {
            dump = DumpVariables(system);
            dumped = true;
        };
    }
    const int status = form.Run(run);
    if (status == 0 && !options->Screenshot.empty() && !WriteScreenshot(options->Screenshot, form))
        return 1;
    if (!options->DumpVars.empty()) {
        if (!dumped) {
            std::fprintf(stderr, "tsukimi: %s: the engine did not start; no variables\n", options->DumpVars.c_str());
            return status == 0 ? 1 : status;
        }
        if (!WriteTextFile(options->DumpVars, dump.empty() ? std::string("{\"system\": {}, \"game\": {}}\n") : dump)) {
            std::fprintf(stderr, "tsukimi: %s: cannot write the variables\n", options->DumpVars.c_str());
            return 1;
        }
    }
    return status;
}

} // namespace tsukimi
