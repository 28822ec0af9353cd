#include "data/TextHelpers.h"
#include "script/FileLogFilterBlock.h"
#include "script/SaveStreamHelpers.h"
#include "script/ZanInterpreterBlock.h"
#include "script/ZanStackSaveData.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tsukimi {
namespace {

uint32_t GetU32(std::span<const uint8_t> bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t{bytes[at + static_cast<size_t>(i)]} << (8 * i);
    return value;
}

std::vector<uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

TZanInterpreterBlock SampleBlock()
{
    TZanInterpreterBlock b;
    b.Clock = 123456;
    b.LockFlags = 0x0000ABCD;
    b.CustomMask = 0x11223344;
    b.CustomCheckMask = 0x55667788;
    b.PlayMode = 3;
    b.CommandsPerFrame = 777;
    b.OldDescriptions = {"d0", "", "d2", std::string(63, 'x')};
    b.UpdateGroupMask = 0x0A0B0C0D;
    b.DrawGroupMask = 0x01020304;
    b.Labels = {"l0", "l1", "", "l3", "@@return"};
    b.SceneReturnEnabled = 1;
    b.InputMode = 2;
    b.Reserved927 = 0xDEADBEEF;
    b.ObjectParameter1 = -5;
    b.ObjectParameter2 = 99;
    b.ActOnPartner = 1;
    b.FrameEventLabelPresent = 1;
    b.FormatLevel = 4;
    b.ThumbnailGroupMask = 0x1234;
    b.MusicSettings = {1, 2, 3, 4, 5};
    for (size_t i = 0; i < b.Reserved969.size(); ++i)
        b.Reserved969[i] = static_cast<uint8_t>(i + 1);
    return b;
}

TEST(ZanInterpreterBlock, IsExactly1199BytesWithTheFieldsInPlace)
{
    TMemoryStream stream;
    TZanInterpreterBlock().Write(stream);
    EXPECT_EQ(stream.Size(), TZanInterpreterBlock::Size);
    EXPECT_EQ(TZanInterpreterBlock::Size, 1199u);

    stream.Clear();
    SampleBlock().Write(stream);
    ASSERT_EQ(stream.Size(), 1199u);
    const std::span<const uint8_t> b = stream.Bytes();
    EXPECT_EQ(GetU32(b, 0), 123456u);
    EXPECT_EQ(GetU32(b, 4), 0x0000ABCDu);
    EXPECT_EQ(GetU32(b, 8), 0x11223344u);
    EXPECT_EQ(GetU32(b, 12), 0x55667788u);
    EXPECT_EQ(b[16], 3);
    EXPECT_EQ(GetU32(b, 17), 777u);
    EXPECT_EQ(b[21], 2);
    EXPECT_EQ(b[22], 'd');
    EXPECT_EQ(b[21 + 3 * 64], 63);
    EXPECT_EQ(GetU32(b, 277), 0x0A0B0C0Du);
    EXPECT_EQ(GetU32(b, 281), 0x01020304u);
    EXPECT_EQ(b[285], 2);
    EXPECT_EQ(b[285 + 4 * 128], 8);
    EXPECT_EQ(b[285 + 4 * 128 + 1], '@');
    EXPECT_EQ(b[925], 1);
    EXPECT_EQ(b[926], 2);
    EXPECT_EQ(GetU32(b, 927), 0xDEADBEEFu);
    EXPECT_EQ(GetU32(b, 931), static_cast<uint32_t>(-5));
    EXPECT_EQ(GetU32(b, 935), 99u);
    EXPECT_EQ(GetU32(b, 939), 1u);
    EXPECT_EQ(b[943], 1);
    EXPECT_EQ(b[944], 4);
    EXPECT_EQ(GetU32(b, 945), 0x1234u);
    EXPECT_EQ(GetU32(b, 949), 1u);
    EXPECT_EQ(GetU32(b, 965), 5u);
    EXPECT_EQ(b[969], 1);
    EXPECT_EQ(b[1198], 230);
}

TEST(ZanInterpreterBlock, RoundTripsAndRefusesShortInput)
{
    const TZanInterpreterBlock original = SampleBlock();
    TMemoryStream stream;
    original.Write(stream);
    stream.WriteU8(0x77); // the next element
    stream.Rewind();
    TZanInterpreterBlock loaded;
    ASSERT_TRUE(loaded.Read(stream));
    EXPECT_EQ(loaded, original);
    EXPECT_EQ(stream.Position(), 1199u);

    TMemoryStream shortStream(
        std::vector<uint8_t>(stream.Bytes().begin(), stream.Bytes().begin() + 1198));
    TZanInterpreterBlock untouched;
    EXPECT_FALSE(untouched.Read(shortStream));
    EXPECT_EQ(untouched, TZanInterpreterBlock());
    EXPECT_EQ(shortStream.Position(), 0u);
}

TEST(ZanInterpreterBlock, TextsAreCutAndClampedToTheirFields)
{
    TZanInterpreterBlock block;
    block.OldDescriptions[0] = std::string(100, 'a');
    block.Labels[0] = std::string(200, 'b');
    TMemoryStream stream;
    block.Write(stream);
    ASSERT_EQ(stream.Size(), 1199u);
    stream.Data()[21 + 64] = 255;   // OldDescriptions[1] claims 255 bytes
    stream.Data()[285 + 128] = 200; // Labels[1] claims 200
    stream.Rewind();
    TZanInterpreterBlock loaded;
    ASSERT_TRUE(loaded.Read(stream));
    EXPECT_EQ(loaded.OldDescriptions[0], std::string(63, 'a'));
    EXPECT_EQ(loaded.Labels[0], std::string(127, 'b'));
    EXPECT_EQ(loaded.OldDescriptions[1].size(), 63u);
    EXPECT_EQ(loaded.Labels[1].size(), 127u);
}

TEST(ZanInterpreterBlock, ResetValuesAndHelpers)
{
    TZanInterpreterBlock block = SampleBlock();
    block.Reset();
    EXPECT_EQ(block.LockFlags, 0x0FFFFFFFu);
    EXPECT_EQ(block.CustomMask, 0x0FFFFFFFu);
    EXPECT_EQ(block.UpdateGroupMask, 0x0FFFFFFFu);
    EXPECT_EQ(block.DrawGroupMask, 0x0FFFFFFFu);
    EXPECT_EQ(block.ThumbnailGroupMask, 0xFFFFu);
    EXPECT_EQ(block.InputMode, 1);
    EXPECT_EQ(block.Reserved927, 0u);
    EXPECT_EQ(block.CommandsPerFrame, 65536);
    EXPECT_EQ(block.Reserved969, (std::array<uint8_t, 230>{}));

    block.MusicSettings = {0, -5, 1, 700, 0};
    EXPECT_EQ(block.EffectiveMusicSettings(),
              (std::array<int32_t, 5>{32767, 32767, 1, 700, 44100}));
    EXPECT_EQ(block.MusicSettings[0], 0) << "kept as held";

    block.FormatLevel = 0;
    block.FrameEventLabelPresent = 0;
    EXPECT_FALSE(block.HasFlashState());
    block.MarkCurrentFormat();
    EXPECT_EQ(block.FormatLevel, 4);
    EXPECT_EQ(block.FrameEventLabelPresent, 1);
    // What a body holds by level.
    const bool expected[5][4] = {{false, false, false, false},
                                 {true, false, false, false},
                                 {true, true, false, false},
                                 {true, true, true, false},
                                 {true, true, true, true}};
    for (uint8_t level = 0; level < 5; ++level) {
        block.FormatLevel = level;
        EXPECT_EQ(block.HasFlashState(), expected[level][0]) << int{level};
        EXPECT_EQ(block.HasMemorySaveSlots(), expected[level][1]) << int{level};
        EXPECT_EQ(block.HasWideFileLogFilter(), expected[level][2]) << int{level};
        EXPECT_EQ(block.HasSaveDescriptions(), expected[level][3]) << int{level};
    }
    block.OldDescriptions = {"a", "b", "c", "d"};
    EXPECT_EQ(block.LegacyDescriptions(), (TSaveDescriptions{"a", "b", "c", "d", "", "", "", ""}));
    EXPECT_EQ(SampleBlock().SceneReturnLabel(), "@@return");
}

TEST(FileLogFilterBlock, WideRoundTripAndNarrowOldForm)
{
    TFileLogFilterBlock block;
    block.LoggingOff = 1;
    block.Patterns[0] = "cg\\";
    block.Patterns[63] = std::string(80, 'p');
    TMemoryStream stream;
    block.Write(stream);
    ASSERT_EQ(stream.Size(), TFileLogFilterBlock::Size);
    EXPECT_EQ(stream.Size(), 4097u);
    stream.Rewind();
    TFileLogFilterBlock loaded;
    ASSERT_TRUE(loaded.Read(stream, 4));
    EXPECT_EQ(loaded.LoggingOff, 1);
    EXPECT_EQ(loaded.Patterns[0], "cg\\");
    EXPECT_EQ(loaded.Patterns[63], std::string(63, 'p'));
    EXPECT_EQ(stream.Position(), 4097u);

    // Level 2: 1 byte and 64 fields of 16 bytes.
    TMemoryStream narrow;
    narrow.WriteU8(0);
    for (int i = 0; i < 64; ++i)
        WriteShortString(narrow, i == 5 ? "event\\" : "", 15);
    narrow.Data()[1 + 16 * 7] = 200; // clamped to 15
    ASSERT_EQ(narrow.Size(), 1025u);
    narrow.WriteU8(0xEE);
    narrow.Rewind();
    ASSERT_TRUE(loaded.Read(narrow, 2));
    EXPECT_EQ(loaded.LoggingOff, 0);
    EXPECT_EQ(loaded.Patterns[5], "event\\");
    EXPECT_EQ(loaded.Patterns[7].size(), 15u);
    EXPECT_EQ(loaded.Patterns[63], "");
    EXPECT_EQ(narrow.Position(), 1025u);

    // Short input: nothing changes.
    narrow.Rewind();
    const TFileLogFilterBlock before = loaded;
    EXPECT_FALSE(loaded.Read(narrow, 3));
    EXPECT_EQ(loaded, before);
    EXPECT_EQ(narrow.Position(), 0u);
}

TEST(SaveStreamHelpers, ShortStringsAndDescriptionTexts)
{
    TMemoryStream stream;
    WriteShortString(stream, "abc", 63);
    EXPECT_EQ(stream.Size(), 64u);
    WriteShortString(stream, std::string(300, 'q'), 255);
    EXPECT_EQ(stream.Size(), 64u + 256u);
    stream.Rewind();
    EXPECT_EQ(ReadShortString(stream, 63), "abc");
    EXPECT_EQ(ReadShortString(stream, 255), std::string(255, 'q'));
    EXPECT_THROW(ReadShortString(stream, 0), StreamError);

    TSaveDescriptions texts = {"one", "", "three", "\x82\xA0", "", "", "", "eight"};
    TMemoryStream d;
    WriteSaveDescriptions(d, texts);
    d.Rewind();
    EXPECT_EQ(ReadSaveDescriptions(d), texts);
    EXPECT_TRUE(d.AtEnd());
    TMemoryStream cut(std::vector<uint8_t>(d.Bytes().begin(), d.Bytes().end() - 1));
    EXPECT_THROW(ReadSaveDescriptions(cut), StreamError);
}

TEST(ZanStackSaveData, StoreReplacesByNameWithoutCase)
{
    TZanStackSaveData slots;
    slots.Store("Slot1", Bytes("a"));
    slots.Store("slot2", Bytes("b"));
    slots.Store("SLOT1", Bytes("c"));
    ASSERT_EQ(slots.Count(), 2);
    EXPECT_EQ(slots.Item(0)->Name, "Slot1");
    EXPECT_EQ(slots.Item(0)->Bytes, Bytes("c"));
    EXPECT_EQ(slots.Item(2), nullptr);
    EXPECT_EQ(slots.Item(-1), nullptr);
    EXPECT_EQ(slots.IndexOf("SLOT2"), 1);
    EXPECT_EQ(slots.Find("none"), nullptr);
    // The engine's lower-casing: full-width "Ａ" matches "ａ", but the
    // trail byte "A" of "ア" (0x83 0x41) is not a letter.
    slots.Store("\x82\x60X", Bytes("wide"));
    slots.Store("\x83\x41", Bytes("a"));
    EXPECT_EQ(slots.IndexOf("\x82\x81x"), 2);
    EXPECT_EQ(slots.IndexOf("\x83\x61"), -1);
    EXPECT_EQ(slots.IndexOf("\x83\x41"), 3);

    EXPECT_TRUE(slots.Remove("slot1"));
    EXPECT_FALSE(slots.Remove("slot1"));
    EXPECT_EQ(slots.Item(0)->Name, "slot2");
    slots.Clear();
    EXPECT_EQ(slots.Count(), 0);
}

TEST(ZanStackSaveData, StreamRoundTrip)
{
    TZanStackSaveData slots;
    slots.Store("first", Bytes("body one"));
    slots.Store("", Bytes(""));
    slots.Store("third", std::vector<uint8_t>(70000, 0x5A));
    TMemoryStream stream;
    slots.SaveToStream(stream);
    EXPECT_EQ(GetU32(stream.Bytes(), 0), 3u);
    EXPECT_EQ(stream.Size(), 4u + (2 + 5 + 4 + 8) + (2 + 4) + (2 + 5 + 4 + 70000));
    stream.WriteU8(0x99);
    stream.Rewind();
    TZanStackSaveData loaded;
    loaded.Store("old", Bytes("x"));
    ASSERT_TRUE(loaded.LoadFromStream(stream));
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.Item(0)->Bytes, Bytes("body one"));
    EXPECT_EQ(loaded.Item(1)->Name, "");
    EXPECT_EQ(loaded.Item(2)->Bytes.size(), 70000u);
    EXPECT_EQ(loaded.Find("old"), nullptr) << "loading replaces the slots";
    EXPECT_EQ(stream.ReadU8(), 0x99);
}

