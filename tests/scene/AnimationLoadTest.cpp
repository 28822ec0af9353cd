// The animation file readers of every version, the widening of older key
// forms, the migrations, the caches, the writer and hostile files.
#include "AnimationBytes.h"
#include "graphics/ARGB8888Manager.h"
#include "graphics/PngWriter.h"
#include "scene/AnimationBMP.h"
#include "scene/AnimationWriter.h"
#include "scene/MotionDataManager.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

using test::AbmpFile;
using test::TRawImage;
using test::TRawKey;
using test::TRawLayer;

std::vector<uint8_t> SmallPng(int width, int height, uint32_t colour = 0xFF00FF00)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(width * height), colour);
    return *EncodePng(pixels.data(), width, height, width, false);
}

std::unique_ptr<TAnimationBMP> LoadBytes(const std::vector<uint8_t>& bytes,
                                         TAnimationContext context = {}, bool keep = false,
                                         std::string_view name = "test.b")
{
    auto animation = std::make_unique<TAnimationBMP>(context, keep);
    TMemoryStream stream(bytes);
    if (!animation->Load(stream, name)) return nullptr;
    return animation;
}

const TAnimationKey& KeyOf(const TAnimationBMP& a, size_t motion, size_t layer, size_t key)
{
    return a.Data().motions.at(motion)->layers.at(layer)->keys.at(key);
}

TEST(AnimationKeyForms, WideningFillsEachStepOfTheCurrentRecord)
{
    // 57 bytes: anchors from their indices, action parameters widened, the
    // time group linear, second opacity opaque.
    TRawKey k57(57);
    k57.I32(0, 250).U8(4, 2).U8(47, 5).U8(50, 7).U8(53, 9).U8(56, 200).I16(28, 55);
    const TAnimationKey a = TAnimationKey::FromRecord(WidenKeyRecord(k57.bytes));
    EXPECT_EQ(a.time, 250);
    EXPECT_EQ(a.zoomX, 55);
    EXPECT_EQ(a.opacity2, 255);
    EXPECT_EQ(a.colorParam, 100);
    EXPECT_EQ(a.timeType, 1);
    EXPECT_EQ(a.timeParam, 100);
    EXPECT_EQ(a.imageParam, 100);
    EXPECT_EQ(a.anchor1X, 100); // 5 mod 3 = 2 -> 100 %
    EXPECT_EQ(a.anchor1Y, 50);
    EXPECT_EQ(a.anchor2X, 50);  // 7 -> (1, 2)
    EXPECT_EQ(a.anchor2Y, 100);
    EXPECT_EQ(a.anchorIndex1, 0);
    EXPECT_EQ(a.anchorIndex2, 0);
    EXPECT_EQ(a.params, (std::array<int16_t, 4>{9, 0, 0, 200}));
    for (const TKeyModifier& m : a.modifiers)
        EXPECT_EQ(m.param, 100);
    EXPECT_EQ(a.depthScale, 0); // bytes 64..91 start at 0 in the 57-byte form
    EXPECT_EQ(a.zoomZ, 100);
    EXPECT_EQ(a.links, (std::array<int16_t, 4>{-1, -1, -1, -1}));
    EXPECT_EQ(a.snap1, 0);
    EXPECT_EQ(a.snap2, 0);

    // 92 bytes keep 57..91 as stored; an anchor index above 8 names no anchor.
    TRawKey k92(92);
    k92.U8(60, 7).U8(76, 80).U8(47, 200).U8(81, 2).U8(82, 13);
    const TAnimationKey b = TAnimationKey::FromRecord(WidenKeyRecord(k92.bytes));
    EXPECT_EQ(b.timeType, 7);
    EXPECT_EQ(b.depthScale, 80);
    EXPECT_EQ(b.anchor1X, 0);
    EXPECT_EQ(b.anchor1Y, 0);
    EXPECT_EQ(b.modifiers[0].function, 2);
    EXPECT_EQ(b.modifiers[0].target, 13);

    // 145 bytes keep the anchors and parameters; only the last step runs.
    TRawKey k145(145);
    k145.I16(129, 33).I16(137, -4).U8(47, 5);
    const TAnimationKey c = TAnimationKey::FromRecord(WidenKeyRecord(k145.bytes));
    EXPECT_EQ(c.anchor1X, 33);
    EXPECT_EQ(c.params[0], -4);
    EXPECT_EQ(c.anchorIndex1, 5);
    EXPECT_EQ(c.snap1, 0);
    EXPECT_EQ(c.zoomZ, 100);

    // A key made in memory snaps both anchors; the record round-trips.
    const TAnimationKey fresh = TAnimationKey::Default(3);
    EXPECT_EQ(fresh.time, 3000);
    EXPECT_EQ(fresh.snap1, 1);
    EXPECT_EQ(fresh.snap2, 1);
    TKeyRecord record;
    fresh.ToRecord(record);
    EXPECT_EQ(TAnimationKey::FromRecord(record), fresh);
}

