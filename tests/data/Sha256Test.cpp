#include "data/Sha256.h"

#include "platform/FileSystem.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

const char kAbc[] = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
const char kMillionA[] = "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0";

TEST(Sha256, FipsVectors)
{
    EXPECT_EQ(Sha256Hex("abc"), kAbc);
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1");
    const std::string million(1000000, 'a');
    EXPECT_EQ(Sha256Hex(million), kMillionA);

    TSha256 pieces; // uneven pieces across block boundaries
    for (size_t at = 0; at < million.size(); at += 997)
        pieces.Update(million.data() + at, std::min<size_t>(997, million.size() - at));
    EXPECT_EQ(pieces.FinalHex(), kMillionA);
    EXPECT_EQ(pieces.FinalHex(),
              "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
}

TEST(Sha256, EmptyBlockGivesEmptyText)
{
    EXPECT_EQ(Sha256Hex(nullptr, 0), "");
    EXPECT_EQ(Sha256Pixels(nullptr, 0, 0, 0), "");
}

TEST(Sha256, PixelsAreHashedAsBlueGreenRedAlphaRowByRow)
{
    // Two rows of one pixel, two pixels apart; the middle pixel is not part of the image.
    const uint32_t pixels[] = {0x44332211u, 0xFFFFFFFFu, 0x61626364u};
    EXPECT_EQ(Sha256Pixels(pixels, 1, 2, 2), Sha256Hex("\x11\x22\x33\x44\x64\x63\x62\x61"));
}

class MemoryFile : public platform::RandomAccessFile
{
public:
    MemoryFile(std::string bytes, bool fail) : bytes_(std::move(bytes)), fail_(fail) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t offset, void* buffer, size_t size) const override
    {
        if (fail_ && offset > 0) return false;
        bytes_.copy(static_cast<char*>(buffer), size, offset);
        return true;
    }

private:
    std::string bytes_;
    bool fail_;
};

TEST(Sha256, FilesAreReadInPieces)
{
    const std::string million(1000000, 'a');
    EXPECT_EQ(Sha256File(MemoryFile(million, false)), kMillionA);
    EXPECT_EQ(Sha256File(MemoryFile(million, true)), "");
}

TEST(Sha256, GameFolderFile)
{
    testing::TempDir folder;
    folder.Write("data/abc.txt", "abc");
    auto files = platform::CreateNativeFileSystem(folder.Str());
    EXPECT_EQ(Sha256File(*files, "data\\abc.txt"), kAbc);
    EXPECT_EQ(Sha256File(*files, "data\\missing.txt"), "");
}

} // namespace
} // namespace tsukimi