TEST(ZanStackSaveData, HostileStreamsFailCleanly)
{
    TZanStackSaveData good;
    good.Store("a", Bytes("12345"));
    good.Store("b", Bytes("678"));
    TMemoryStream written;
    good.SaveToStream(written);
    const std::vector<uint8_t> valid(written.Bytes().begin(), written.Bytes().end());

    struct Case
    {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    auto patched = [&](size_t at, std::vector<uint8_t> with) {
        std::vector<uint8_t> bytes = valid;
        std::copy(with.begin(), with.end(), bytes.begin() + static_cast<ptrdiff_t>(at));
        return bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"count only part", {3, 0}},
        {"huge count", patched(0, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"count one too many", patched(0, {3, 0, 0, 0})},
        {"name longer than the rest", patched(4, {0xFF, 0xFF})},
        {"size larger than the rest", patched(7, {0xF0, 0xFF, 0xFF, 0xFF})},
        {"size just one too large", patched(7, {6, 0, 0, 0})},
        {"second entry cut", std::vector<uint8_t>(valid.begin(), valid.end() - 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZanStackSaveData slots;
        slots.Store("kept", Bytes("kept"));
        TMemoryStream stream(c.bytes);
        EXPECT_FALSE(slots.LoadFromStream(stream));
        EXPECT_EQ(stream.Position(), 0u);
        ASSERT_EQ(slots.Count(), 1);
        EXPECT_EQ(slots.Item(0)->Name, "kept");
    }
    // A zero count is a valid, empty list.
    TZanStackSaveData slots;
    slots.Store("x", Bytes("y"));
    TMemoryStream zero(std::vector<uint8_t>{0, 0, 0, 0});
    EXPECT_TRUE(slots.LoadFromStream(zero));
    EXPECT_EQ(slots.Count(), 0);
}

} // namespace
} // namespace tsukimi
