#include "script/ZanSystemDataFile.h"

#include "data/BlockTransforms.h"
#include "script/ZanSaveData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace tsukimi {
namespace {

constexpr uint32_t Key = 0x13579B;

std::vector<uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

TSystemDataPayload SamplePayload()
{
    TSystemDataPayload payload;
    for (int i = 0; i < 2000; ++i)
        payload.SystemStore.push_back(static_cast<uint8_t>("svar store "[i % 11]));
    payload.FileLog = Bytes("file log bytes");
    payload.ReadTextLog = Bytes("read-text log bytes");
    return payload;
}

bool Same(const TSystemDataPayload& a, const TSystemDataPayload& b)
{
    return a.SystemStore == b.SystemStore && a.FileLog == b.FileLog &&
           a.ReadTextLog == b.ReadTextLog;
}

std::vector<uint8_t> Unwrap(const std::vector<uint8_t>& file)
{
    TMemoryStream stream(file);
    std::optional<TMemoryStream> payload = ReadChecked(stream);
    EXPECT_TRUE(payload.has_value());
    return payload ? payload->TakeBytes() : std::vector<uint8_t>{};
}

std::vector<uint8_t> Wrap(const std::vector<uint8_t>& payload)
{
    TMemoryStream stream;
    WriteChecked(payload, stream);
    return stream.TakeBytes();
}

uint32_t GetU32(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t{bytes[at + static_cast<size_t>(i)]} << (8 * i);
    return value;
}

TEST(ZanSystemDataFile, RoundTripAndLayout)
{
    const TZanSystemDataFile data(Key);
    const std::vector<uint8_t> file = data.Build(SamplePayload());
    std::optional<TSystemDataPayload> parsed = data.Parse(file);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(Same(*parsed, SamplePayload()));

    const std::vector<uint8_t> body = Unwrap(file);
    ASSERT_GT(body.size(), 304u);
    EXPECT_EQ(std::string(body.begin(), body.begin() + 16),
              std::string("ZANSYSDATA12\0\0\0\0", 16));
    const auto check = MakeSaveCheckField(Key);
    EXPECT_TRUE(std::equal(check.begin(), check.end(), body.begin() + 16));
    EXPECT_TRUE(
        std::all_of(body.begin() + 48, body.begin() + 304, [](uint8_t b) { return b == 0; }));
    // Section 1 is compressed and scrambled: smaller, and the text is gone.
    const uint32_t storeSize = GetU32(body, 304);
    EXPECT_LT(storeSize, 2000u);
    const std::string_view marker = "svar store svar";
    EXPECT_EQ(std::search(body.begin(), body.end(), marker.begin(), marker.end()), body.end());
    // Sections 2 and 3 as given.
    const size_t fileLogAt = 308 + storeSize;
    EXPECT_EQ(GetU32(body, fileLogAt), 14u);
    EXPECT_EQ(std::string(body.begin() + static_cast<ptrdiff_t>(fileLogAt) + 4,
                          body.begin() + static_cast<ptrdiff_t>(fileLogAt) + 18),
              "file log bytes");

    // Empty payloads round-trip too.
    parsed = data.Parse(data.Build({}));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_TRUE(Same(*parsed, {}));
}

TEST(ZanSystemDataFile, RefusesForeignAndDamagedFiles)
{
    const TZanSystemDataFile data(Key);
    const std::vector<uint8_t> good = Unwrap(data.Build(SamplePayload()));
    const uint32_t storeSize = GetU32(good, 304);
    const size_t fileLogAt = 308 + storeSize;
    struct Case
    {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> change;
        bool loads;
    };
    const Case cases[] = {
        {"unchanged", [](auto&) {}, true},
        {"wrong magic", [](auto& b) { b[11] = '3'; }, false},
        {"save magic", [](auto& b) { std::copy_n("ZANSAVE110\0\0", 12, b.begin()); }, false},
        {"magic ends at its zero", [](auto& b) { b[14] = 'q'; }, true},
        {"check field changed", [](auto& b) { b[40] ^= 0x80; }, false},
        {"header cut", [](auto& b) { b.resize(300); }, false},
        {"store size past the end", [](auto& b) { b[304 + 3] = 0x7F; }, false},
        {"file log size past the end", [&](auto& b) { b[fileLogAt + 2] = 1; }, false},
        {"read-text log cut", [](auto& b) { b.pop_back(); }, false},
        {"no read-text log section", [&](auto& b) { b.resize(fileLogAt + 4 + 14); }, false},
        {"bytes after section 3", [](auto& b) { b.push_back(0); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> body = good;
        c.change(body);
        EXPECT_EQ(data.Parse(Wrap(body)).has_value(), c.loads);
    }
    const std::vector<uint8_t> file = data.Build(SamplePayload());
    EXPECT_FALSE(TZanSystemDataFile(Key ^ 0x10).Parse(file).has_value());
    EXPECT_TRUE(TZanSystemDataFile(Key | 0xFF000000).Parse(file).has_value());
    EXPECT_FALSE(data.Parse({}).has_value());
    std::vector<uint8_t> damaged = file;
    damaged[100] ^= 1;
    EXPECT_FALSE(data.Parse(damaged).has_value());
    // The store's expansion is capped.
    EXPECT_FALSE(TZanSystemDataFile(Key, 1999).Parse(file).has_value());
    EXPECT_TRUE(TZanSystemDataFile(Key, 2000).Parse(file).has_value());
}

class SystemDataFileOnDisk : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(files->MakeFolders("SaveData")); }

    testing::TempDir temp;
    std::unique_ptr<platform::FileSystem> files = platform::CreateNativeFileSystem(temp.Str());
    TZanSystemDataFile data{Key};
};

TEST_F(SystemDataFileOnDisk, WritesAndReadsBack)
{
    EXPECT_FALSE(data.ReadFromFile(*files, SystemDataFileName).has_value());
    EXPECT_FALSE(data.BackupPending()) << "nothing to keep when there is no file";
    ASSERT_TRUE(data.WriteToFile(*files, SystemDataFileName, SamplePayload()));
    EXPECT_FALSE(files->Exists("SaveData\\SystemData.dat.bak"));
    std::optional<TSystemDataPayload> read = data.ReadFromFile(*files, "savedata\\systemdata.DAT");
    ASSERT_TRUE(read.has_value());
    EXPECT_TRUE(Same(*read, SamplePayload()));
}

TEST_F(SystemDataFileOnDisk, KeepsAnUnloadableFileBeforeTheFirstReplace)
{
    temp.Write("SaveData/SystemData.dat", "written by another build");
    EXPECT_FALSE(data.ReadFromFile(*files, SystemDataFileName).has_value());
    EXPECT_TRUE(data.BackupPending());

    ASSERT_TRUE(data.WriteToFile(*files, SystemDataFileName, SamplePayload()));
    EXPECT_EQ(temp.Read("SaveData/SystemData.dat.bak"), "written by another build");
    EXPECT_FALSE(data.BackupPending());
    EXPECT_TRUE(data.ReadFromFile(*files, SystemDataFileName).has_value());

    // Later writes leave the backup alone.
    TSystemDataPayload changed = SamplePayload();
    changed.FileLog = Bytes("changed");
    ASSERT_TRUE(data.WriteToFile(*files, SystemDataFileName, changed));
    EXPECT_EQ(temp.Read("SaveData/SystemData.dat.bak"), "written by another build");
}

TEST_F(SystemDataFileOnDisk, FailedBackupOrWriteKeepsTheOldFile)
{
    temp.Write("SaveData/SystemData.dat", "unloadable");
    auto failing = platform::CreateNativeFileSystem(temp.Str(), platform::ReplaceFault::Rename);
    EXPECT_FALSE(data.ReadFromFile(*failing, SystemDataFileName).has_value());
    EXPECT_FALSE(data.WriteToFile(*failing, SystemDataFileName, SamplePayload()));
    EXPECT_EQ(temp.Read("SaveData/SystemData.dat"), "unloadable");
    EXPECT_FALSE(files->Exists("SaveData\\SystemData.dat.bak"));
    EXPECT_TRUE(data.BackupPending()) << "still to be kept";

    // A good file and a failing replace: false, the old file untouched.
    TZanSystemDataFile fresh(Key);
    ASSERT_TRUE(fresh.WriteToFile(*files, "SaveData\\Other.dat", SamplePayload()));
    const std::string before = temp.Read("SaveData/Other.dat");
    EXPECT_FALSE(fresh.WriteToFile(*failing, "SaveData\\Other.dat", {}));
    EXPECT_EQ(temp.Read("SaveData/Other.dat"), before);

    EXPECT_TRUE(BackUpSystemDataFile(*files, SystemDataFileName));
    EXPECT_EQ(temp.Read("SaveData/SystemData.dat.bak"), "unloadable");
    EXPECT_FALSE(BackUpSystemDataFile(*files, "SaveData\\Missing.dat"));
}

} // namespace
} // namespace tsukimi