TEST(AnimationLoad, Abmp10WidensKindsAndMigratesCoordinates)
{
    TRawLayer layer;
    layer.version = 10;
    layer.keys.push_back(TRawKey(57).U8(4, 4).U8(5, 0)); // kind 4 reads as 5
    layer.keys.push_back(TRawKey(57).I32(0, 1000).U8(4, 2).U8(5, 1).I16(8, 10).I16(12, 50)
                             .I16(10, 4).I16(14, 20));
    TRawLayer second;
    second.version = 10;
    second.keys.push_back(TRawKey(57).U8(4, 5)); // kind 5 reads as 6
    const auto animation = LoadBytes(AbmpFile(10, 10, {{layer, second}}));
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->Version(), 10);
    const TABMPData10& data = animation->Data();
    EXPECT_EQ(data.version, 10);
    EXPECT_EQ(data.width, 64u);
    EXPECT_EQ(data.length, 0u);
    EXPECT_EQ(data.frameStep, 1u);
    const TABMPLayer10& first = *data.motions[0]->layers[0];
    EXPECT_EQ(first.mode, 1);  // the first layer of an abmp10 motion pushes
    EXPECT_EQ(first.flags, 1);
    EXPECT_EQ(KeyOf(*animation, 0, 0, 0).kind, 5);
    EXPECT_EQ(KeyOf(*animation, 0, 1, 0).kind, 6);
    const TAnimationKey& image = KeyOf(*animation, 0, 0, 1);
    EXPECT_EQ(image.srcW, 40); // width stored as a right edge
    EXPECT_EQ(image.srcH, 16);
    EXPECT_EQ(image.blend, 2); // blend types move up by one
    EXPECT_EQ(image.zoomX, 100); // kind 2 in a pushing layer
    EXPECT_EQ(animation->Sounds().entries.size(), 1u);
}

TEST(AnimationLoad, Abmp11ReadsEveryLayerFormAndKeepsNewerCoordinates)
{
    TRawLayer v13;
    v13.version = 13;
    v13.mode = 2;
    v13.keys.push_back(TRawKey(57).U8(4, 2).U8(5, 1).I16(8, 10).I16(12, 50).U8(47, 4));
    TRawLayer v15;
    v15.version = 15;
    v15.flags = 0;
    v15.keys.push_back(TRawKey(92).U8(4, 4).I16(28, 0).I16(30, 0));
    TRawLayer v16;
    v16.version = 16;
    v16.keys.push_back(TRawKey(145).U8(4, 1).I16(129, 25));
    const auto animation = LoadBytes(AbmpFile(11, 12, {{v13, v15, v16}}));
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->Version(), 11);
    const auto& layers = animation->Data().motions[0]->layers;
    EXPECT_EQ(animation->Data().loopStart, 1000u);
    EXPECT_EQ(layers[0]->mode, 2);
    EXPECT_EQ(layers[1]->flags, 0);
    EXPECT_FALSE(animation->LayerEnabled(1));
    EXPECT_EQ(KeyOf(*animation, 0, 0, 0).srcW, 50); // layer version 13: no coordinate change
    EXPECT_EQ(KeyOf(*animation, 0, 0, 0).blend, 1);
    EXPECT_EQ(KeyOf(*animation, 0, 1, 0).zoomX, 100); // zoom repair of a kind-4 key
    EXPECT_EQ(KeyOf(*animation, 0, 2, 0).snap1, 0);   // 145-byte keys do not snap
    // The migration recomputes anchors from the (cleared) anchor indices.
    EXPECT_EQ(KeyOf(*animation, 0, 2, 0).anchor1X, 0);
}

