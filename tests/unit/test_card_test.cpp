// The test card: where the tiles start, the diamonds and links of rendered
// images, and that half intensity leaves it white.
#include "test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

using namespace tintoral;
using namespace tintoral::test;

namespace {

// The top-left corners of the tiles: the first line of a tile starts at
// (X, Y + S).
TEST(TestCardCalls, TilesStartEveryThreeStepsAcrossAndDown)
{
    const struct {
        int w, h, nb;
        std::size_t columns, rows;
        float lastX, lastY;
    } cases[] = {
        {1024, 768, 25, 9, 7, 14731.2f, 11048.4f},
        {1024, 768, 5, 2, 2, 9207.0f, 9207.0f},  // the second column cut by the right edge
        {300, 900, 10, 4, 11, 4036.5f, 13455.0f}, // taller than wide: the step across is used down too
    };
    for (const auto &c : cases) {
        PatternState s = stateFor(24, c.w, c.h);
        s.nbPoints = std::int16_t(c.nb);
        const auto calls = record(s);
        ASSERT_EQ(calls.size(), 1 + 6 * c.columns * c.rows);
        const double S = (c.w - 1) * 15.0 / c.nb;
        std::set<float> xs, ys;
        for (std::size_t n = 1; n < calls.size(); n += 6)
            xs.insert(calls[n].x1), ys.insert(float(calls[n].y1 - S));
        EXPECT_EQ(xs.size(), c.columns);
        EXPECT_EQ(ys.size(), c.rows);
        EXPECT_NEAR(*xs.rbegin(), c.lastX, 0.02f);
        EXPECT_NEAR(*ys.rbegin(), c.lastY, 0.02f);
    }
}

// 301 pixels wide at 25 steps: S is 12 pixels and a tile 36. In every whole
// tile the four corners of the diamond and both links are lit, its centre and
// the corners of the tile's empty quarters are black; half intensity changes
// nothing.
TEST(TestCardPixels, DiamondsAndLinksWhereTheyBelong)
{
    const int w = 301, h = 250, S = 12;
    const std::uint32_t white = px(255, 255, 255), black = px(0, 0, 0);
    for (const float t : {15.0f, 12.0f, 7.5f}) {
        PatternState s = stateFor(24, w, h, t, t); // nbPoints 25
        const Image img = render(s, w, h);
        s.halfMode = 1;
        EXPECT_EQ(render(s, w, h).pixels, img.pixels);
        EXPECT_EQ(img.count(white) + img.count(black), img.pixels.size());
        for (int Y = 0; Y + 3 * S < h; Y += 3 * S)
            for (int X = 0; X + 3 * S < w; X += 3 * S) {
                // start and direction of the two links and four sides, in steps
                for (const auto [x0, y0, dx, dy] : {std::array{0, 1, 1, 0}, {2, 2, 0, 1}, {1, 1, 1, -1},
                                                    {1, 1, 1, 1}, {2, 0, 1, 1}, {2, 2, 1, -1}})
                    for (int d = 0; d <= S; ++d)
                        EXPECT_EQ(img.at(X + x0 * S + d * dx, Y + y0 * S + d * dy), white)
                            << t << " twips, tile " << X << "," << Y << ", line from " << x0 << "," << y0;
                EXPECT_EQ(img.at(X + 2 * S, Y + S), black) << "diamond centre";
                EXPECT_EQ(img.at(X + S / 2, Y + S / 2), black);
                EXPECT_EQ(img.at(X + S / 2, Y + 5 * S / 2), black);
            }
    }
}

} // namespace
