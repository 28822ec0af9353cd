#include "script/SaveElementDefaults.h"

#include "data/TextHelpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tsukimi {
namespace {

struct ElementCase
{
    const char* name;
    void (*write)(TMemoryStream&);
    bool (*skip)(TMemoryStream&);
    size_t size; // of the reset block
};

enum Element : size_t { Backlog, Sound, Image, Graphics, KeyMap, Camera, Movie, TextInput, Flash };

// Reset block sizes in bytes: backlog 5640, sound 25118, image element 5384,
// graphics 7593, key map 5, camera 161, movie 424, text input 50, flash 2198.
const ElementCase Elements[] = {
    {"backlog", WriteResetBacklogState, SkipBacklogState, 5640},
    {"sound", WriteResetSoundState, SkipSoundState, 25118},
    {"image element", WriteResetImageElementState, SkipImageElementState, 5384},
    {"graphics", WriteResetGraphicsState, SkipGraphicsState, 7593},
    {"key map", WriteResetKeyMapState, SkipKeyMapState, 5},
    {"camera", WriteResetCameraState, SkipCameraState, 161},
    {"movie", WriteResetMovieState, SkipMovieState, 424},
    {"text input", WriteResetTextInputState, SkipTextInputState, 50},
    {"flash", WriteResetFlashState, SkipFlashState, 2198},
};

std::vector<uint8_t> ResetBytes(Element element)
{
    TMemoryStream stream;
    Elements[element].write(stream);
    return stream.TakeBytes();
}

void Put(std::vector<uint8_t>& bytes, size_t at, int width, uint32_t value)
{
    for (int i = 0; i < width; ++i)
        bytes.at(at + static_cast<size_t>(i)) = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Get(const std::vector<uint8_t>& bytes, size_t at, int width)
{
    uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value |= uint32_t{bytes.at(at + static_cast<size_t>(i))} << (8 * i);
    return value;
}

// Skips one element at the start of `bytes`; the consumed length, or -1 when refused.
long SkipLength(Element element, const std::vector<uint8_t>& bytes)
{
    TMemoryStream stream(bytes);
    if (!Elements[element].skip(stream)) {
        EXPECT_EQ(stream.Position(), 0u) << "a refused element leaves the position";
        return -1;
    }
    return static_cast<long>(stream.Position());
}

TEST(SaveElementDefaults, ResetBlocksHaveTheirSizeAndSkipExactly)
{
    for (const ElementCase& e : Elements) {
        SCOPED_TRACE(e.name);
        TMemoryStream stream;
        e.write(stream);
        ASSERT_EQ(stream.Size(), e.size);
        stream.WriteChars("tail"); // the next element must stay unread
        stream.Rewind();
        ASSERT_TRUE(e.skip(stream));
        EXPECT_EQ(stream.Position(), e.size);
    }
}

TEST(SaveElementDefaults, EveryTruncationOfAResetBlockIsRefused)
{
    for (const ElementCase& e : Elements) {
        SCOPED_TRACE(e.name);
        TMemoryStream stream;
        e.write(stream);
        size_t accepted = 0;
        for (size_t length = e.size; length-- > 0;) {
            stream.SetSize(length);
            stream.Rewind();
            if (e.skip(stream) || stream.Position() != 0) ++accepted;
        }
        EXPECT_EQ(accepted, 0u);
    }
}

struct FieldCase
{
    Element element;
    size_t at;
    int width;
    uint32_t value;
};

TEST(SaveElementDefaults, ResetBlocksHoldTheDefaultsAtTheirOffsets)
{
    constexpr size_t ImageTail = 4776;          // the image element's record size
    constexpr size_t FirstStream = 15 * 274;    // after the effect records
    const FieldCase fields[] = {
        {Backlog, 22, 4, 255},                 // slot 0 volume
        {Sound, 128, 4, 256},                  // effect 0 volume
        {Sound, FirstStream + 128, 4, 256},    // stream 0 volume
        {Sound, FirstStream + 145, 4, 0x3F800000}, // stream 0 band 0 = 1.0
        {Image, 2, 4, 256},                    // sound volume
        {Image, 2070, 4, 255},                 // alpha
        {Image, 2074, 4, 14},                  // streamed-sound channel
        {Image, 2078, 4, 11},                  // effect channel base
        {Image, 2354, 4, 0xFFFFD8F0},          // last mouse x = -10000
        {Image, 2426, 1, 1},                   // easing type
        {Image, 3142, 4, 3},                   // sound type 2, plus 1
        {Image, 3162 + 8, 4, 2000},            // zoom y target
        {Image, 3570, 1, 1},                   // slot-data flag
        {Image, 3571, 1, 3},                   // version
        {Image, 3577 + 60, 4, 0x3F800000},     // transform [15] = 1.0
        {Image, 3653, 1, 1},                   // round-half
        {Image, 3686 + 31, 1, 255},            // jump register 31 unset
        {Image, 3722 + 8, 4, 0xFFFFFF},        // tone colour target
        {Image, ImageTail + 32 + 31 * 6 + 2, 4, 0}, // slot 31 size
        {Image, 5383, 1, 1},                   // layer 255 visible
        {Graphics, 0, 4, 0xFF000000},
        {Graphics, 151, 2, 0x0E0B},            // channels 11 and 14
        {Graphics, 153, 4, 0xFFFF},
        {Graphics, 157, 4, 0},                 // no saved images
        {Graphics, 161, 4, 3},
        {Graphics, 173, 4, 1},
        {Graphics, 2209 + 3571, 1, 3},         // transition element version
        {Camera, 32, 1, 1},
        {Camera, 33, 4, 1000},
        {Camera, 53, 4, 1000},
        {Movie, 0, 4, 0xFE863265},
        {Movie, 4 + 8, 4, 10000},
        {Movie, 4 + 160, 4, 3},
        {Movie, 4 + 164, 4, 15},
        {TextInput, 0, 2, 22},                 // caption length
        {TextInput, 46, 4, 0xFFFFFFFF},        // limit -1
        {Flash, 137, 4, 320},
        {Flash, 141, 4, 240},
    };
    for (const FieldCase& f : fields) {
        SCOPED_TRACE(std::string(Elements[f.element].name) + " @" + std::to_string(f.at));
        EXPECT_EQ(Get(ResetBytes(f.element), f.at, f.width), f.value);
    }
}

TEST(SaveElementDefaults, InflatedCountsLengthsAndBadStatesAreRefused)
{
    constexpr size_t FirstSlotSize = 4776 + 32 + 2;
    const FieldCase corruptions[] = {
        {Backlog, 0, 4, 257},           // entry count
        {Backlog, 4, 4, 256},           // write position
        {Backlog, 8, 2, 0xFFFF},        // slot 0 name length
        {Sound, 132, 1, 4},             // effect play state
        {Sound, 15 * 274 + 144, 1, 9},  // stream play state
        {Image, 4776, 2, 0xFFFF},       // default option text 0 length
        {Image, FirstSlotSize, 4, 0xFFFFFFFF},
        {Graphics, 158, 1, 1},          // a back buffer that is not there
        {KeyMap, 1, 4, 1},
        {KeyMap, 1, 4, 0xFFFFFFFF},
        {Movie, 4 + 148, 4, 3},
        {TextInput, 0, 2, 0xFFFF},
        {Flash, 0, 1, 3},
    };
    for (const FieldCase& c : corruptions) {
        SCOPED_TRACE(std::string(Elements[c.element].name) + " @" + std::to_string(c.at));
        std::vector<uint8_t> bytes = ResetBytes(c.element);
        Put(bytes, c.at, c.width, c.value);
        EXPECT_EQ(SkipLength(c.element, bytes), -1);
    }
}

// --- Valid blocks other than the reset ones ------------------------------------------------

std::vector<uint8_t> ImageElementBlock(bool runtimeImage, bool slotData, uint8_t version)
{
    const std::vector<uint8_t> reset = ResetBytes(Image);
    TMemoryStream s;
    s.WriteBytes(reset.data(), 4776);
    s.Data()[3112 + 2] = runtimeImage ? 1 : 0;
    s.Data()[3570] = slotData ? 1 : 0;
    s.Data()[3571] = version;
    for (int i = 0; i < 16; ++i) WriteString(s, "opt" + std::to_string(i));
    if (runtimeImage) {
        WriteString(s, "$$$shot.jpg");
        s.WriteU32(3);
        s.WriteChars("jpg");
    }
    if (slotData) {
        for (int slot = 0; slot < 32; ++slot) {
            WriteString(s, slot == 5 ? "face.jpg" : "@");
            s.WriteU32(slot == 5 ? 4 : 0);
            if (slot == 5) s.WriteChars("data");
        }
        for (int i = 0; i < 64; ++i) WriteString(s, i == 0 ? "voice.ogg" : "");
    }
    if (version != 0) s.SetSize(s.Size() + 256);
    return s.TakeBytes();
}

TEST(SaveElementDefaults, ImageElementLayoutFollowsItsFlagsAndVersion)
{
    struct { bool runtime, slots; uint8_t version; } cases[] = {
        {true, true, 3}, {false, false, 3}, {false, true, 0}, {true, false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.runtime) + std::to_string(c.slots) + std::to_string(c.version));
        std::vector<uint8_t> bytes = ImageElementBlock(c.runtime, c.slots, c.version);
        const long size = static_cast<long>(bytes.size());
        bytes.push_back(0x7F); // next element
        EXPECT_EQ(SkipLength(Image, bytes), size);
    }
}

TEST(SaveElementDefaults, OtherValidBlocksAreSkippedExactly)
{
    struct VariantCase
    {
        const char* what;
        Element element;
        std::vector<uint8_t> bytes;
    };
    std::vector<VariantCase> cases;

    {   // A backlog with one entry.
        TMemoryStream s;
        s.WriteU32(1);
        s.WriteU32(1);
        for (int slot = 0; slot < 256; ++slot) {
            WriteString(s, slot == 0 ? "name" : "");
            WriteString(s, slot == 0 ? "text of the entry" : "");
            WriteString(s, slot == 0 ? "v001.ogg" : "");
            for (int i = 0; i < 4; ++i) s.WriteI32(slot == 0 ? 7 : 0);
        }
        cases.push_back({"backlog entry", Backlog, s.TakeBytes()});
    }
    {   // A transition with both saved images.
        std::vector<uint8_t> bytes = ResetBytes(Graphics);
        Put(bytes, 133, 1, 5);
        Put(bytes, 157, 2, 0x0101);
        TMemoryStream s(bytes);
        s.Seek(s.Size());
        for (const char* name : {"Capture.jpg", "Buffer.jpg"}) {
            WriteString(s, name);
            s.WriteU32(5);
            s.WriteChars("JPEG!");
        }
        cases.push_back({"graphics images", Graphics, s.TakeBytes()});
    }
    {   // Two keys.
        TMemoryStream s;
        s.WriteU8(1);
        s.WriteU32(2);
        for (uint32_t code : {13u, 65537u}) {
            s.WriteU32(code);
            for (const char* text : {"click", "", "0", "comment"}) WriteString(s, text);
        }
        cases.push_back({"key map", KeyMap, s.TakeBytes()});
    }
    {   // The older movie form: no marker, 156 bytes.
        std::vector<uint8_t> bytes(156, 0);
        Put(bytes, 0, 4, 40);  // x
        Put(bytes, 16, 1, 5);  // name length
        Put(bytes, 144, 4, 2); // running
        cases.push_back({"old movie", Movie, bytes});
    }
    {   // A text input with a text and a limit.
        TMemoryStream s;
        WriteString(s, "caption");
        WriteString(s, "");
        WriteString(s, "abc");
        s.WriteI32(16);
        cases.push_back({"text input", TextInput, s.TakeBytes()});
    }

    for (VariantCase& c : cases) {
        SCOPED_TRACE(c.what);
        const long size = static_cast<long>(c.bytes.size());
        c.bytes.push_back(0x7F);
        EXPECT_EQ(SkipLength(c.element, c.bytes), size);
        c.bytes.resize(static_cast<size_t>(size - 1));
        EXPECT_EQ(SkipLength(c.element, c.bytes), -1) << "one byte short";
    }
}

} // namespace
} // namespace tsukimi
