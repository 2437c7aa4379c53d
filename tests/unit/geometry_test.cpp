// The geometry grid and circles: margins, line counts and radii of the worked
// window sizes, and the frame, grid and circles of rendered images.
#include "test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace tintoral;
using namespace tintoral::test;

namespace {

PatternState geometry(int w, int h, int nbBoxGeo, float t = 15.0f)
{
    PatternState s = stateFor(18, w, h, t, t);
    s.nbBoxGeo = std::int16_t(nbBoxGeo);
    return s;
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
        {3840, 1024, 24, 0, 640, 56960, 90, 24, 3825},          // capped at H / 4 - py
        {1024, 768, 50, 90, 320.4f, 15296.4f, 67, 50, 1598.92}, // margin from 15360 mod 230
        {1026, 768, 24, 15, 495, 15375, 33, 24, 1603.99},       // the last line lands on W - px
    };
    for (const auto &c : cases) {
        PatternState s = geometry(c.w, c.h, c.nb);
        s.halfMode = 1;
        const float W = c.w * 15.0f, H = c.h * 15.0f;
        const Colour grey = RGB(128, 128, 128);
        std::array<std::vector<Call>, 5> d; // fill, frame, vertical and horizontal lines, circles
        for (const Call &k : record(s))
            d[k.op == Op::Fill ? 0 : k.op == Op::Box ? 1 : k.op == Op::Circle ? 4 : k.x1 == k.x2 ? 2 : 3].push_back(k);
        ASSERT_EQ(d[2].size(), c.verticals) << c.w << "x" << c.h << "/" << c.nb;
        ASSERT_EQ(d[3].size(), c.horizontals);
        EXPECT_EQ(d[2][0], (Call{Op::Line, c.firstX, 0, c.firstX, H, grey}));
        EXPECT_NEAR(d[2][1].x1, c.secondX, 0.01);
        EXPECT_NEAR(d[2].back().x1, c.lastX, 0.05);
        EXPECT_EQ(d[3][0], (Call{Op::Line, 0, 0, W, 0, grey}));
        ASSERT_EQ(d[4].size(), 5u);
        EXPECT_EQ(d[4][0], (Call{Op::Circle, W / 2, H / 2, H / 2 - 15, 0, grey}));
        for (int k = 1; k < 5; ++k)
            EXPECT_NEAR(d[4][k].x2, c.cornerRadius, 0.01) << "corner " << k;
    }
    // Windows too low for a circle leave it out rather than draw a negative radius.
    for (const auto &[w, h] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{16384, 1}})
        for (const Call &c : record(geometry(w, h, 24)))
            EXPECT_FALSE(c.op == Op::Circle && c.x2 < 0) << w << "x" << h;
}

// 1056 x 800 pixels with 25 rows: cells of 32 pixels, no margin, and the
// centre (528, 400) on no grid line. The frame and grid lines are whole rows
// and columns, exactly every 32nd; the circles touch the pixel inside the frame.
TEST(GeometryPixels, FrameGridAndCirclesWhereTheyBelong)
{
    const int w = 1056, h = 800;
    const std::uint32_t white = px(255, 255, 255), black = px(0, 0, 0);
    const auto every32 = [](int n) { // and the last one
        std::vector<int> v;
        for (int i = 0; i < n; i += 32)
            v.push_back(i);
        v.push_back(n - 1);
        return v;
    };
    // The centre circle has a radius of 399 pixels, the corner ones about 109.3.
    const struct {
        int x, y;
        bool lit;
    } points[] = {{528, 1, true}, {528, 2, false}, {129, 400, true},  {927, 400, true}, {528, 400, false},
                  {1, 110, true}, {110, 1, true},  {110, 110, false}, {837, 690, true}};
    for (const float t : {15.0f, 10.0f, 7.5f}) {
        SCOPED_TRACE(testing::Message() << t << " twips per pixel");
        const Image img = render(geometry(w, h, 25, t), w, h);
        EXPECT_EQ(img.count(white) + img.count(black), img.pixels.size());
        const auto whole = [&](int x, int y, int dx, int dy) { // a row or column all white
            for (; x < w && y < h; x += dx, y += dy)
                if (img.at(x, y) != white)
                    return false;
            return true;
        };
        std::vector<int> rows, columns;
        for (int y = 0; y < h; ++y)
            if (whole(0, y, 1, 0))
                rows.push_back(y);
        for (int x = 0; x < w; ++x)
            if (whole(x, 0, 0, 1))
                columns.push_back(x);
        EXPECT_EQ(rows, every32(h));
        EXPECT_EQ(columns, every32(w));
        for (const auto &p : points)
            EXPECT_EQ(img.at(p.x, p.y), p.lit ? white : black) << p.x << "," << p.y;
    }
}

} // namespace