TEST(AnimationLoad, Abmp12TakesKeysAsStoredWithImagesAndProperties)
{
    TAnimationKey key = TAnimationKey::Default(0);
    key.kind = 2;
    key.srcW = 30;
    key.x = -7;
    key.anchor1X = 50;
    key.snap1 = 1;
    TRawLayer layer;
    layer.keys.push_back(test::FullKey(key));
    TRawImage image;
    image.payload = SmallPng(3, 2);
    TRawImage empty;
    empty.version = 10;
    empty.label = "*link0";
    const auto animation =
        LoadBytes(AbmpFile(12, 13, {{layer}}, {image, empty}, "*value[3]=12\r\nother=1"));
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->Version(), 12);
    EXPECT_EQ(KeyOf(*animation, 0, 0, 0), key);
    const TABMPImageData10* picture = animation->Images().At(0);
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(picture->Image(), nullptr);
    EXPECT_EQ(picture->Width(), 3);
    EXPECT_EQ(picture->offsetX, 5);
    EXPECT_EQ(picture->offsetZ, 7);
    EXPECT_EQ(picture->identity, "pic");
    EXPECT_EQ(animation->Images().At(1)->Image(), nullptr); // length 0 stays empty
    EXPECT_EQ(animation->ExternalValue(3), 12.0f);
    EXPECT_EQ(animation->ExternalValue(2), 0.0f);
}

TEST(AnimationLoad, Abmp7KeysBecomeCurrentKeys)
{
    test::TAbmp7Key colour;
    colour.oldType = 16;
    colour.colour = 0x80FF0000;
    test::TAbmp7Key next;
    next.time = 1000;
    next.oldType = 5;
    next.colour = 0xFF123456;
    next.srcX = 10;
    next.srcW = 40;
    next.param = 3;
    next.action = 1;
    const auto animation = LoadBytes(test::Abmp7File({{colour, next}}, SmallPng(2, 2)));
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->Version(), 7);
    const TABMPLayer10& layer = *animation->Data().motions[0]->layers[0];
    EXPECT_EQ(layer.keys.size(), 32u);
    EXPECT_EQ(layer.mode, 1);
    const TAnimationKey& a = layer.keys[0];
    EXPECT_EQ(a.kind, 1);
    EXPECT_EQ(a.blend, 3);
    EXPECT_EQ(a.opacity, 128);
    EXPECT_EQ(a.addColor, 0u);
    EXPECT_EQ(a.mulColor, 0xFF0000u);
    const TAnimationKey& b = layer.keys[1];
    EXPECT_EQ(b.kind, 2);
    EXPECT_EQ(b.addColor, 0x123456u);
    EXPECT_EQ(b.mulColor, 0xFFFFFFu);
    EXPECT_EQ(b.srcW, 30); // coordinates migrated
    EXPECT_EQ(b.action, 1);
    EXPECT_EQ(b.params[0], 3);
    ASSERT_NE(animation->Images().At(0), nullptr);
    EXPECT_EQ(animation->Images().At(0)->label, "NoName");
    EXPECT_EQ(animation->Images().At(0)->Width(), 2);
    ASSERT_EQ(animation->Sounds().entries.size(), 1u);
    EXPECT_EQ(animation->Sounds().At(0)->label, "se");
    EXPECT_EQ(animation->Sounds().At(0)->payload.size(), 3u);
}

TEST(AnimationLoad, OneImageFileBecomesALoopingMotion)
{
    TARGB8888Manager cache(1 << 20);
    TAnimationContext context;
    context.images = &cache;
    const auto animation = LoadBytes(SmallPng(5, 4), context, false, "cg\\face.png");
    ASSERT_TRUE(animation);
    EXPECT_EQ(animation->Path(), "cg\\face");
    EXPECT_EQ(animation->Data().width, 5u);
    EXPECT_EQ(animation->Data().height, 4u);
    const auto& keys = animation->Data().motions.at(0)->layers.at(0)->keys;
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].kind, 2);
    EXPECT_EQ(keys[0].blend, 1);
    EXPECT_EQ(keys[1].time, 1000);
    EXPECT_EQ(keys[1].action, 1);
    EXPECT_EQ(keys[1].params[0], 0);
    EXPECT_EQ(cache.Count(), 1u);
    // Unknown extensions fail.
    EXPECT_FALSE(LoadBytes(SmallPng(1, 1), {}, false, "x.txt"));
}

