// The convergence crosses: the colour of every crossing and the lattice lines
// between them in the pixels of rendered lattices, in both arrangements.
#include "test_support.h"

#include <gtest/gtest.h>

using namespace tintoral;
using namespace tintoral::test;

namespace {

// The colour of crossing (i, j), counted in crossings from the orbit shift.
Colour crossingColour(int i, int j, int altMode, int halfMode)
{
    const int l = halfMode == 0 ? 255 : 127;
    if (altMode == 1)
        return (i + j) % 2 == 0 ? RGB(l, 0, l) : RGB(0, l, 0);
    const Colour c[] = {RGB(l, 0, 0), RGB(0, l, 0), RGB(0, 0, l)};
    return c[(i + j) % 3];
}

// 601 x 401 pixels at 25 steps: a step of 24 by 16 pixels, crossings every
// 48 by 32 pixels. Each crossing pixel has its colour, the lattice lines are
// lit all along, and the cells between them are black.
TEST(CrossPixels, CrossingsSitEveryTwoStepsInTheirColours)
{
    const struct {
        float t;
        int altMode, halfMode;
    } cases[] = {{15.0f, 0, 0}, {12.0f, 1, 0}, {10.0f, 0, 1}, {7.5f, 1, 1}, {15.0f, 2, 0}};
    const int w = 601, h = 401;
    const std::uint32_t black = px(0, 0, 0);
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.t << " twips, altMode " << c.altMode << ", halfMode " << c.halfMode);
        PatternState s = stateFor(23, w, h, c.t, c.t);
        s.altMode = std::int16_t(c.altMode);
        s.halfMode = std::int16_t(c.halfMode);
        const Image img = render(s, w, h);
        EXPECT_EQ(img.count(kSentinel), 0u);
        for (int y = 0; y < h; y += 32)
            for (int x = 0; x < w; x += 48) {
                EXPECT_EQ(img.at(x, y), RasterSurface::pixelOf(crossingColour(x / 48, y / 32, c.altMode, c.halfMode)))
                    << x << "," << y;
                if (x + 47 >= w || y + 31 >= h)
                    continue;
                for (int d = 1; d < 48; ++d)
                    EXPECT_NE(img.at(x + d, y), black) << "gap in the row at " << x + d << "," << y;
                for (int d = 1; d < 32; ++d)
                    EXPECT_NE(img.at(x, y + d), black) << "gap in the column at " << x << "," << y + d;
                EXPECT_EQ(img.at(x + 24, y + 16), black);
                EXPECT_EQ(img.at(x + 1, y + 1), black);
            }
    }
}

} // namespace
