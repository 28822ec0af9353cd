// Playback: clocks, actions, the interpolation curves, the modifiers and the
// layer modes, on animations built in memory.
#include "data/MTRandom.h"
#include "scene/AnimationBMP.h"
#include "scene/AnimationCurves.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tsukimi {
namespace {

// A fixed random table so that draws repeat.
class FixedTable
{
public:
    FixedTable()
    {
        TMTRandom generator;
        table.Fill(generator);
    }
    TRandomTable table;
};

struct TKeySpec
{
    int32_t time;
    uint8_t kind = 2;
    uint8_t action = 0;
    std::array<int16_t, 4> params{};
};

class Runtime : public ::testing::Test
{
protected:
    Runtime() : animation_(Context()) {}

    TAnimationContext Context()
    {
        TAnimationContext context;
        context.randomTable = &random_.table;
        return context;
    }

    // Adds a motion of layers, each a list of keys.
    TABMPMotion10& AddMotion(const std::vector<std::vector<TAnimationKey>>& layers,
                             std::string name = "m")
    {
        auto motion = std::make_unique<TABMPMotion10>("", false);
        motion->name = std::move(name);
        for (const auto& keys : layers) {
            auto layer = std::make_unique<TABMPLayer10>("", false);
            layer->keys = keys;
            motion->layers.push_back(std::move(layer));
        }
        data_->motions.push_back(std::move(motion));
        return *data_->motions.back();
    }
    static TAnimationKey Key(int32_t time, uint8_t kind = 2, uint8_t action = 0,
                             std::array<int16_t, 4> params = {})
    {
        TAnimationKey key = TAnimationKey::Default(0);
        key.time = time;
        key.kind = kind;
        key.action = action;
        key.params = params;
        return key;
    }
    void Start() { animation_.SetData(data_); }

    FixedTable random_;
    std::shared_ptr<TABMPData10> data_ = std::make_shared<TABMPData10>("", false);
    TAnimationBMP animation_;
};

TEST_F(Runtime, JumpLoopsKeepingTheOvershoot)
{
    AddMotion({{Key(0), Key(1000, 2, 1, {0})}});
    Start();
    animation_.Advance(1030, false);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 30.0f);
}

TEST_F(Runtime, JumpToItselfHoldsUntilTheFlagIsSet)
{
    AddMotion({{Key(0), Key(500, 2, 1, {1, 5}), Key(1000)}});
    Start();
    animation_.Advance(700, false);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 500.0f);
    animation_.SetFlag(5, 1);
    animation_.Advance(100, false);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 600.0f);
    animation_.Advance(1000, false);
    EXPECT_TRUE(animation_.IsFinished());
}

TEST_F(Runtime, JumpRegisterChoosesTheTarget)
{
    AddMotion({{Key(0), Key(1000), Key(2000), Key(3000, 2, 1, {0, 0, 4})}});
    Start();
    animation_.SetJumpRegister(4, 2);
    animation_.Advance(3010, false);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 2010.0f);
    animation_.SetJumpRegister(4, 9); // beyond the keys: parameter 1 (key 0)
    animation_.Advance(1000, false);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 10.0f);
}

TEST_F(Runtime, FrameStepKeepsTheRemainder)
{
    data_->frameStep = 33;
    AddMotion({{Key(0), Key(5000)}});
    Start();
    animation_.Advance(20, false);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 0.0f);
    animation_.Advance(20, false);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 33.0f);
    EXPECT_FLOAT_EQ(animation_.Remainder(), 7.0f);
    animation_.Advance(1234, true); // absolute: cut to the step
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 1221.0f);
}

TEST_F(Runtime, TimeIsAppliedInFiftyMillisecondSlices)
{
    // A 10 ms pause entered at 50 ms is felt only because 120 ms run as
    // 50 + 50 + 20.
    AddMotion({{Key(0), Key(50, 2, 10, {1}), Key(5000)}});
    Start();
    animation_.Advance(120, false);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 110.0f);
}

