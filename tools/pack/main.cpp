// tsukimi-pack: builds, lists and unpacks pack archives, and converts files
// to and from the block-compressed container.
//
//   tsukimi-pack create OUT.pack DIR [--format 1|2|3] [--compress none|auto|all]
//                                    [--scramble 0|1|2|3] [--hash]
//   tsukimi-pack list PACK
//   tsukimi-pack extract PACK DIR
//   tsukimi-pack compress IN OUT
//   tsukimi-pack expand IN OUT
//
// Exit status 0 on success; otherwise one line on standard error naming the
// file and what is wrong.
#include "data/BlockTransforms.h"
#include "data/FilePack.h"
#include "data/MemoryFile.h"
#include "data/PackWriter.h"
#include "data/TextHelpers.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cstdio>
#include "../common/ToolMain.h"

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tsukimi;
using namespace tsukimi::tools;

namespace {


const char* const Usage =
    "usage: tsukimi-pack create OUT.pack DIR [--format 1|2|3] [--compress none|auto|all]"
    " [--scramble 0|1|2|3] [--hash]\n"
    "       tsukimi-pack list PACK\n"
    "       tsukimi-pack extract PACK DIR\n"
    "       tsukimi-pack compress IN OUT\n"
    "       tsukimi-pack expand IN OUT\n";


struct CreateArguments
{
    fs::path output;
    fs::path folder;
    TPackWriteOptions options;
};

int ParseDigit(const std::string& value, int low, int high, const std::string& option)
{
    if (value.size() == 1 && value[0] >= '0' + low && value[0] <= '0' + high) return value[0] - '0';
    throw ToolError{option + ": bad value \"" + value + "\""};
}

CreateArguments ParseCreate(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        throw ToolError{
            std::string("create: needs OUT.pack and DIR (run without arguments for usage)")};
    CreateArguments parsed{args[0], args[1], {}};
    for (size_t i = 2; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> value;
        if (const auto eq = option.find('='); eq != std::string::npos) {
            value = option.substr(eq + 1);
            option.resize(eq);
        }
        if (option == "--hash" && !value) {
            parsed.options.externalIndex = true;
            continue;
        }
        if (option != "--format" && option != "--compress" && option != "--scramble")
            throw ToolError{"create: unknown option \"" + args[i] + "\""};
        if (!value) {
            if (++i == args.size()) throw ToolError{option + ": needs a value"};
            value = args[i];
        }
        if (option == "--format")
            parsed.options.format = ParseDigit(*value, 1, 3, option);
        else if (option == "--scramble")
            parsed.options.scramble = static_cast<uint32_t>(ParseDigit(*value, 0, 3, option));
        else if (*value == "none")
            parsed.options.compression = PackCompression::None;
        else if (*value == "auto")
            parsed.options.compression = PackCompression::Auto;
        else if (*value == "all")
            parsed.options.compression = PackCompression::All;
        else
            throw ToolError{option + ": bad value \"" + *value + "\""};
    }
    return parsed;
}

// Entry name: the path below the folder, "\" separated, in CP932, lower-cased.
std::string EntryName(const fs::path& relative)
{
    std::string utf8;
    for (const auto& part : relative) {
        if (!utf8.empty()) utf8 += '/';
        utf8 += part.string();
    }
    std::string name = platform::Utf8ToSjis(utf8);
    // Separators only now: a "/" never occurs as the second byte of a character.
    std::replace(name.begin(), name.end(), '/', '\\');
    return LowerText(name);
}

fs::path HashPath(const fs::path& packPath)
{
    fs::path hash = packPath;
    if (hash.extension() == ".pack")
        hash.replace_extension(".hash");
    else
        hash += ".hash";
    return hash;
}

int Create(const std::vector<std::string>& args)
{
    const CreateArguments parsed = ParseCreate(args);
    std::error_code ec;
    if (!fs::is_directory(parsed.folder, ec))
        throw ToolError{parsed.folder.string() + ": not a folder"};
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(parsed.folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file()) files.push_back(it->path());
    }
    if (ec) throw ToolError{parsed.folder.string() + ": cannot be listed (" + ec.message() + ")"};
    std::sort(files.begin(), files.end());
    std::vector<TPackSource> entries;
    for (const fs::path& file : files)
        entries.push_back({EntryName(fs::relative(file, parsed.folder)), ReadToolFile(file)});
    TBuiltPack built;
    try {
        built = BuildPack(entries, parsed.options);
    } catch (const PackWriteError& e) {
        throw ToolError{parsed.output.string() + ": " + e.what()};
    }
    WriteToolFile(parsed.output, built.pack);
    if (built.index) WriteToolFile(HashPath(parsed.output), *built.index);
    return 0;
}

