// Runs the engine binary the way players and tools do.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using tsukimi::testing::TempDir;

std::string Engine()
{
    const char* bin = std::getenv("TSUKIMI_BIN");
    return std::string(bin ? bin : "build/bin") + "/tsukimi";
}

struct Result
{
    int status = -1;
    std::string err;
};

pid_t Spawn(const std::vector<std::string>& args, const std::string& errFile)
{
    std::vector<char*> argv;
    std::string exe = Engine();
    argv.push_back(exe.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Wait(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Result RunEngine(const std::vector<std::string>& args, const TempDir& scratch)
{
    const std::string errFile = (scratch.Path() / "stderr.txt").string();
    Result r;
    r.status = Wait(Spawn(args, errFile));
    std::ifstream in(errFile);
    r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return r;
}

std::string Tool()
{
    const char* bin = std::getenv("TSUKIMI_BIN");
    return std::string(bin ? bin : "build/bin") + "/tsukimi-pack";
}

// A game folder whose one pack holds a small game definition and `startup`.
void MakeGame(const TempDir& dir, const std::string& startup = "@@reset\r\n@@top\r\n")
{
    dir.Write("src/System/etc/Game.dat", "GameTitle=Test\r\nScreenWidth=64\r\nScreenHeight=48\r\n");
    dir.Write("src/StartUp.s", startup);
    std::filesystem::create_directories(dir.Path() / "GameData");
    const std::string command = Tool() + " create '" + (dir.Path() / "GameData/data0.pack").string() + "' '" +
                                (dir.Path() / "src").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(EngineProcess, UsageHelpAndBootFailureStatuses)
{
    TempDir scratch, empty;
    EXPECT_EQ(RunEngine({"--help"}, scratch).status, 0);
    EXPECT_EQ(RunEngine({"--frames", "x"}, scratch).status, 2);
    EXPECT_EQ(RunEngine({"--headless", "--input", (scratch.Path() / "none.txt").string(), empty.Str()}, scratch).status,
              2);

    const Result noPacks = RunEngine({"--headless", "--frames", "3", empty.Str()}, scratch);
    EXPECT_EQ(noPacks.status, 1);
    EXPECT_NE(noPacks.err.find("起動に必要なパッケージデータがみつかりません。"), std::string::npos) << noPacks.err;
}

TEST(EngineProcess, HeadlessRunWritesAnOpaqueScreenshot)
{
    TempDir scratch, game;
    MakeGame(game);
    const std::string shot = (scratch.Path() / "shot.png").string();
    const Result r = RunEngine({"--headless", "--frames", "10", "--screenshot", shot, game.Str()}, scratch);
    EXPECT_EQ(r.status, 0) << r.err;
    std::ifstream in(shot, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    EXPECT_EQ(static_cast<unsigned char>(bytes[25]), 2u); // colour type RGB: opaque
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(EngineProcess, DumpVarsWritesBothStoresAsUtf8Json)
{
    TempDir scratch, game;
    // "月" in code page 932, and a byte pair that is not a character.
    MakeGame(game, "@@reset\r\n@@top\r\n\\svar,int,seen\r\n\\gvar,int,clicks,grid[2,3]\r\n"
                   "\\gvar,str,moon,bad\r\n\\cal,moon=\"\x8c\x8e\",bad=\"\x85\x40\"\r\n"
                   "\\cal,grid[1,2]=5,seen=-1\r\n"
                   "@@loop\r\n\\clk\r\n\\cal,clicks=clicks+1\r\n\\jmp,@@loop\r\n");
    game.Write("input.txt", "3 click 5 5\n6 key Return\n9 click 1 1\n");
    const std::string dump = (scratch.Path() / "vars.json").string();
    const Result r = RunEngine({"--headless", "--frames", "20", "--input", (game.Path() / "input.txt").string(),
                                "--dump-vars", dump, game.Str()},
                               scratch);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string json = ReadFile(dump);
    EXPECT_EQ(json.rfind("{\n  \"system\": {", 0), 0u) << json;
    EXPECT_NE(json.find("\"seen\": {\"type\": \"int\", \"dims\": [1, 1, 1, 1], \"values\": [-1]}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"clicks\": {\"type\": \"int\", \"dims\": [1, 1, 1, 1], \"values\": [3]}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"grid\": {\"type\": \"int\", \"dims\": [3, 2, 1, 1], \"values\": [0, 0, 0, 0, 0, 5]}"),
              std::string::npos)
        << "flat index order: " << json;
    EXPECT_NE(json.find("\"moon\": {\"type\": \"str\", \"dims\": [1, 1, 1, 1], \"values\": [\"\xe6\x9c\x88\"]}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"bad\": {\"type\": \"str\", \"dims\": [1, 1, 1, 1], \"values\": [\"\xef\xbf\xbd"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"ResultInt\": {\"type\": \"int\""), std::string::npos) << "predefined variables are in the game store";
}

TEST(EngineProcess, OneInstancePerGameFolder)
{
    TempDir scratch, gameA, gameB;
    MakeGame(gameA);
    MakeGame(gameB);
    // A run in real time (SDL's dummy video driver, 40 frames a second)
    // holds game A for ten seconds at most, however fast the machine is.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    const pid_t first = Spawn({"--frames", "400", gameA.Str()}, (scratch.Path() / "first.txt").string());
    std::this_thread::sleep_for(std::chrono::milliseconds(700));

    const std::string refusedShot = (scratch.Path() / "a.png").string();
    const auto start = std::chrono::steady_clock::now();
    const Result second =
        RunEngine({"--headless", "--frames", "3", "--screenshot", refusedShot, gameA.Str()}, scratch);
    const auto took = std::chrono::steady_clock::now() - start;
    int status = 0;
    EXPECT_EQ(waitpid(first, &status, WNOHANG), 0) << "the first instance is still running";
    EXPECT_EQ(second.status, 0);
    EXPECT_TRUE(second.err.empty()) << second.err;
    EXPECT_FALSE(std::ifstream(refusedShot).good()) << "the second instance must not run";
    EXPECT_LT(took, std::chrono::seconds(5));

    const std::string shot = (scratch.Path() / "b.png").string();
    const Result other = RunEngine({"--headless", "--frames", "3", "--screenshot", shot, gameB.Str()}, scratch);
    EXPECT_EQ(other.status, 0) << other.err;
    EXPECT_TRUE(std::ifstream(shot).good()) << "the other game ran";

    kill(first, SIGTERM);
    Wait(first);
}

} // namespace
