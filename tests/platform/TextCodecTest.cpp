#include "platform/TextCodec.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace tsukimi::platform {
namespace {

TEST(TextCodecTest, RoundTripsJapaneseAndAscii)
{
    // "表示ソフト ABC" with the 0x5C trail bytes, "～" and NEC "①".
    const std::string sjis = "\x95\x5C\x8E\xA6\x83\x5C\x83\x74\x83\x67 ABC \x81\x60\x87\x40";
    const std::string utf8 = SjisToUtf8(sjis);
    EXPECT_EQ(utf8, "表示ソフト ABC ～①");
    EXPECT_EQ(Utf8ToSjis(utf8), sjis);
    EXPECT_EQ(SjisToUtf8(""), "");
    // Half-width katakana.
    EXPECT_EQ(SjisToUtf8("\xB1"), "ｱ");
}

TEST(TextCodecTest, ReplacesWhatCannotBeConverted)
{
    // A lone lead byte at the end and an undefined lead/trail pair.
    EXPECT_EQ(SjisToUtf8("A\x82"), "A\xEF\xBF\xBD");
    EXPECT_EQ(SjisToUtf8("\x85\x40"
                         "B"),
              "\xEF\xBF\xBD"
              "B");
    // No Shift-JIS form, invalid UTF-8, truncated sequence.
    EXPECT_EQ(Utf8ToSjis("a\xF0\x9F\x98\x80"
                         "b"),
              "a?b");
    EXPECT_EQ(Utf8ToSjis("a\xFF"
                         "b"),
              "a?b");
    EXPECT_EQ(Utf8ToSjis("a\xE8\xA1"), "a?");
}

TEST(TextCodecTest, WorksFromSeveralThreads)
{
    std::vector<std::thread> threads;
    std::vector<int> good(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &good] {
            for (int i = 0; i < 200; ++i)
                good[t] += Utf8ToSjis(SjisToUtf8("\x95\x5C")) == "\x95\x5C";
        });
    for (auto& thread : threads)
        thread.join();
    for (const int count : good)
        EXPECT_EQ(count, 200);
}

} // namespace
} // namespace tsukimi::platform