TEST_F(Runtime, PausesAndSetClocks)
{
    AddMotion({{Key(0), Key(100, 2, 6, {2}), Key(5000)}, {Key(0), Key(9000)}});
    Start();
    animation_.Advance(100, false);
    EXPECT_FLOAT_EQ(animation_.LayerPause(0), 2000.0f);
    animation_.Advance(1000, false);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 100.0f);
    EXPECT_FLOAT_EQ(animation_.LayerClock(1), 1100.0f);
    animation_.Advance(1050, false);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 150.0f);

    data_->motions.clear();
    AddMotion({{Key(0), Key(100, 2, 12, {3}), Key(9000)}, {Key(0), Key(9000)}});
    Start();
    animation_.Advance(120, false);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 3000.0f + 20.0f);
    EXPECT_FLOAT_EQ(animation_.LayerClock(1), 3000.0f + 20.0f);
}

TEST_F(Runtime, MotionChangeSelectsTheMotionAndCarriesTheOvershoot)
{
    AddMotion({{Key(0), Key(500, 2, 5, {1})}}, "intro");
    AddMotion({{Key(0), Key(2000)}, {Key(0), Key(2000)}}, "Idle");
    Start();
    EXPECT_EQ(animation_.FindMotion("idle"), 1);
    EXPECT_EQ(animation_.FindMotion("none"), -1);
    EXPECT_EQ(animation_.MotionName(1), "Idle");
    animation_.Advance(520, false);
    EXPECT_EQ(animation_.CurrentMotion(), 1);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 20.0f);
    EXPECT_FLOAT_EQ(animation_.LayerClock(1), 20.0f);
    animation_.SelectMotion(7, false); // ignored
    EXPECT_EQ(animation_.CurrentMotion(), 1);
}

TEST_F(Runtime, LevelJumpIgnoresKeysOutsideTheLayer)
{
    class Loud : public TAnimationSoundService
    {
    public:
        int ChannelCount() const override { return 4; }
        void Play(const TAnimationSoundRequest& r) override { played.push_back(r.channel); }
        void Stop(int) override {}
        float VoiceLevel() const override { return 0.5f; }
        std::vector<int> played;
    } loud;
    TAnimationContext context = Context();
    context.sound = &loud;
    TAnimationBMP animation(context);
    auto data = std::make_shared<TABMPData10>("", false);
    auto motion = std::make_unique<TABMPMotion10>("", false);
    for (int16_t target : {int16_t{0}, int16_t{77}}) {
        auto layer = std::make_unique<TABMPLayer10>("", false);
        layer->keys = {Key(0), Key(100, 2, 4, {target, 100}), Key(5000)};
        motion->layers.push_back(std::move(layer));
    }
    auto sound = std::make_unique<TABMPLayer10>("", false);
    sound->keys = {Key(0, 2, 8, {0, 0, 0, 1}), Key(5000, 2, 8, {0, 0, 0, 9})};
    motion->layers.push_back(std::move(sound));
    data->motions.push_back(std::move(motion));
    auto entry = std::make_unique<TABMPSoundData10>("SndDat0", "", false);
    entry->payload = {1, 2, 3};
    animation.Sounds().entries.push_back(std::move(entry));
    animation.SetChannelBase(2);
    animation.SetData(data);
    animation.Advance(130, false);
    // level 0.5 x 256 = 128 is above the threshold 100: back to key 0 + 30.
    EXPECT_FLOAT_EQ(animation.LayerClock(0), 30.0f);
    EXPECT_FLOAT_EQ(animation.LayerClock(1), 130.0f);
    animation.Advance(5000, false); // channel 2 + 9 is outside the service
    EXPECT_EQ(loud.played, std::vector<int>{3});
}

TEST_F(Runtime, LayerWithoutKeysIsSkipped)
{
    AddMotion({{}, {Key(0), Key(1000)}});
    Start();
    animation_.Advance(500, false);
    EXPECT_FLOAT_EQ(animation_.LayerClock(0), 0.0f);
    EXPECT_FALSE(animation_.LayerStateAt(0));
    const auto frame = animation_.Frame();
    ASSERT_EQ(frame.size(), 2u);
    EXPECT_FALSE(frame[0].visible);
    EXPECT_TRUE(frame[1].visible);
}

struct CurveCase
{
    uint8_t type;
    double x;
    double e;
    int key;
    double expected;
};

