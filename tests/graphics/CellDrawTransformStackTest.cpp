#include "graphics/CellDrawTransformStack.h"

#include <gtest/gtest.h>

namespace tsukimi {
namespace {

TCellRecord Square()
{
    TCellRecord r;
    r.vertices = RectangleCell(10, 20, 30, 40);
    r.multiply = 0x808080;
    r.add = 0x102030;
    r.opacity = 200;
    r.blendMode = 3;
    r.filter = 2;
    return r;
}

TEST(CellDrawTransformStackTest, PushCombinesWithTheTop)
{
    TCellDrawTransformStack stack;
    TCellTransform a;
    a.translateX = 3;
    a.scaleX = 2;
    a.rotation = 0.25f;
    a.opacity = 128;
    a.add = 0xF00010;
    a.multiply = 0x80FF00;
    a.blendMode = 5;
    stack.Push(a);
    TCellTransform b;
    b.translateX = 4;
    b.scaleX = 3;
    b.rotation = 0.5f;
    b.opacity = 128;
    b.add = 0x200020;
    b.multiply = 0x80FFFF;
    b.filter = 2;
    stack.Push(b);
    const TCellTransform& t = stack.Top();
    EXPECT_EQ(stack.Depth(), 2);
    EXPECT_FLOAT_EQ(t.translateX, 7);
    EXPECT_FLOAT_EQ(t.scaleX, 6);
    EXPECT_FLOAT_EQ(t.rotation, 0.75f);
    EXPECT_EQ(t.opacity, 128 * 128 / 255);
    EXPECT_EQ(t.add, 0xFF0030u);
    EXPECT_EQ(t.multiply, 0x40FF00u);
    EXPECT_EQ(t.blendMode, 5); // inherited: b keeps 1
    EXPECT_EQ(t.filter, 2);
}

TEST(CellDrawTransformStackTest, DepthStaysWithinTheStack)
{
    TCellDrawTransformStack stack;
    stack.Pop();
    EXPECT_EQ(stack.Depth(), 0);
    TCellTransform step;
    step.translateX = 1;
    for (int i = 0; i < 100; ++i)
        stack.Push(step);
    EXPECT_EQ(stack.Depth(), TCellDrawTransformStack::Capacity - 1);
    // The refused pushes are popped first: the outer entries stay.
    for (int i = 0; i < 37; ++i)
        stack.Pop();
    EXPECT_EQ(stack.Depth(), TCellDrawTransformStack::Capacity - 1);
    stack.Pop();
    EXPECT_EQ(stack.Depth(), TCellDrawTransformStack::Capacity - 2);
    EXPECT_FLOAT_EQ(stack.Top().translateX, 62);
    stack.Reset();
    EXPECT_EQ(stack.Depth(), 0);
}

TEST(CellDrawTransformStackTest, ApplyMovesVerticesAndModulatesColours)
{
    TCellDrawTransformStack stack;
    stack.SetScreenSize(100, 100);
    TCellRecord untouched = Square();
    stack.Apply(untouched); // depth 0: identity
    EXPECT_TRUE(SameCell(untouched, Square()));

    TCellTransform quarter;
    quarter.rotation = 0.25f; // around (50, 50)
    quarter.translateZ = 500;
    quarter.opacity = 128;
    quarter.add = 0xFFFFFF;
    quarter.multiply = 0x808080;
    quarter.blendMode = 9;
    stack.Push(quarter);
    TCellRecord r = Square();
    stack.Apply(r);
    // (10, 20): dx = -40, dy = -30 -> x = 50 + dy, y = 50 - dx.
    EXPECT_NEAR(r.vertices.x[0], 20, 1e-4);
    EXPECT_NEAR(r.vertices.y[0], 90, 1e-4);
    EXPECT_FLOAT_EQ(r.vertices.z[0], 1500);
    EXPECT_EQ(r.opacity, 200 * 128 / 255);
    EXPECT_EQ(r.add, 0xFFFFFFu);
    EXPECT_EQ(r.multiply, 0x404040u);
    EXPECT_EQ(r.blendMode, 9);
    EXPECT_EQ(r.filter, 2);

    stack.Reset();
    TCellTransform scale;
    scale.scaleX = 2;
    scale.scaleY = 0.5f;
    scale.translateX = 1;
    stack.Push(scale);
    TCellRecord s = Square();
    stack.Apply(s);
    EXPECT_FLOAT_EQ(s.vertices.x[0], 50 + (11 - 50) * 2);
    EXPECT_FLOAT_EQ(s.vertices.y[2], 50 + (40 - 50) * 0.5f);
}

TEST(CellDrawTransformStackTest, ColourHelpersSaturateAndScale)
{
    EXPECT_EQ(AddColours(0xF01020, 0x2010F0), 0xFF20FFu);
    EXPECT_EQ(MultiplyColours(0xFFFFFF, 0x80FF01), 0x80FF01u);
    EXPECT_EQ(MultiplyColours(0x808080, 0x808080), 0x404040u);
}

} // namespace
} // namespace tsukimi
