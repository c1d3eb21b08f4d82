#include "core/geometry/Label3DGeometry.h"

#include <gtest/gtest.h>

namespace {

struct GeometryCase {
    int angle, w, h, depth;
    int usedAngle, shiftX, shiftY, width, height;
};

TEST(Label3DGeometryTest, ShiftAndSizeFollowTheLabelsArithmetic) {
    const GeometryCase cases[] = {
        {0, 100, 20, 1, 0, 0, 0, 100, 20},
        {0, 100, 20, 3, 0, 0, 0, 101, 21},   // half the depth, truncated, is the effect's allowance
        {30, 100, 20, 0, 30, 0, 50, 96, 67}, // sin 30 must be exactly 0.5, not just below it
        {45, 100, 20, 1, 45, 0, 70, 84, 84},
        {90, 100, 20, 1, 90, 0, 100, 20, 100},
        {135, 100, 20, 1, 135, 70, 84, 84, 84},
        {180, 100, 20, 1, 180, 100, 19, 100, 20}, // cos 90 comes out a hair below zero: H - 1
        {225, 100, 20, 1, 225, 84, 14, 84, 84},
        {270, 100, 20, 1, 270, 19, 0, 20, 100},
        {270, 352, 12, 0, 270, 11, 0, 12, 352},
        {315, 100, 20, 1, 315, 14, 0, 84, 84},
        {359, 100, 20, 0, 359, 0, 0, 99, 20}, // truncation: 99.98 counts as 99
        {360, 100, 20, 1, 0, 0, 0, 100, 20},  // out of range is 0, not wrapped
        {450, 100, 20, 1, 0, 0, 0, 100, 20},
        {-1, 100, 20, 1, 0, 0, 0, 100, 20},
        {135, 0, 0, 4, 135, 0, 0, 2, 2}, // empty caption
    };
    for (const GeometryCase& c : cases) {
        const linnery::RotatedTextGeometry g = linnery::rotatedTextGeometry(c.angle, c.w, c.h, c.depth);
        EXPECT_EQ(g.angle, c.usedAngle) << c.angle;
        EXPECT_EQ(g.shiftX, c.shiftX) << c.angle;
        EXPECT_EQ(g.shiftY, c.shiftY) << c.angle;
        EXPECT_EQ(g.width, c.width) << c.angle;
        EXPECT_EQ(g.height, c.height) << c.angle;
    }
}

} // namespace
