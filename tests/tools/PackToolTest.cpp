// Runs the built tsukimi-pack (found through TSUKIMI_BIN) on real files.
#include "data/FilePack.h"
#include "data/MemoryFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace tsukimi {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteText(const fs::path& path, std::string_view text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
}

class PackTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* bin = std::getenv("TSUKIMI_BIN");
        tool_ = fs::path(bin ? bin : "bin") / "tsukimi-pack";
        if (!fs::exists(tool_)) GTEST_SKIP() << tool_ << " not built";
        root_ = fs::temp_directory_path() /
                ("tsukimi-pack-test-" +
                 std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override
    {
        if (!root_.empty()) fs::remove_all(root_);
    }

    // Exit status; standard output and error land in out_ and err_.
    int Run(const std::string& arguments)
    {
        const fs::path out = root_ / "stdout.txt", err = root_ / "stderr.txt";
        const std::string command = "\"" + tool_.string() + "\" " + arguments + " >\"" +
                                    out.string() + "\" 2>\"" + err.string() + "\"";
        const int status = std::system(command.c_str());
        out_ = ReadText(out);
        err_ = ReadText(err);
        return status;
    }
    std::string Quote(const fs::path& path) const { return "\"" + path.string() + "\""; }

    fs::path tool_;
    fs::path root_;
    std::string out_;
    std::string err_;
};

TEST_F(PackTool, CreateListExtractRoundTripsEveryFormat)
{
    const fs::path source = root_ / "src";
    WriteText(source / "StartUp.s", "@@top\r\n");
    WriteText(source / "System" / "etc" / "Game.dat", "GameTitle=demo\r\n");
    WriteText(source / "画像" / "背景.txt", std::string(5000, 'x')); // UTF-8 names become CP932
    const std::string options[] = {"", "--format 1 --scramble 0 --compress none",
                                   "--format 2 --scramble 1 --compress all",
                                   "--format=3 --scramble=2 --hash"};
    for (const std::string& option : options) {
        SCOPED_TRACE(option);
        const fs::path pack = root_ / "data0.pack";
        ASSERT_EQ(Run("create " + Quote(pack) + " " + Quote(source) + " " + option), 0) << err_;
        EXPECT_EQ(fs::exists(root_ / "data0.hash"), option.find("--hash") != std::string::npos);
        ASSERT_EQ(Run("list " + Quote(pack)), 0) << err_;
        EXPECT_EQ(out_, "startup.s\nsystem\\etc\\game.dat\n画像\\背景.txt\n");

        const fs::path target = root_ / "out";
        fs::remove_all(target);
        ASSERT_EQ(Run("extract " + Quote(pack) + " " + Quote(target)), 0) << err_;
        EXPECT_EQ(ReadText(target / "startup.s"), "@@top\r\n");
        EXPECT_EQ(ReadText(target / "system" / "etc" / "game.dat"), "GameTitle=demo\r\n");
        EXPECT_EQ(ReadText(target / "画像" / "背景.txt"), std::string(5000, 'x'));
        fs::remove(root_ / "data0.hash");
    }
    // The pack header fields the writer fills: zero footer padding, true sizes.
    const std::string bytes = ReadText(root_ / "data0.pack");
    TFilePack pack(std::make_unique<TMemoryFile>(std::vector<uint8_t>(bytes.begin(), bytes.end())));
    ASSERT_FALSE(pack.Bad()) << pack.Error();
    EXPECT_EQ(pack.Entries()[2].expandedSize, 5000u);
    EXPECT_LT(pack.Entries()[2].storedSize, 5000u);
    const std::string unread = bytes.substr(bytes.size() - pack::FooterSize + 292, 768);
    EXPECT_EQ(unread, std::string(768, '\0'));
}

TEST_F(PackTool, CompressAndExpandAContainer)
{
    const std::string text = "compress me, compress me, compress me again and again\n";
    WriteText(root_ / "plain.txt", text);
    ASSERT_EQ(Run("compress " + Quote(root_ / "plain.txt") + " " + Quote(root_ / "packed.bin")), 0)
        << err_;
    EXPECT_EQ(ReadText(root_ / "packed.bin").substr(0, 4), "\x31\x50\x43\xFF");
    ASSERT_EQ(Run("expand " + Quote(root_ / "packed.bin") + " " + Quote(root_ / "back.txt")), 0)
        << err_;
    EXPECT_EQ(ReadText(root_ / "back.txt"), text);
}

TEST_F(PackTool, BadInputFailsWithOneLineNamingTheFile)
{
    WriteText(root_ / "junk.pack", "this is not a pack");
    WriteText(root_ / "empty", "");
    const std::pair<std::string, std::string> cases[] = {
        {"list " + Quote(root_ / "junk.pack"), "junk.pack"},
        {"list " + Quote(root_ / "missing.pack"), "missing.pack"},
        {"extract " + Quote(root_ / "junk.pack") + " " + Quote(root_ / "x"), "junk.pack"},
        {"expand " + Quote(root_ / "junk.pack") + " " + Quote(root_ / "x"), "junk.pack"},
        {"create " + Quote(root_ / "o.pack") + " " + Quote(root_ / "nowhere"), "nowhere"},
        {"create " + Quote(root_ / "o.pack") + " " + Quote(root_) + " --format 7", "--format"},
        {"frobnicate", "frobnicate"},
    };
    for (const auto& [arguments, named] : cases) {
        EXPECT_NE(Run(arguments), 0) << arguments;
        EXPECT_NE(err_.find(named), std::string::npos) << arguments << ": " << err_;
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << arguments << ": " << err_;
    }
}

} // namespace
} // namespace tsukimi
