// Runs the built tsukimi-anim (found through TSUKIMI_BIN) on real files.
#include "graphics/PngWriter.h"
#include "scene/AnimationBMP.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

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
    std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
}

class AnimTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* bin = std::getenv("TSUKIMI_BIN");
        tool_ = fs::path(bin ? bin : "bin") / "tsukimi-anim";
        if (!fs::exists(tool_)) GTEST_SKIP() << tool_ << " not built";
        root_ = fs::temp_directory_path() /
                ("tsukimi-anim-test-" +
                 std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
        std::vector<uint32_t> pixels(12, 0xFFFF0000);
        const auto png = *EncodePng(pixels.data(), 4, 3, 4, false);
        WriteText(root_ / "art" / "dot.png", std::string(png.begin(), png.end()));
    }
    void TearDown() override
    {
        if (!root_.empty()) fs::remove_all(root_);
    }

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

    std::unique_ptr<TAnimationBMP> Load(const fs::path& path)
    {
        const std::string bytes = ReadText(path);
        TMemoryStream stream(bytes);
        auto animation = std::make_unique<TAnimationBMP>(TAnimationContext{}, true);
        if (!animation->Load(stream, "x.b")) return nullptr;
        return animation;
    }

    fs::path tool_;
    fs::path root_;
    std::string out_;
    std::string err_;
};

const char* const Source = R"({
  "name": "cursor", "width": 16, "height": 12, "length": 1000, "loop": 200, "step": 2,
  "properties": ["*value[1]=9", "note=x"],
  "motions": [
    {"name": "blink", "layers": [{"name": "dot", "keys": [
      {"kind": "image", "image": "dot", "colorCurve": "linear", "anchorX": 50},
      {"time": 500, "kind": "image", "opacity": 0, "mulColor": "#FF8000"},
      {"kind": "image", "action": "jump", "params": [0]}]}]},
    {"name": "idle", "layers": [{"mode": "push", "keys": [
      {"kind": "fill", "zoomX": 4, "zoomY": 4,
       "modifiers": [{"function": "wave", "target": 13, "p": [-10, 10, 1000]}]},
      {"motion": "blink"}]}]}],
  "images": [{"label": "dot", "file": "art/dot.png", "x": 3}]
})";

TEST_F(AnimTool, BuildWritesTheCurrentVersionAndDumpRebuildsIdentically)
{
    WriteText(root_ / "cursor.json", Source);
    ASSERT_EQ(Run("build " + Quote(root_ / "cursor.json") + " " + Quote(root_ / "cursor.b")), 0)
        << err_;
    const auto animation = Load(root_ / "cursor.b");
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->Version(), 12);
    const TABMPData10& data = animation->Data();
    EXPECT_EQ(data.width, 16u);
    EXPECT_EQ(data.loopStart, 200u);
    EXPECT_EQ(data.frameStep, 2u);
    EXPECT_EQ(animation->ExternalValue(1), 9.0f);
    ASSERT_EQ(data.motions.size(), 2u);
    const auto& keys = data.motions[0]->layers[0]->keys;
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].kind, 2);
    EXPECT_EQ(keys[0].colorType, 1);
    EXPECT_EQ(keys[0].anchor1X, 50);
    EXPECT_EQ(keys[0].zoomX, 100); // defaults where nothing is written
    EXPECT_EQ(keys[1].mulColor, 0xFF8000u);
    EXPECT_EQ(keys[2].time, 1500); // 1000 ms after the previous key
    EXPECT_EQ(keys[2].action, 1);
    const auto& idle = *data.motions[1]->layers[0];
    EXPECT_EQ(idle.mode, 1);
    EXPECT_EQ(idle.keys[0].modifiers[0].function, 7);
    EXPECT_EQ(idle.keys[0].modifiers[0].p[2], 1000);
    EXPECT_EQ(idle.keys[1].action, 5);
    EXPECT_EQ(idle.keys[1].params[0], 0);
    const TABMPImageData10& image = *animation->Images().At(0);
    EXPECT_EQ(image.identity, "dot");
    EXPECT_EQ(image.offsetX, 3);
    ASSERT_NE(image.Image(), nullptr);
    EXPECT_EQ(image.Width(), 4);

    ASSERT_EQ(Run("dump " + Quote(root_ / "cursor.b")), 0) << err_;
    WriteText(root_ / "elsewhere" / "dumped.json", out_);
    ASSERT_EQ(Run("build " + Quote(root_ / "elsewhere" / "dumped.json") + " " +
                  Quote(root_ / "again.b")),
              0)
        << err_;
    EXPECT_EQ(ReadText(root_ / "again.b"), ReadText(root_ / "cursor.b"));
}

TEST_F(AnimTool, ErrorsNameTheFileAndTheProblem)
{
    struct Case
    {
        const char* source;
        const char* message;
    };
    const Case cases[] = {
        {R"({"motions": [{"layers": [{"keys": [{"opacity": 300}]}]}]})",
         "motion 0 layer 0 key 0: field \"opacity\": 300 is out of range 0..255"},
        {R"({"motions": [{"layers": [{"keys": [{"time": 5}, {"time": 1}]}]}]})",
         "keys must be in ascending time order"},
        {R"({"widht": 3})", "unknown field \"widht\""},
        {R"({"images": [{"file": "missing.png"}]})", "missing.png: no such file"},
        {R"({"motions": [{"layers": [{"keys": [{"motion": "nowhere"}]}]}]})",
         "no motion named \"nowhere\""},
        {R"({"name": "a",})", "line 1, column 14"},
        {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]",
         "nesting deeper than 64 levels"},
    };
    for (const Case& c : cases) {
        WriteText(root_ / "bad.json", c.source);
        EXPECT_NE(Run("build " + Quote(root_ / "bad.json") + " " + Quote(root_ / "bad.b")), 0);
        EXPECT_NE(err_.find("bad.json"), std::string::npos) << err_;
        EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
    }
    WriteText(root_ / "junk.b", "not an animation");
    EXPECT_NE(Run("dump " + Quote(root_ / "junk.b")), 0);
    EXPECT_NE(err_.find("junk.b: not an animation file"), std::string::npos) << err_;
    EXPECT_NE(Run("frobnicate"), 0);
}

} // namespace
} // namespace tsukimi