TEST(AnimationLoad, CachesShareDataBlocksAndImages)
{
    TARGB8888Manager images(1 << 20);
    TMotionDataManager motions(1 << 20);
    TAnimationContext context;
    context.images = &images;
    context.motionData = &motions;
    TRawLayer layer;
    layer.keys.push_back(TRawKey(162).U8(4, 2).I16(28, 100).I16(30, 100));
    TRawImage image;
    image.payload = SmallPng(2, 2);
    const auto bytes = AbmpFile(12, 13, {{layer}}, {image});
    auto first = LoadBytes(bytes, context);
    auto second = LoadBytes(bytes, context);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(motions.Parsed(), 1u);
    EXPECT_EQ(first->SharedData(), second->SharedData());
    EXPECT_EQ(first->Images().At(0)->Image(), second->Images().At(0)->Image());
    first.reset();
    second.reset();
    EXPECT_EQ(motions.Entries().at(0).inUse, 0);
    EXPECT_EQ(images.Entries().at(0).inUse, 0);
}

TEST(AnimationLoad, KeepPayloadKeepsBytesAndVersion10UsesTheDigest)
{
    TRawLayer layer;
    layer.keys.push_back(TRawKey(162));
    TRawImage image;
    image.version = 10;
    image.payload = SmallPng(2, 1);
    const auto bytes = AbmpFile(12, 13, {{layer}}, {image});
    const auto kept = LoadBytes(bytes, {}, true);
    ASSERT_TRUE(kept);
    const TABMPImageData10& entry = *kept->Images().At(0);
    EXPECT_EQ(entry.payload, image.payload);
    EXPECT_EQ(entry.identity, entry.Image()->Digest());
    const auto plain = LoadBytes(bytes, {}, false);
    EXPECT_TRUE(plain->Images().At(0)->payload.empty());
    EXPECT_EQ(plain->Images().At(0)->identity, "");
}

TEST(AnimationLoad, WriterOutputReadsBackAndWritesIdentically)
{
    TRawLayer layer;
    TAnimationKey key = TAnimationKey::Default(0);
    key.kind = 4;
    key.modifiers[1] = {7, 13, 1, 50, {-10, 10, 1000, 0}};
    key.links = {0, -1, 2, -1};
    layer.keys.push_back(test::FullKey(key));
    layer.mode = 1;
    TRawImage image;
    image.payload = SmallPng(2, 2);
    const auto original = LoadBytes(AbmpFile(11, 12, {{layer}}, {image}), {}, true);
    ASSERT_TRUE(original);
    const auto written = WriteAnimationFile(original->Data(), original->Images(), original->Sounds());
    const auto reread = LoadBytes(written, {}, true);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->Version(), 12);
    EXPECT_EQ(KeyOf(*reread, 0, 0, 0), KeyOf(*original, 0, 0, 0));
    EXPECT_EQ(reread->Data().loopStart, 1000u);
    EXPECT_EQ(WriteAnimationFile(reread->Data(), reread->Images(), reread->Sounds()), written);
}

TEST(AnimationLoad, BrokenSoundBlockFailsEveryVersion)
{
    TRawLayer layer;
    layer.keys.push_back(TRawKey(162));
    auto bytes = AbmpFile(12, 13, {{layer}});
    bytes.resize(bytes.size() - 2); // the sound payload is cut
    EXPECT_FALSE(LoadBytes(bytes));
}

