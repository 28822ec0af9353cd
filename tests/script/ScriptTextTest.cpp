#include "script/ScriptText.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

using Pieces = std::vector<std::string>;

TEST(SplitArgumentsTest, SplitsOutsideQuotesAndBracketsAndPads)
{
    struct Case
    {
        const char* text;
        int minCount;
        bool braces;
        Pieces expected;
    };
    const Case cases[] = {
        {"\\cmd, a ,,\"b,c\",f(1,2)", 7, true, {"\\cmd", "a", "", "\"b,c\"", "f(1,2)", "", ""}},
        {"a,", 3, true, {"a", "", ""}},
        {"", 2, true, {"", ""}},
        {"a, ", 0, true, {"a", ""}},
        {"x[1,(2]),y", 0, true, {"x[1,(2])", "y"}}, // one depth for all brackets
        {"{a,b},c", 0, true, {"{a,b}", "c"}},
        {"{a,b},c", 0, false, {"{a", "b}", "c"}},
        {"{\"},x", 0, true, {"{\"}", "x"}},
        {"\x81[,b", 0, true, {"\x81[", "b"}}, // the trail byte "[" opens nothing
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitArguments(c.text, ',', c.minCount, c.braces), c.expected) << c.text;
    }
    const Pieces nine = SplitArguments("\\p,1", ',', 9, true);
    EXPECT_EQ(nine.size(), 9u);
    EXPECT_EQ(nine[1], "1");
}

TEST(ScriptGroupsTest, InnerGroupAndHeadBeforeGroup)
{
    struct Case
    {
        const char* text;
        const char* inner;
        const char* head;
    };
    const Case cases[] = {
        {"name[1,(2)]", "1,(2)", "name"},
        {"\"x(y\"", "x(y", ""},
        {"f(a,\")\",b)", "a,\")\",b", "f"},
        {"a[b(c)d]", "b(c)d", "a"},
        {"a[(]", "", "a"},
        {"name]", "", "name"},
        {"(open", "", ""},
        {"plain", "", "plai"},
        {"", "", ""},
        {"\x95\x5c[1]", "1", "\x95\x5c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InnerGroup(c.text), c.inner) << c.text;
        EXPECT_EQ(HeadBeforeGroup(c.text, true), c.head) << c.text;
    }
    EXPECT_EQ(HeadBeforeGroup("ab{c}", true), "ab");
    EXPECT_EQ(HeadBeforeGroup("ab{c}", false), "ab{c");
}

} // namespace
} // namespace tsukimi