TEST(AnimationCurves, EachTypeAtChosenProgress)
{
    // V(b-2..b+3) = 0, 10, 20, 60, 70, 100.
    const TCurveValues v{0, 10, 20, 60, 70, 100};
    const CurveCase cases[] = {
        {0, 1.0, 0.5, 2, 20.0},
        {12, 1.0, 0.5, 2, 20.0},
        {1, 1.0, 0.25, 2, 30.0},
        {2, 1.0, 0.5, 2, 40.0}, // (0.125*10 + 2.875*20 + 2.875*60 + 0.125*70) / 6
        {3, 1.0, 0.5, 2, 20.0 + 40.0 * (1.0 - std::pow(0.5, 2.4))},
        {4, 1.0, 0.5, 2, 20.0 + 40.0 * std::pow(0.5, 2.4)},
        {5, 1.0, 0.5, 2, 0.5 * 20 + 0.125 * 50 + 0.5 * 60 - 0.125 * 50},
        {6, 1.0, 0.0, 2, 20.0}, // no shake at this field
        {7, 1.0, 0.25, 2, 20.0 + 20.0 * (1.0 - std::pow(0.5, 2.4))},
        {8, 1.0, 0.75, 2, 40.0 + 20.0 * (1.0 - std::pow(0.5, 2.4))},
        {9, 1.0, 0.5, 2, 0.125 * 20 + 0.375 * (20 + 12.5) + 0.375 * (60 - 12.5) + 0.125 * 60},
        // Pairs: even b runs 20 -> 70 through 60 at e/2 = 0.25.
        {10, 1.0, 0.5, 2, 0.421875 * 20 + 0.421875 * 60 + 0.140625 * 60 + 0.015625 * 70},
        // Threes with j = 1: A = b - 1, curve 10 .. 70 at (1 + 0.5) / 3.
        {11, 1.0, 0.5, 1, 0.125 * 10 + 0.375 * 20 + 0.375 * 60 + 0.125 * 70},
    };
    for (const CurveCase& c : cases) {
        TCurve curve{c.type, c.x, c.key, false, nullptr};
        EXPECT_NEAR(InterpolateCurve(curve, c.e, v), c.expected, 1e-9) << int(c.type);
    }
    // The B-spline blends towards linear below x = 1.
    TCurve half{2, 0.5, 2, false, nullptr};
    EXPECT_NEAR(InterpolateCurve(half, 0.5, v), 0.5 * 40.0 + 0.5 * 40.0, 1e-9);
    // Colours: linear mixes per channel with round(255 e).
    TCurve linear{1, 1.0, 2, false, nullptr};
    const std::array<uint32_t, 6> colours{0, 0, 0x000000, 0xFF8000, 0, 0};
    EXPECT_EQ(InterpolateColour(linear, 0.5, colours), 0x804000u);
    TCurve step{0, 1.0, 2, false, nullptr};
    EXPECT_EQ(InterpolateColour(step, 0.9, colours), 0u);
}

TEST(AnimationCurves, SineTableWrapsNegativeAngles)
{
    const TSineTable& table = TSineTable::Instance();
    EXPECT_DOUBLE_EQ(table.SinDegrees(-90), -1.0);
    EXPECT_DOUBLE_EQ(table.SinDegrees(90), 1.0);
    EXPECT_NEAR(table.CosDegrees(-180), -1.0, 1e-12);
    EXPECT_NEAR(table.SinDegrees(-450), -1.0, 1e-12);
    EXPECT_NEAR(table.SinTurns(0.25), 1.0, 1e-12);
    EXPECT_LT(TSineTable::Wrap(-1e300), 1024u);
    EXPECT_LT(TSineTable::Wrap(std::nan("")), 1024u);
}

TEST_F(Runtime, InterpolatesTheGroupsBetweenKeys)
{
    TAnimationKey a = Key(0);
    a.x = 0;
    a.transformType = 1;
    a.opacity = 0;
    a.colorType = 1;
    a.image = 0;
    TAnimationKey b = Key(1000);
    b.x = 100;
    b.opacity = 255;
    b.image = 3;
    AddMotion({{a, b}});
    Start();
    animation_.Advance(500, false);
    const auto state = animation_.LayerStateAt(0);
    ASSERT_TRUE(state);
    EXPECT_DOUBLE_EQ(state->x, 50.0);
    EXPECT_EQ(state->opacity, 128); // 127.5 rounds away from zero
    EXPECT_EQ(state->image, 0);     // type 0 holds
    EXPECT_EQ(state->imageData, nullptr); // no image list entry
}

struct ModifierCase
{
    uint8_t function;
    uint8_t target;
    std::array<int16_t, 4> p;
    int32_t at;
    double expectedX;
};

