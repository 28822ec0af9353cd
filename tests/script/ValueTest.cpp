#include "script/Value.h"
#include "ExpectedMessages.h"
#include "ScriptFakes.h"
#include "data/TextHelpers.h"
#include "script/PredefinedVariables.h"
#include "script/ValueStack.h"
#include "script/ZanCalculation.h"

#include <gtest/gtest.h>

namespace tsukimi::testing {
namespace {

TArraySizes Sizes(int32_t d1, int32_t d2 = 1, int32_t d3 = 1, int32_t d4 = 1)
{
    return {d1, d2, d3, d4};
}

TEST(ValueStackTest, GrowsInStepsOfEightAndPopsInvalidWhenEmpty)
{
    TValueStack stack;
    EXPECT_TRUE(stack.Pop().IsInvalid());
    for (int i = 0; i < 8; ++i)
        stack.Push(TReturnValue::IntegerText(i));
    EXPECT_EQ(stack.Count(), 8);
    EXPECT_EQ(stack.Capacity(), 16);
    EXPECT_EQ(stack.Pop().Number, 7);
    EXPECT_EQ(stack.Capacity(), 8);
}

TEST(ValueStoreTest, DeclaresPerLevelAndFindsWithoutCase)
{
    TValue store;
    EXPECT_TRUE(store.Declare("Count", "", false, 7, ElementInteger, 0, Sizes(1)));
    EXPECT_FALSE(store.Declare("count", "", false, 7, ElementInteger, 0, Sizes(1)));
    EXPECT_TRUE(store.Declare("COUNT", "", false, 7, ElementString, 1, Sizes(1)));
    EXPECT_FALSE(store.Declare("", "", false, 7, ElementInteger, 0, Sizes(1)));
    EXPECT_FALSE(store.Declare("bad", "", false, 7, 3, 0, Sizes(1)));
    EXPECT_EQ(store.FindVariable("cOuNt", 0), 0);
    EXPECT_EQ(store.FindVariable("count", 1), 1);
    EXPECT_EQ(store.FindVariable("count", 2), -1);
    store.ClearAboveLevel(0);
    EXPECT_EQ(store.FindVariable("count", 1), -1);
    EXPECT_EQ(store.FindVariable("count", 0), 0);
}

TEST(ValueStoreTest, SizesAboveTheCapAreRefusedWithoutMessage)
{
    MessageLog log;
    TValue store(nullptr, log.Sink());
    EXPECT_FALSE(store.Declare("a", "", false, 7, ElementInteger, 0, Sizes(50000, 50000)));
    EXPECT_FALSE(
        store.Declare("b", "", false, 7, ElementInteger, 0, Sizes(65536, 65536, 65536, 65536)));
    EXPECT_TRUE(store.Declare("c", "", false, 7, ElementInteger, 0, Sizes(4096, 4096)));
    EXPECT_FALSE(store.ResizeVariable("c", Sizes(4097, 4096), false, 0));
    EXPECT_EQ(store.Variable(0).Array->Count(), 4096 * 4096);
    EXPECT_FALSE(store.ResizeVariable("c", Sizes(-1), false, 0));
    EXPECT_TRUE(log.messages.empty());
}

TEST(ValueStoreTest, ReadAndWriteConvertBetweenKinds)
{
    TValue store;
    store.Declare("n", "", false, 7, ElementInteger, 0, Sizes(1));
    store.Declare("s", "", false, 7, ElementString, 0, Sizes(1));
    const int n = store.FindVariable("n", 0), s = store.FindVariable("s", 0);
    EXPECT_TRUE(store.WriteElement(n, {}, false, TReturnValue::String("12", 12)));
    EXPECT_TRUE(store.WriteElement(s, {}, false, TReturnValue::Integer(34, "34")));
    TReturnValue value;
    ASSERT_TRUE(store.ReadElement(n, {}, false, value));
    EXPECT_EQ(value.Kind, TValueKind::Integer);
    EXPECT_EQ(value.Number, 12);
    EXPECT_EQ(value.Text, "12");
    ASSERT_TRUE(store.ReadElement(s, {}, false, value));
    EXPECT_EQ(value.Kind, TValueKind::String);
    EXPECT_EQ(value.Text, "34");
    EXPECT_EQ(value.Number, 34);
    store.SetString("s", 0, "$10");
    ASSERT_TRUE(store.ReadElement(s, {}, false, value));
    EXPECT_EQ(value.Number, 16);
}

TEST(ValueStoreTest, LocksAndRangesReportTheirMessages)
{
    MessageLog log;
    TValue store(nullptr, log.Sink());
    store.Declare("ro", "", false, VariableReadable, ElementInteger, 0, Sizes(2));
    store.Declare("wo", "", false, VariableWritable, ElementInteger, 0, Sizes(2));
    TReturnValue value = TReturnValue::IntegerText(5);
    EXPECT_FALSE(store.WriteElement(0, {}, false, value));
    EXPECT_TRUE(log.Has(kWriteLocked + "ro"));
    EXPECT_TRUE(store.WriteElement(0, {}, true, value)); // forced
    EXPECT_FALSE(store.ReadElement(1, {}, false, value));
    EXPECT_TRUE(value.IsInvalid());
    EXPECT_TRUE(log.Has(kReadLocked + "wo"));
    TSubscripts past;
    past.I1 = 2;
    EXPECT_FALSE(store.ReadElement(0, past, false, value));
    EXPECT_TRUE(log.Has(kReadRange + "ro"));
    EXPECT_FALSE(store.WriteElement(1, past, false, TReturnValue::IntegerText(1)));
    EXPECT_TRUE(log.Has(kWriteRange + "wo"));
    EXPECT_FALSE(store.ResizeVariable("ro", Sizes(4), false, 0));
    EXPECT_TRUE(log.Has(kResizeLocked + "ro"));
    EXPECT_FALSE(store.DeleteVariable("ro", 0, false));
    EXPECT_TRUE(store.DeleteVariable("ro", 0, true));
    EXPECT_FALSE(store.ResetVariable("gone", 0, false));
    EXPECT_TRUE(log.Has(kNotDeclared + "gone"));
    EXPECT_TRUE(store.ResetVariable("wo", 0, false));

    const size_t before = log.messages.size();
    store.SetReportErrors(false);
    EXPECT_FALSE(store.ReadElement(0, {}, false, value));
    EXPECT_EQ(log.messages.size(), before);
}

TEST(ValueStoreTest, OwningObjectArraysCreateAndFreeTheirObjects)
{
    RecordingCallbacks objects;
    MessageLog log;
    {
        TValue store(&objects, log.Sink());
        ASSERT_TRUE(store.Declare("pic", "img", false, 253, ElementObject, 1, Sizes(2)));
        EXPECT_EQ(objects.calls,
                  (std::vector<std::string>{"create img 1_pic,0", "create img 1_pic,1"}));
        objects.calls.clear();
        ASSERT_TRUE(store.ResizeVariable("pic", Sizes(4), false, 1));
        EXPECT_EQ(objects.calls,
                  (std::vector<std::string>{"create img 1_pic,2", "create img 1_pic,3"}));
        objects.calls.clear();
        ASSERT_TRUE(store.ResizeVariable("pic", Sizes(1), false, 1));
        EXPECT_EQ(objects.calls,
                  (std::vector<std::string>{"delete img 1_pic,3", "delete img 1_pic,2",
                                            "delete img 1_pic,1"}));
        TReturnValue value;
        ASSERT_TRUE(store.ReadElement(0, {}, false, value));
        EXPECT_EQ(value.Kind, TValueKind::Object);
        EXPECT_EQ(value.Text, "1_pic,0");

        store.Declare("ref", "obj", true, 255, ElementObject, 0, Sizes(3));
        objects.calls.clear();
        objects.failDelete = true;
        store.ClearAboveLevel(0);
        EXPECT_EQ(objects.calls, (std::vector<std::string>{"delete img 1_pic,0"}));
        EXPECT_TRUE(log.Has(kFreeFailed + "1_pic,0"));
        objects.failDelete = false;
        objects.failCreate = true;
        store.Declare("snd", "snd", false, 253, ElementObject, 0, Sizes(1));
        EXPECT_TRUE(log.Has(kCreateFailed + "0_snd,0"));
        objects.calls.clear();
    }
    EXPECT_EQ(objects.calls, (std::vector<std::string>{"delete snd 0_snd,0"}));
}

TEST(ValueStoreTest, FlatIndexesUseTheSizesAndOnlyTheFlatIndexIsChecked)
{
    TValue store;
    store.Declare("a", "", false, 7, ElementInteger, 0, Sizes(3, 2));
    const TValueArrayCustom& array = *store.Variable(0).Array;
    EXPECT_EQ(array.Count(), 6);
    EXPECT_EQ(array.FlatIndex({2, 1, 0, 0}), 5);
    EXPECT_EQ(array.FlatIndex({4, 0, 0, 0}), 4);
    EXPECT_EQ(array.FlatIndex({0, 5, 0, 0}), std::nullopt);
    EXPECT_EQ(array.FlatIndex({-1, 0, 0, 0}), std::nullopt);
    EXPECT_EQ(array.FlatIndex({0, 0, INT32_MAX, INT32_MAX}), std::nullopt);
}

void PutVariable(TMemoryStream& s, uint8_t type, std::string_view name)
{
    s.WriteI16(0);
    s.WriteU16(7);
    s.WriteU32(0);
    s.WriteU8(type);
    s.WriteU8(1);
    s.WriteI32(0);
    WriteString(s, name);
    WriteString(s, "");
}

TEST(ValueStoreTest, StreamRoundTripRebuildsVariablesAndObjects)
{
    RecordingCallbacks objects;
    TValue store(&objects);
    store.Declare("n", "", false, 3, ElementInteger, 0, Sizes(2, 2));
    store.Declare("s", "", false, 7, ElementString, 2, Sizes(2));
    store.Declare("pic", "img", false, 253, ElementObject, 0, Sizes(2));
    store.SetInteger("n", 3, -9);
    store.WriteElement(1, {1, 0, 0, 0}, true, TReturnValue::String("\x95\x5cx"));
    TMemoryStream stream;
    ASSERT_TRUE(store.SaveToStream(stream));
    EXPECT_EQ(std::count(objects.calls.begin(), objects.calls.end(), "save 0_pic,1"), 1);

    objects.calls.clear();
    TValue copy(&objects);
    copy.Declare("old", "img", false, 253, ElementObject, 0, Sizes(1));
    stream.Rewind();
    ASSERT_TRUE(copy.LoadFromStream(stream));
    EXPECT_TRUE(stream.AtEnd());
    EXPECT_EQ(objects.calls, (std::vector<std::string>{"create img 0_old,0", "delete img 0_old,0",
                                                       "load 0_pic,0", "load 0_pic,1"}));
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_EQ(copy.Variable(0).Flags, 3);
    EXPECT_EQ(copy.Variable(0).Hash, StringHash("n"));
    EXPECT_EQ(copy.Variable(0).Array->Sizes().D2, 2);
    TReturnValue value;
    ASSERT_TRUE(copy.ReadElement(0, {1, 1, 0, 0}, false, value));
    EXPECT_EQ(value.Number, -9);
    ASSERT_TRUE(copy.ReadElement(copy.FindVariable("s", 2), {1, 0, 0, 0}, false, value));
    EXPECT_EQ(value.Text, "\x95\x5cx");
}

TEST(ValueStoreTest, StreamSkipsVariablesWithoutArrayData)
{
    TMemoryStream stream;
    stream.WriteI32(2);
    PutVariable(stream, 3, "ghost");
    PutVariable(stream, ElementInteger, "kept");
    for (int32_t v : {1, 1, 1, 1, 1, 42})
        stream.WriteI32(v); // sizes, count, element
    stream.Rewind();
    TValue store;
    ASSERT_TRUE(store.LoadFromStream(stream));
    ASSERT_EQ(store.Count(), 1);
    EXPECT_EQ(store.Variable(0).Array->Name(), "kept");
}

TEST(ValueStoreTest, ShortOrBadStreamsFailAndLeaveTheStoreAsItWas)
{
    TValue source;
    source.Declare("s", "", false, 7, ElementString, 0, Sizes(3));
    source.SetString("s", 2, "hello");
    TMemoryStream full;
    source.SaveToStream(full);

    std::vector<std::vector<uint8_t>> bad;
    for (size_t cut : {size_t{2}, size_t{10}, full.Size() - 1}) {
        bad.emplace_back(full.Bytes().begin(),
                         full.Bytes().begin() + static_cast<std::ptrdiff_t>(cut));
    }
    TMemoryStream huge;
    huge.WriteI32(0x7FFFFFFF);
    bad.emplace_back(huge.Bytes().begin(), huge.Bytes().end());
    TMemoryStream bigArray;
    bigArray.WriteI32(1);
    PutVariable(bigArray, ElementInteger, "x");
    for (int32_t v : {1, 1, 1, 1, 0x40000000})
        bigArray.WriteI32(v);
    bad.emplace_back(bigArray.Bytes().begin(), bigArray.Bytes().end());

    for (const auto& bytes : bad) {
        TValue store;
        store.Declare("keep", "", false, 7, ElementInteger, 0, Sizes(1));
        TMemoryStream stream(bytes);
        EXPECT_FALSE(store.LoadFromStream(stream));
        ASSERT_EQ(store.Count(), 1);
        EXPECT_EQ(store.Variable(0).Array->Name(), "keep");
    }
}

TEST(PredefinedVariablesTest, DeclaresTheTable)
{
    TValue store;
    DeclarePredefinedVariables(store);
    TReturnValue value;
    const auto read = [&](std::string_view name, int element = 0) {
        TSubscripts at;
        at.I1 = element;
        EXPECT_TRUE(store.ReadElement(store.FindVariable(name, 0), at, false, value)) << name;
        return value;
    };
    EXPECT_EQ(read("#quot").Text, "\"");
    EXPECT_EQ(read("_QuickSaveFilename").Text, "QuickSaveData.svd");
    EXPECT_EQ(read("_lkMinimize").Number, 2048);
    EXPECT_EQ(read("_lkScreen").Number, 1);
    EXPECT_EQ(read("_stSE").Number, 2);
    EXPECT_EQ(read("ResultInt", 15).Number, 0);
    EXPECT_EQ(read("ResultObj", 15).Kind, TValueKind::Object);
    EXPECT_EQ(store.Variable(store.FindVariable("ResultStr", 0)).Flags, 3);
    EXPECT_EQ(store.Variable(store.FindVariable("NIL", 0)).Flags, 1);
    EXPECT_TRUE(store.Variable(store.FindVariable("ResultBtn", 0)).Array->IsReference());
    EXPECT_EQ(store.Variable(store.FindVariable("ResultBtnStr", 0)).Array->Count(), 4);
}

TEST(IntegerText, EveryDigitCountAndSign)
{
    std::string text = "left over from before";
    for (const int32_t n : {0, 7, -7, 10, 99, 100, -101, 12345, 999999999, 1000000000, INT32_MAX, INT32_MIN}) {
        AssignIntText(text, n);
        EXPECT_EQ(text, std::to_string(n));
    }
}

} // namespace
} // namespace tsukimi::testing
