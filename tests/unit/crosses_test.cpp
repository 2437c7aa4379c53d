// The convergence crosses: the colour and place of every crossing in both
// arrangements, orbitY put back, and the pixels of rendered lattices.
#include "renderers/renderers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

using namespace tintoral;
using namespace tintoral::test;

namespace {

using Call = RecordingSurface::Call;
using Op = RecordingSurface::Op;

// The colour of crossing (i, j), counted in crossings from the orbit shift.
Colour crossingColour(int i, int j, int altMode, int halfMode)
{
    const int l = halfMode == 0 ? 255 : 127;
    if (altMode == 1)
        return (i + j) % 2 == 0 ? RGB(l, 0, l) : RGB(0, l, 0);
    const Colour c[] = {RGB(l, 0, 0), RGB(0, l, 0), RGB(0, 0, l)};
    return c[(i + j) % 3];
}

PatternState crosses(int w, int h, int altMode, int halfMode, float t = 15.0f)
{
    PatternState s = stateFor(23, w, h, t, t);
    s.altMode = std::int16_t(altMode);
    s.halfMode = std::int16_t(halfMode);
    return s;
}

class CrossCalls : public ::testing::TestWithParam<std::tuple<int, int>> {};

// Every cross is two arms of one step each way through its centre, in the
// colour of its crossing; orbitY is back where it was, whatever the shift.
TEST_P(CrossCalls, EveryCrossingHasItsColourAndOrbitYIsRestored)
{
    const auto [altMode, halfMode] = GetParam();
    for (float oy : {0.0f, -15.0f, 15.0f}) {
        PatternState s = crosses(1024, 768, altMode, halfMode);
        s.orbitX = 15.0f;
        s.orbitY = oy;
        RecordingSurface rec;
        drawCross(s, rec);
        EXPECT_EQ(s.orbitY, oy);
        const auto &calls = rec.calls();
        const double sx = 15345.0 / 25, sy = 11505.0 / 25;
        ASSERT_EQ(calls[0], (Call{Op::Fill, 0, 0, 15360, 11520, RGB(0, 0, 0)}));
        // normal: 3 passes x 5 periods x 3 columns x 5 rows; alternate: 2 x 7 x 2 x 7
        const std::size_t crossesDrawn = altMode == 1 ? 196 : 225;
        ASSERT_EQ(calls.size(), 1 + 2 * crossesDrawn);
        std::set<std::pair<int, int>> seen;
        for (std::size_t n = 1; n < calls.size(); n += 2) {
            const Call &h = calls[n], &v = calls[n + 1];
            ASSERT_EQ(h.op, Op::Line);
            ASSERT_EQ(h.y1, h.y2);
            ASSERT_EQ(v.x1, v.x2);
            const double cx = (h.x1 + h.x2) / 2.0, cy = (v.y1 + v.y2) / 2.0;
            EXPECT_NEAR(h.x2 - h.x1, 2 * sx, 0.01);
            EXPECT_NEAR(v.y2 - v.y1, 2 * sy, 0.01);
            EXPECT_NEAR(v.x1, cx, 0.01);
            EXPECT_NEAR(h.y1, cy, 0.01);
            const double fi = (cx - 15.0) / (2 * sx), fj = (cy - oy) / (2 * sy);
            const int i = int(std::lround(fi)), j = int(std::lround(fj));
            EXPECT_NEAR(fi, i, 1e-4);
            EXPECT_NEAR(fj, j, 1e-4);
            EXPECT_EQ(h.colour, crossingColour(i, j, altMode, halfMode)) << i << "," << j;
            EXPECT_EQ(v.colour, h.colour);
            seen.insert({i, j});
        }
        EXPECT_EQ(seen.size(), crossesDrawn); // no crossing drawn twice
        EXPECT_EQ(seen.rbegin()->first, altMode == 1 ? 13 : 14); // columns beyond W
    }
}

INSTANTIATE_TEST_SUITE_P(Arrangements, CrossCalls,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Values(0, 1)));

class CrossPixels : public ::testing::TestWithParam<std::tuple<float, int, int>> {};

// 601 x 401 pixels at 25 steps: a step of 24 by 16 pixels, crossings every
// 48 by 32 pixels. Each crossing pixel has its colour, the lattice lines are
// lit all along, and the cells between them are black.
TEST_P(CrossPixels, CrossingsSitEveryTwoStepsInTheirColours)
{
    const auto [t, altMode, halfMode] = GetParam();
    const int w = 601, h = 401;
    const Image img = render(crosses(w, h, altMode, halfMode, t), w, h);
    const std::uint32_t black = px(0, 0, 0);
    EXPECT_EQ(img.count(kSentinel), 0u);
    for (int j = 0; 32 * j < h; ++j)
        for (int i = 0; 48 * i < w; ++i) {
            const int x = 48 * i, y = 32 * j;
            EXPECT_EQ(img.at(x, y), RasterSurface::pixelOf(crossingColour(i, j, altMode, halfMode)))
                << x << "," << y;
            if (x + 47 < w && y + 31 < h) {
                for (int d = 1; d < 48; ++d)
                    EXPECT_NE(img.at(x + d, y), black) << "gap in the row at " << x + d << "," << y;
                for (int d = 1; d < 32; ++d)
                    EXPECT_NE(img.at(x, y + d), black) << "gap in the column at " << x << "," << y + d;
                EXPECT_EQ(img.at(x + 24, y + 16), black);
                EXPECT_EQ(img.at(x + 1, y + 1), black);
            }
        }
}

INSTANTIATE_TEST_SUITE_P(TwipsArrangementHalf, CrossPixels,
                         ::testing::Combine(::testing::Values(15.0f, 12.0f, 10.0f, 7.5f),
                                            ::testing::Values(0, 1), ::testing::Values(0, 1)));

} // namespace
