// The geometry grid and circles: margins, line counts and radii of the worked
// window sizes, and the frame, grid and circles of
// rendered images.
#include "test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace tintoral;
using namespace tintoral::test;

namespace {

using Call = RecordingSurface::Call;
using Op = RecordingSurface::Op;

PatternState geometry(int w, int h, int nbBoxGeo, float t = 15.0f)
{
    PatternState s = stateFor(18, w, h, t, t);
    s.nbBoxGeo = std::int16_t(nbBoxGeo);
    return s;
}

// The calls by kind: fill, frame, vertical lines, horizontal lines, circles.
enum Kind { kFill, kFrame, kVertical, kHorizontal, kCircle };
std::array<std::vector<Call>, 5> byKind(const std::vector<Call> &calls)
{
    std::array<std::vector<Call>, 5> out;
    for (const Call &c : calls)
        out[c.op == Op::Fill ? kFill : c.op == Op::Box ? kFrame : c.op == Op::Circle ? kCircle
            : c.x1 == c.x2 ? kVertical : kHorizontal].push_back(c);
    return out;
}

TEST(GeometryCalls, MarginsLinesAndRadiiOfTheWorkedSizes)
{
    const struct {
        int w, h, nb;
        float firstX, secondX, lastX;
        std::size_t verticals, horizontals;
        double cornerRadius;
    } cases[] = {
        {1024, 768, 24, 0, 480, 14880, 32, 24, 1598.92},
        {1920, 1080, 24, 225, 900, 28575, 43, 24, 3532.17},
        {3840, 1024, 24, 0, 640, 56960, 90, 24, 3825},     // capped at H / 4 - py
        {1024, 768, 50, 90, 320.4f, 15296.4f, 67, 50, 1598.92}, // margin from 15360 mod 230
        {1026, 768, 24, 15, 495, 15375, 33, 24, 1603.99}, // the last line lands on W - px
    };
    for (const auto &c : cases) {
        PatternState s = geometry(c.w, c.h, c.nb);
        s.halfMode = 1;
        const float W = c.w * 15.0f, H = c.h * 15.0f;
        const auto d = byKind(record(s));
        const Colour grey = RGB(128, 128, 128);
        ASSERT_EQ(d[kFrame].size(), 1u);
        EXPECT_EQ(d[kFrame][0], (Call{Op::Box, 0, 0, W - 15, H - 15, grey}));
        ASSERT_EQ(d[kVertical].size(), c.verticals) << c.w << "x" << c.h << "/" << c.nb;
        ASSERT_EQ(d[kHorizontal].size(), c.horizontals);
        EXPECT_EQ(d[kVertical][0], (Call{Op::Line, c.firstX, 0, c.firstX, H, grey}));
        EXPECT_NEAR(d[kVertical][1].x1, c.secondX, 0.01);
        EXPECT_NEAR(d[kVertical].back().x1, c.lastX, 0.05);
        EXPECT_EQ(d[kHorizontal][0], (Call{Op::Line, 0, 0, W, 0, grey}));

        ASSERT_EQ(d[kCircle].size(), 5u);
        EXPECT_EQ(d[kCircle][0], (Call{Op::Circle, W / 2, H / 2, H / 2 - 15, 0, grey}));
        for (int k = 1; k < 5; ++k)
            EXPECT_NEAR(d[kCircle][k].x2, c.cornerRadius, 0.01) << "corner " << k;
    }
}

// Windows too low for a circle leave it out rather than draw a negative radius.
TEST(GeometryCalls, TinyWindowsDrawNoNegativeRadius)
{
    for (const auto &[w, h] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{16384, 1}})
        for (const Call &c : record(geometry(w, h, 24)))
            EXPECT_FALSE(c.op == Op::Circle && c.x2 < 0) << w << "x" << h;
}

class GeometryPixels : public ::testing::TestWithParam<float> {};

// 1056 x 800 pixels with 25 rows: cells of 32 pixels, no margin, and the
// centre (528, 400) on no grid line. The frame and grid lines are whole rows
// and columns, exactly every 32nd; the circles touch the pixel inside the frame.
TEST_P(GeometryPixels, FrameGridAndCirclesWhereTheyBelong)
{
    const float t = GetParam();
    const int w = 1056, h = 800;
    const Image img = render(geometry(w, h, 25, t), w, h);
    const std::uint32_t white = px(255, 255, 255), black = px(0, 0, 0);
    EXPECT_EQ(img.count(white) + img.count(black), img.pixels.size());

    // whole rows and columns of the colour: the frame and the grid lines
    const auto whole = [&](int x, int y, int dx, int dy) {
        for (; x < w && y < h; x += dx, y += dy)
            if (img.at(x, y) != white)
                return false;
        return true;
    };
    std::vector<int> rows, columns, expectRows, expectColumns;
    for (int y = 0; y < h; ++y)
        if (whole(0, y, 1, 0))
            rows.push_back(y);
    for (int x = 0; x < w; ++x)
        if (whole(x, 0, 0, 1))
            columns.push_back(x);
    for (int k = 0; k <= 32; ++k) {
        if (k <= 24)
            expectRows.push_back(32 * k);
        expectColumns.push_back(32 * k);
    }
    expectRows.push_back(h - 1);
    expectColumns.push_back(w - 1);
    EXPECT_EQ(rows, expectRows);
    EXPECT_EQ(columns, expectColumns);

    // centre circle, radius 399 pixels: top one pixel below the frame, left and right
    EXPECT_EQ(img.at(528, 1), white);
    EXPECT_EQ(img.at(528, 2), black);
    EXPECT_EQ(img.at(129, 400), white);
    EXPECT_EQ(img.at(927, 400), white);
    EXPECT_EQ(img.at(528, 400), black);
    // corner circles, radius about 109.3 pixels, one pixel inside the frame
    EXPECT_EQ(img.at(1, 110), white);
    EXPECT_EQ(img.at(110, 1), white);
    EXPECT_EQ(img.at(110, 110), black);
    EXPECT_EQ(img.at(837, 690), white); // the far side of the bottom-right one
}

INSTANTIATE_TEST_SUITE_P(Twips, GeometryPixels, ::testing::Values(15.0f, 10.0f, 7.5f));

} // namespace