TEST(AnimationLoad, HostileFilesFailOrLoadEmpty)
{
    TRawLayer layer;
    for (int i = 0; i < 3; ++i)
        layer.keys.push_back(TRawKey(57).I32(0, i * 500).U8(4, 2));
    layer.version = 13;
    TRawImage image;
    image.payload = SmallPng(2, 2);
    const auto bytes = AbmpFile(11, 12, {{layer}}, {image});
    ASSERT_TRUE(LoadBytes(bytes));
    // Every truncation fails cleanly (the whole file is needed).
    for (size_t size = 0; size < bytes.size(); ++size) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(size));
        EXPECT_FALSE(LoadBytes(cut)) << size;
    }
    // An image count above the records present fails.
    auto inflated = bytes;
    const size_t imageBlock = [&] {
        const std::string tag = "abimage10";
        auto at = std::search(inflated.begin(), inflated.end(), tag.begin(), tag.end());
        return static_cast<size_t>(at - inflated.begin());
    }();
    inflated[imageBlock + 16] = 200;
    EXPECT_FALSE(LoadBytes(inflated));
    // A payload length beyond the file fails its record.
    auto longPayload = bytes;
    const size_t lengthAt = imageBlock + 17 + 16 + 2 + 3 + 2 + 3 + 1 + 12;
    longPayload[lengthAt + 3] = 0x7F;
    EXPECT_FALSE(LoadBytes(longPayload));
    // A data block length beyond the file fails the version.
    auto longBlock = bytes;
    longBlock[16 + 16 + 3] = 0x7F;
    EXPECT_FALSE(LoadBytes(longBlock));

    // ABMP7: an inflated layer count leaves the data empty; a short sound fails.
    auto abmp7 = test::Abmp7File({{test::TAbmp7Key{}}});
    TMemoryStream body;
    body.WriteChars(std::string(32, '\0'));
    body.WriteU32(0x00FFFFFF);
    const auto packed = PackCompress(body.Bytes());
    TMemoryStream hostile;
    test::Magic(hostile, "ABMP7", 8);
    for (uint8_t v : {1, 0, 2, 0})
        hostile.WriteU8(v);
    hostile.WriteU32(static_cast<uint32_t>(packed.size()));
    hostile.WriteBytes(packed);
    hostile.WriteU32(0);
    const auto empty = LoadBytes(hostile.TakeBytes());
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->Data().motions.empty());
    abmp7.resize(abmp7.size() - 1);
    EXPECT_FALSE(LoadBytes(abmp7));
}

// 10 000 animations each nested as the only image of the next: the
// payloads nest as prefix(n) .. prefix(1) core suffix(1) .. suffix(n).
std::vector<uint8_t> DeeplyNested(int levels)
{
    TRawLayer layer;
    layer.keys.push_back(TRawKey(162).U8(4, 7));
    const std::vector<uint8_t> core = AbmpFile(12, 13, {{layer}});
    TMemoryStream head;
    test::Magic(head, "abmp12");
    const auto packed = PackCompress(test::DataBody(13, {{layer}}));
    test::Magic(head, "abdata13");
    head.WriteU32(static_cast<uint32_t>(packed.size()));
    head.WriteBytes(packed);
    test::Magic(head, "abimage10");
    head.WriteU8(1);
    test::Magic(head, "abimgdat13");
    WriteString(head, "nest");
    WriteString(head, "");
    head.WriteU8(6);
    for (int i = 0; i < 3; ++i)
        head.WriteI32(0);
    const std::vector<uint8_t> prefix = head.TakeBytes(); // the payload length follows
    TMemoryStream tail;
    test::Magic(tail, "absound10");
    tail.WriteU8(0);
    const std::vector<uint8_t> suffix = tail.TakeBytes();

    std::vector<uint32_t> lengths(static_cast<size_t>(levels));
    uint64_t inner = core.size();
    for (int i = 0; i < levels; ++i) {
        lengths[static_cast<size_t>(i)] = static_cast<uint32_t>(inner);
        inner += prefix.size() + 4 + suffix.size();
    }
    TMemoryStream out;
    for (int i = levels - 1; i >= 0; --i) {
        out.WriteBytes(prefix);
        out.WriteU32(lengths[static_cast<size_t>(i)]);
    }
    out.WriteBytes(core);
    for (int i = 0; i < levels; ++i)
        out.WriteBytes(suffix);
    return out.TakeBytes();
}

TEST(AnimationLoad, NestingStopsAtSixteenLevels)
{
    const auto animation = LoadBytes(DeeplyNested(10000));
    ASSERT_TRUE(animation);
    int depth = 0;
    const TAnimationBMP* at = animation.get();
    while (at->Images().At(0) && at->Images().At(0)->Animation()) {
        at = at->Images().At(0)->Animation();
        ++depth;
    }
    EXPECT_EQ(depth, TAnimationBMP::MaxNesting);
    EXPECT_EQ(at->Nesting(), TAnimationBMP::MaxNesting);
    EXPECT_EQ(at->Images().At(0)->Animation(), nullptr);
}

} // namespace
} // namespace tsukimi
