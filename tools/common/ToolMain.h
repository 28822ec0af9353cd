#pragma once
// What every authoring tool shares: one failure type whose message names the
// file and the problem, whole-file reads and writes, and the command
// dispatch of main() with its exit statuses (0 done, 1 failed, 2 bad usage).
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tsukimi::tools {

struct ToolError
{
    std::string message;
};

inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

// Refuses a missing file and one above `maxSize` bytes.
inline std::vector<uint8_t> ReadToolFile(const std::filesystem::path& path,
                                         uintmax_t maxSize = uintmax_t{1} << 32)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) throw ToolError{path.string() + ": no such file"};
    if (std::filesystem::file_size(path, ec) > maxSize) throw ToolError{path.string() + ": too large"};
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw ToolError{path.string() + ": cannot be read"};
    return bytes;
}

inline void WriteToolFile(const std::filesystem::path& path, std::span<const uint8_t> bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw ToolError{path.string() + ": cannot be written"};
}

using ToolCommand = std::function<int(const std::vector<std::string>& args)>;

// Runs argv[1] among `commands`; without arguments prints `usage`.
inline int RunToolCommand(const char* tool, const char* usage, int argc, char** argv,
                          const std::vector<std::pair<std::string, ToolCommand>>& commands)
{
    if (argc < 2) {
        std::cerr << usage;
        return ExitUsage;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        for (const auto& [name, run] : commands)
            if (name == command) return run(args);
        std::cerr << tool << ": unknown command \"" << command << "\" (run without arguments for usage)\n";
        return ExitUsage;
    } catch (const ToolError& e) {
        std::cerr << tool << ": " << e.message << '\n';
    } catch (const std::exception& e) {
        std::cerr << tool << ": " << e.what() << '\n';
    }
    return ExitFailure;
}

} // namespace tsukimi::tools
