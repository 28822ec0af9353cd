#include "ExpectedMessages.h"
#include "ScriptFakes.h"
#include "script/ScriptText.h"
#include "script/ZanCalculation.h"

#include <gtest/gtest.h>

namespace tsukimi::testing {
namespace {

class EvaluatorTest : public ::testing::Test
{
protected:
    EvaluatorTest() : calc(&objects, log.Sink())
    {
        calc.ResetVariables();
        Declare("x", ElementInteger);
        Declare("y", ElementInteger);
        Declare("s", ElementString);
        Declare("a[3,2]", ElementInteger); // 6 elements, D1 = 2
        Declare("x1F", ElementInteger);
        calc.AssignInteger("x", 0, 5);
        calc.AssignInteger("y", 0, 2);
        calc.Assign("s", 0, TReturnValue::String("Abc"));
    }
    void Declare(std::string_view reference, uint8_t type, int store = StoreGame, int context = 0)
    {
        ASSERT_TRUE(calc.DeclareVariable(reference, "", false, 255, store, type, context))
            << reference;
    }
    int32_t Int(std::string_view reference, int context = 0)
    {
        return calc.ResolveToken(reference, context).Number;
    }

    RecordingCallbacks objects;
    MessageLog log;
    TZanCalculation calc;
};

struct Case
{
    const char* expression;
    TValueKind kind;
    int32_t number;
    const char* text; // null: not checked
};

TEST_F(EvaluatorTest, OperatorsPrecedenceAndKinds)
{
    const Case cases[] = {
        {"1+2*3", TValueKind::Integer, 7, "7"},
        {"1<2==1", TValueKind::Integer, 1, nullptr},
        {"1|2==3", TValueKind::Integer, 1, nullptr},
        {"10-3-2", TValueKind::Integer, 5, nullptr},
        {"(1+2)*3", TValueKind::Integer, 9, "9"},
        {"((((7))))", TValueKind::Integer, 7, nullptr},
        {"2&&1", TValueKind::Integer, 0, nullptr},
        {"1&&1", TValueKind::Integer, 1, nullptr},
        {"0||1", TValueKind::Integer, 1, nullptr},
        {"2||3", TValueKind::Integer, 0, nullptr},
        {"\"abc\"+1", TValueKind::String, 1, "abc1"},
        {"1+\"abc\"", TValueKind::Integer, 1, "1abc"},
        {"\"ab\"+\"cd\"", TValueKind::String, 0, "abcd"},
        {"\"AB\"==\"ab\"", TValueKind::Integer, 1, "1"},
        {"\"AB\"!=\"ab\"", TValueKind::Integer, 0, "0"},
        {"\"b\">\"A\"", TValueKind::Integer, 1, nullptr},
        {"\"abc\"<\"ABD\"", TValueKind::Integer, 1, nullptr},
        {"-1<0", TValueKind::Integer, 1, nullptr},
        {"7/0", TValueKind::Integer, 0, nullptr},
        {"7%0", TValueKind::Integer, 0, nullptr},
        {"-7/2", TValueKind::Integer, -3, "-3"},
        {"-7%2", TValueKind::Integer, -1, nullptr},
        {"-2147483648/-1", TValueKind::Integer, INT32_MIN, "-2147483648"},
        {"-2147483648%-1", TValueKind::Integer, 0, nullptr},
        {"2147483647+1", TValueKind::Integer, INT32_MIN, nullptr},
        {"65536*65536", TValueKind::Integer, 0, nullptr},
        {"1<<33", TValueKind::Integer, 2, nullptr},
        {"-1>>28", TValueKind::Integer, 15, nullptr},
        {"-1<<31", TValueKind::Integer, INT32_MIN, nullptr},
        {"6&3", TValueKind::Integer, 2, nullptr},
        {"6^3", TValueKind::Integer, 5, nullptr},
        {"$1F", TValueKind::Integer, 31, "$1F"},
        {"0x1F+0", TValueKind::Integer, 31, "31"},
        {"4294967297", TValueKind::Integer, 1, nullptr},
        {"-4294967295", TValueKind::Integer, 1, nullptr},
        {"x1F", TValueKind::Integer, 0, nullptr},
        {"x*y+1", TValueKind::Integer, 11, "11"},
        {"-x", TValueKind::Integer, -5, "-5"},
        {"^x", TValueKind::Integer, -6, "-6"},
        {"+x", TValueKind::Integer, 5, nullptr},
        {"-s", TValueKind::String, 0, "Abc"},
        {"s==\"ABC\"", TValueKind::Integer, 1, nullptr},
        {"1 - -2", TValueKind::Integer, 3, nullptr},
        {"x=3", TValueKind::Integer, 1, "1"},
    };
    for (const Case& c : cases) {
        log.messages.clear();
        const TReturnValue v = calc.Evaluate(c.expression, 0);
        EXPECT_EQ(v.Kind, c.kind) << c.expression;
        EXPECT_EQ(v.Number, c.number) << c.expression;
        if (c.text) {
            EXPECT_EQ(v.Text, c.text) << c.expression;
        }
        EXPECT_TRUE(log.messages.empty()) << c.expression << ": " << log.messages.front();
    }
}

TEST_F(EvaluatorTest, FailuresGiveInvalidValuesAndTheirMessages)
{
    struct Failure
    {
        const char* expression;
        std::string message;
    };
    const Failure failures[] = {
        {"\"a\"&&1", kWrongExpression},
        {"5=x", kWrongExpression},
        {"1+", kUndefined + "1+"},
        {"4294967296", kUndefined + "4294967296"},
        {"12ab", kUndefined + "12ab"},
        {"-(1+2)", kUndefined + "-(1+2)"},
        {"nope*2", kUndefined + "nope"},
        {"*3", kWrongExpression},
        {"(1+2", kUnclosed},
    };
    for (const Failure& f : failures) {
        log.messages.clear();
        EXPECT_TRUE(calc.Evaluate(f.expression, 0).IsInvalid()) << f.expression;
        EXPECT_TRUE(log.Has(f.message)) << f.expression;
    }
    EXPECT_EQ(Int("x"), 5); // "5=x" assigned nothing
    // (x=y)=1: the first assignment happens, the second fails.
    EXPECT_TRUE(calc.Evaluate("x=y=1", 0).IsInvalid());
    EXPECT_EQ(Int("x"), 2);

    log.messages.clear();
    calc.SetReportErrors(false);
    EXPECT_TRUE(calc.Evaluate("nope+1", 0).IsInvalid());
    EXPECT_TRUE(calc.Evaluate("a[9]", 0).IsInvalid());
    EXPECT_TRUE(log.messages.empty());
}

TEST_F(EvaluatorTest, AssignmentStoresKindsAndSetsAssigned)
{
    EXPECT_EQ(calc.Evaluate("s=1+2", 0).Number, 1);
    EXPECT_TRUE(calc.Assigned());
    EXPECT_EQ(calc.ResolveToken("s", 0).Text, "3"); // the sum's text, not "1"
    calc.Evaluate("x=\"12\"", 0);
    EXPECT_EQ(Int("x"), 12);
    calc.Evaluate("x+1", 0);
    EXPECT_FALSE(calc.Assigned());
    calc.Evaluate("(y=4)+a[1,1]", 0);
    EXPECT_TRUE(calc.Assigned());
    EXPECT_EQ(Int("y"), 4);
}

// Integers read from variables get their texts only where a text is used:
// in a string operation, an assignment to a string, or the result.
TEST_F(EvaluatorTest, IntegerTextsOfVariablesWhereTheyAreUsed)
{
    EXPECT_EQ(calc.Evaluate("s=x*y+x", 0).Number, 1);
    EXPECT_EQ(calc.ResolveToken("s", 0).Text, "15");
    EXPECT_EQ(calc.Evaluate("x*y", 0).Text, "10");
    EXPECT_EQ(calc.Evaluate("x", 0).Text, "5");
    EXPECT_EQ(calc.Evaluate("s+x", 0).Text, "155");
    EXPECT_EQ(calc.Evaluate("y+s", 0).Text, "215");
    EXPECT_EQ(calc.Evaluate("s==x*3", 0).Number, 1);
    calc.Evaluate("s=-x", 0);
    EXPECT_EQ(calc.ResolveToken("s", 0).Text, "-5");
    calc.Evaluate("s=\"t\"", 0);
    calc.Evaluate("s++", 0);
    EXPECT_EQ(calc.ResolveToken("s", 0).Text, "t") << "a string keeps its text through ++";
    calc.Evaluate("x++", 0);
    EXPECT_EQ(calc.Evaluate("x", 0).Text, "6");
}

TEST_F(EvaluatorTest, IncrementsApplyWhileTokenising)
{
    EXPECT_EQ(calc.Evaluate("x++", 0).Number, 6);
    EXPECT_EQ(Int("x"), 6);
    EXPECT_EQ(calc.Evaluate("x++ + x", 0).Number, 14); // both read the new value
    EXPECT_EQ(calc.Evaluate("y--*10", 0).Number, 10);
    EXPECT_EQ(Int("y"), 1);
    // The same text again increments again (cached forms replay their actions).
    EXPECT_EQ(calc.Evaluate("x++", 0).Number, 8);
    calc.Evaluate("a[0,1]++", 0);
    EXPECT_EQ(Int("a[0,1]"), 1);
}

TEST_F(EvaluatorTest, SubscriptsShortFormsAndFlatIndexes)
{
    calc.Evaluate("a[1,1]=11", 0); // flat 1 + 2 * 1 = 3
    EXPECT_EQ(Int("a[0,3]"), 11);  // only the flat index is checked
    EXPECT_EQ(Int("a[$3]"), 11);
    calc.AssignInteger("x", 0, 3);
    EXPECT_EQ(Int("a[x]"), 11);
    EXPECT_EQ(Int("a[y-1,y-1]"), 11);
    EXPECT_EQ(Int("-a[3]"), -11);

    log.messages.clear();
    EXPECT_TRUE(calc.ResolveToken("a[3,0]", 0).IsInvalid()); // flat 6
    EXPECT_TRUE(log.Has(kReadRange + "a"));
    log.messages.clear();
    EXPECT_EQ(Int("a[s]"), 0);
    EXPECT_TRUE(log.Has(kSyntax + "s"));

    const TValueAdr adr = calc.ParseReference("-b[1,2,3,4,5]", false, 0);
    EXPECT_EQ(adr.Name, "b");
    EXPECT_EQ(adr.Sign, '-');
    EXPECT_EQ(adr.Index.I1, 4);
    EXPECT_EQ(adr.Index.I4, 1);
    EXPECT_EQ(calc.ParseReference("name]", true, 0).Name, "name");
}

TEST_F(EvaluatorTest, DeclarationsFollowLevelsAndStores)
{
    Declare("v[0]", ElementInteger, StoreLocal, 2);
    Declare("w[-3]", ElementInteger, StoreSystem);
    EXPECT_EQ(calc.GetSizes("v", 2)->D1, 1);
    EXPECT_EQ(calc.GetSizes("w", 0)->D1, 1);
    EXPECT_FALSE(calc.GetSizes("v", 1));
    EXPECT_FALSE(calc.DeclareVariable("big[50000,50000]", "", false, 255, StoreGame, 0, 0));
    EXPECT_TRUE(log.messages.empty());

    // A local x at level 2 hides the game x there only.
    Declare("x", ElementInteger, StoreLocal, 2);
    calc.AssignInteger("x", 2, 99);
    EXPECT_EQ(Int("x", 2), 99);
    EXPECT_EQ(Int("x", 1), 5);
    calc.LocalStore().ClearAboveLevel(1);
    EXPECT_EQ(Int("x", 2), 5);
    EXPECT_TRUE(calc.ResizeVariable("a[4,4]", 0));
    EXPECT_EQ(calc.GetSizes("a", 0)->D2, 4);
    EXPECT_TRUE(calc.DeleteVariable("x1F", 0));
    EXPECT_EQ(calc.FindReference("X1f", 0).Store, StoreNone);
    EXPECT_EQ(calc.FindReference("w", 0).Store, StoreSystem);
    EXPECT_EQ(calc.FindReference("_lkLog", 0).Store, StoreGame);
}

TEST_F(EvaluatorTest, NestingIsBounded)
{
    std::string deep(200, '(');
    deep += "1";
    deep += std::string(200, ')');
    EXPECT_EQ(calc.Evaluate(deep + "+1", 0).Number, 2);

    std::string tooDeep(300, '(');
    tooDeep += "1";
    tooDeep += std::string(300, ')');
    log.messages.clear();
    EXPECT_TRUE(calc.Evaluate(tooDeep + "+1", 0).IsInvalid());
    EXPECT_TRUE(log.Has(kWrongExpression));

    std::string subscripts = "0";
    for (int i = 0; i < 400; ++i)
        subscripts = "a[" + subscripts + "+0]";
    // References are cut to 255 bytes, which also bounds nested subscripts.
    EXPECT_TRUE(calc.Evaluate(subscripts, 0).IsInvalid());
}

TEST_F(EvaluatorTest, ArgumentConventions)
{
    EXPECT_EQ(calc.IntegerArgument("x*2", 0), 10);
    EXPECT_EQ(calc.IntegerArgument("nope", 0), 0);
    EXPECT_EQ(calc.TextArgument("s+\"d\"", 0), "Abcd");
    EXPECT_EQ(calc.TextArgument("{a, \"b\\c}", 0), "a, \"b\\c");
    EXPECT_EQ(calc.TextArgument("", 0), "");

    struct Brace
    {
        const char* argument;
        const char* text;
    };
    const Brace braces[] = {
        {"{a{b}c}", "a{b}c"},
        {"  (x y)", "xy"},
        {"[a[1]]", "a[1]"},
        {"\"q r\"", "q r"},
        {"abc", ""},
        {"   ", ""},
        {"{\x95\x5c}", "\x95\x5c"},
        {"(a\"(\"b)", "a\"(\"b"},
    };
    for (const Brace& b : braces)
        EXPECT_EQ(TakeBraceText(b.argument), b.text) << b.argument;
}

TEST_F(EvaluatorTest, CachedLookupsFollowStoreChanges)
{
    EXPECT_EQ(calc.Evaluate("z+1", 0).Kind, TValueKind::Invalid);
    Declare("z", ElementInteger);
    calc.AssignInteger("z", 0, 41);
    EXPECT_EQ(calc.Evaluate("z+1", 0).Number, 42);
    calc.GameStore().DeleteVariable("z", 0, true);
    Declare("z", ElementString, StoreSystem);
    calc.Assign("z", 0, TReturnValue::String("q"));
    EXPECT_EQ(calc.Evaluate("z+1", 0).Text, "q1");

    TValue other;
    other.Declare("z", "", false, 7, ElementInteger, 0, {1, 1, 1, 1});
    other.SetInteger("z", 0, 7);
    calc.SetSystemStoreOverride(&other);
    EXPECT_EQ(calc.Evaluate("z+1", 0).Number, 8);
    calc.SetSystemStoreOverride(nullptr);
}

} // namespace
} // namespace tsukimi::testing