TFilePack OpenPack(const fs::path& path)
{
    TFilePack pack(std::make_unique<TMemoryFile>(ReadToolFile(path)));
    if (pack.Bad()) throw ToolError{path.string() + ": " + pack.Error()};
    return pack;
}

int List(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        throw ToolError{std::string("list: needs PACK (run without arguments for usage)")};
    TFilePack pack = OpenPack(args[0]);
    for (const TPackEntry& entry : pack.Entries())
        std::cout << platform::SjisToUtf8(entry.name) << '\n';
    return 0;
}

// The entry's path below `folder`; entry names that would leave it are refused.
fs::path ExtractPath(const fs::path& folder, const std::string& name, const fs::path& packPath)
{
    std::string utf8 = platform::SjisToUtf8(name);
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    const fs::path relative = fs::path(utf8).lexically_normal();
    if (utf8.empty() || relative.is_absolute() || relative.has_root_name() ||
        (!relative.empty() && *relative.begin() == ".."))
        throw ToolError{packPath.string() + ": unsafe entry name \"" + utf8 + "\""};
    return folder / relative;
}

int Extract(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        throw ToolError{
            std::string("extract: needs PACK and DIR (run without arguments for usage)")};
    const fs::path packPath = args[0];
    const fs::path folder = args[1];
    TFilePack pack = OpenPack(packPath);
    std::string crcFailed;
    pack.SetCrcFailure([&crcFailed](const std::string& name) { crcFailed = name; });
    for (size_t i = 0; i < pack.Count(); ++i) {
        const TPackEntry& entry = pack.Entries()[i];
        const fs::path target = ExtractPath(folder, entry.name, packPath);
        auto data = pack.LoadEntry(i);
        if (!data) {
            const std::string what = !crcFailed.empty() ? "checksum mismatch" : "cannot be decoded";
            throw ToolError{packPath.string() + ": entry \"" + platform::SjisToUtf8(entry.name) +
                            "\": " + what};
        }
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        if (ec) throw ToolError{target.parent_path().string() + ": cannot be created"};
        WriteToolFile(target, data->Bytes());
    }
    return 0;
}

int Compress(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        throw ToolError{
            std::string("compress: needs IN and OUT (run without arguments for usage)")};
    const std::vector<uint8_t> input = ReadToolFile(args[0]);
    if (input.size() >= PackExpandMaxSize)
        throw ToolError{args[0] + ": too large for a compressed container"};
    WriteToolFile(args[1], PackCompress(input));
    return 0;
}

int Expand(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        throw ToolError{std::string("expand: needs IN and OUT (run without arguments for usage)")};
    const std::vector<uint8_t> input = ReadToolFile(args[0]);
    auto expanded = PackExpand(input, true);
    if (!expanded)
        throw ToolError{args[0] + ": not a compressed container (magic missing, or damaged)"};
    WriteToolFile(args[1], *expanded);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return RunToolCommand("tsukimi-pack", Usage, argc, argv,
                          {{"create", Create}, {"list", List}, {"extract", Extract},
                           {"compress", Compress}, {"expand", Expand}});
}
