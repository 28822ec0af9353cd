#include "platform/Instance.h"

#include "support/TempDir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace tsukimi::platform {
namespace {

using tsukimi::testing::TempDir;

// Points XDG_RUNTIME_DIR somewhere for the test's duration.
class RuntimeDirScope
{
public:
    explicit RuntimeDirScope(const char* value)
    {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) old_ = old;
        if (value)
            setenv("XDG_RUNTIME_DIR", value, 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }
    ~RuntimeDirScope()
    {
        if (old_)
            setenv("XDG_RUNTIME_DIR", old_->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }

private:
    std::optional<std::string> old_;
};

TEST(InstanceTest, SecondHolderOfTheSameNameIsRefused)
{
    TempDir temp;
    const std::string runtime = temp.Path().string();
    // With a runtime folder, and with the per-user fallback below /tmp.
    for (const char* folder : {runtime.c_str(), static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(folder ? folder : "fallback");
        RuntimeDirScope scope(folder);
        const std::string name =
            "Application_tsukimi-test-" + std::to_string(std::random_device{}());
        auto first = AcquireInstance(name);
        ASSERT_NE(first, nullptr);
        // flock belongs to the open file description: a second open conflicts
        // just as another process would.
        EXPECT_EQ(AcquireInstance(name), nullptr);
        EXPECT_NE(AcquireInstance(name + "-renamed"), nullptr);
        first.reset();
        EXPECT_NE(AcquireInstance(name), nullptr);
    }
}

TEST(InstanceTest, PathHelpers)
{
    EXPECT_EQ(ProgramFileName("/usr/games/tsukimi"), "tsukimi");
    EXPECT_EQ(ProgramFileName("tsukimi.exe"), "tsukimi.exe");
    EXPECT_EQ(ProgramFileName("./bin/"), "bin");
    EXPECT_EQ(ProgramFileName(nullptr), "");

    TempDir temp;
    std::filesystem::create_directories(temp.Path() / "game");
    const std::string canonical = std::filesystem::canonical(temp.Path() / "game").string();
    EXPECT_EQ(CanonicalPath((temp.Path() / "game/../game/.").string()), canonical);
    EXPECT_EQ(CanonicalPath("/no/such/folder"), "/no/such/folder");
}

} // namespace
} // namespace tsukimi::platform
