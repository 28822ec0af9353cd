#include "data/TextHelpers.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

using Items = std::vector<std::string>;

TEST(SplitText, TableOfCases)
{
    struct Case
    {
        std::string separator, text;
        bool skipBlanks;
        int minCount;
        bool stopAtComment;
        Items out;
    } cases[] = {
        {",", "a,b,", false, 0, false, {"a", "b", ""}},
        {",", "f(a,b),c", false, 0, false, {"f(a,b)", "c"}},
        {",", "\"x,y\",z", false, 0, false, {"\"x,y\"", "z"}},
        {",", "{a,[b,c]},\"(\",d", false, 0, false, {"{a,[b,c]}", "\"(\",d"}},
        {",", ",,", false, 0, false, {"", "", ""}},
        {",", "", false, 0, false, {}},
        {",", "", false, 2, false, {"", ""}},
        {",", "a", false, 3, false, {"a", "", ""}},
        {",", "a\r\nb\r\n", false, 0, false, {"a", "b"}},
        {",", "(a\r\nb)", false, 0, false, {"(a", "b)"}},
        {",", " a , b\t", true, 0, false, {"a", "b"}},
        {",", " a , b", false, 0, false, {" a ", " b"}},
        {",", "a,b // c,d", true, 0, true, {"a", "b"}},
        {",", "a,b // c,d", true, 0, false, {"a", "b//c", "d"}},
        {"\\", "\x95\x5C\\b", false, 0, false, {"\x95\x5C", "b"}},       // trail byte 0x5C
        {"\x81\x41", "a\x81\x41\x62", false, 0, false, {"a", "b"}},      // two-byte separator
        {"\x81\x41", "\x88\x81\x41", false, 0, false, {"\x88\x81\x41"}}, // never across characters
        {",", "a\x83", false, 0, false, {"a\x83"}},                      // lone lead byte
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitText(c.separator, c.text, c.skipBlanks, c.minCount, c.stopAtComment), c.out)
            << c.text;
    }
}

} // namespace
} // namespace tsukimi