TEST_F(Runtime, ModifiersAddToTheState)
{
    const ModifierCase cases[] = {
        {2, 13, {-90, 10, 0, 0}, 0, -10.0},      // sin(-90 deg) = -1
        {3, 13, {-180, 10, 0, 0}, 0, -10.0},     // cos(-180 deg)
        {4, 13, {7, 0, 0, 0}, 0, 7.0},
        {6, 13, {17, 5, 0, 0}, 0, 15.0},
        {6, 13, {17, 0, 0, 0}, 0, 17.0},         // a zero step keeps the value
        {7, 13, {-10, 10, 1000, 0}, 250, 10.0},  // a quarter period
        {7, 13, {-10, 10, 1000, 0}, 750, -10.0},
        {7, 13, {-10, 10, 0, 0}, 250, 0.0},      // no period: phase 0
        {7, 13, {-10, 10, -5, 0}, 250, 0.0},
        {9, 13, {0, 100, 1000, 0}, 250, 50.0},
        {9, 13, {0, 100, 1000, 0}, 750, 50.0},
        {10, 13, {1, 2, 1000, 0}, 600, 2.0},
        {11, 13, {2, 0, 0, 0}, 0, 4.5},
        {11, 13, {40, 0, 0, 0}, 0, 0.0},         // no such external value
        {99, 13, {40, 0, 0, 0}, 0, 0.0},         // no such function
        {4, 31, {40, 0, 0, 0}, 0, 0.0},          // no such target
    };
    for (const ModifierCase& c : cases) {
        data_->motions.clear();
        TAnimationKey key = Key(0);
        key.modifiers[2] = {c.function, c.target, 0, 100, c.p};
        AddMotion({{key, Key(5000)}});
        Start();
        animation_.SetExternalValue(2, 4.5f);
        animation_.SetLayerClock(0, static_cast<float>(c.at));
        const auto state = animation_.LayerStateAt(0);
        ASSERT_TRUE(state);
        EXPECT_NEAR(state->x, c.expectedX, 1e-9) << int(c.function) << " at " << c.at;
    }
}

TEST_F(Runtime, ModifierTargetsLimitTheirFields)
{
    TAnimationKey key = Key(0);
    key.modifiers[0] = {4, 24, 0, 100, {-300, 0, 0, 0}};  // opacity below 0
    key.modifiers[1] = {4, 1, 0, 100, {400, 0, 0, 0}};    // image index above 255
    key.modifiers[2] = {4, 22, 0, 100, {-16, 0, 0, 0}};   // multiply colour channels
    key.modifiers[3] = {4, 28, 0, 100, {50, 0, 0, 0}};    // zoom x by percent
    AddMotion({{key, Key(5000)}});
    Start();
    const auto state = animation_.LayerStateAt(0);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->opacity, 0);
    EXPECT_EQ(state->image, 255);
    EXPECT_EQ(state->mulColor, 0xEFEFEFu);
    EXPECT_DOUBLE_EQ(state->zoomX, 50.0);
}

TEST_F(Runtime, PushAndPopLayersCombineWithTheirChildren)
{
    TAnimationKey parent = Key(0, 0);
    parent.opacity = 128;
    parent.x = 10;
    TAnimationKey child = Key(0, 2);
    child.x = 5;
    TAnimationKey pop = Key(0, 2);
    pop.x = 1;
    TAnimationKey after = Key(0, 2);
    after.x = 2;
    TABMPMotion10& motion = AddMotion({{parent}, {child}, {pop}, {after}});
    motion.layers[0]->mode = 1;
    motion.layers[2]->mode = 2;
    Start();
    const auto frame = animation_.Frame();
    ASSERT_EQ(frame.size(), 4u);
    EXPECT_FALSE(frame[0].visible); // kind 0, still computed as a parent
    EXPECT_TRUE(frame[1].visible);
    EXPECT_EQ(frame[1].state.opacity, 64); // 255 x 128 / 255 x 128 / 255
    EXPECT_DOUBLE_EQ(frame[1].state.x, 15.0);
    EXPECT_DOUBLE_EQ(frame[2].state.x, 11.0);
    EXPECT_DOUBLE_EQ(frame[3].state.x, 2.0); // after the pop
    EXPECT_EQ(frame[3].state.opacity, 255);
    // A normal layer on a key of kind 0 shows nothing.
    TAnimationKey hidden = Key(0, 0);
    data_->motions.clear();
    AddMotion({{hidden}});
    Start();
    EXPECT_FALSE(animation_.LayerStateAt(0));
}

} // namespace
} // namespace tsukimi
