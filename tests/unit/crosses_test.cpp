// The convergence crosses: the number of crosses in both arrangements, orbitY
// put back, and the colour of every crossing in the pixels of rendered lattices.
#include "renderers/renderers.h"
#include "test_support.h"

#include <gtest/gtest.h>

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

// Normal: 3 passes x 5 periods x 3 columns x 5 rows; alternate: 2 x 7 x 2 x 7
// crosses of two lines each, and orbitY is back where it was whatever the shift.
TEST(CrossCalls, CrossCountAndOrbitYRestored)
{
    for (const auto &[altMode, crossesDrawn] : {std::pair{0, 225u}, std::pair{1, 196u}})
        for (float oy : {0.0f, -15.0f}) {
            PatternState s = crosses(1024, 768, altMode, 0);
            s.orbitX = 15.0f;
            s.orbitY = oy;
            RecordingSurface rec;
            drawCross(s, rec);
            EXPECT_EQ(s.orbitY, oy);
            ASSERT_EQ(rec.calls().size(), 1 + 2 * crossesDrawn) << altMode;
            EXPECT_EQ(rec.calls()[0], (Call{Op::Fill, 0, 0, 15360, 11520, RGB(0, 0, 0)}));
        }
}

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
                         ::testing::Values(std::tuple{15.0f, 0, 0}, std::tuple{12.0f, 1, 0},
                                           std::tuple{10.0f, 0, 1}, std::tuple{7.5f, 1, 1},
                                           std::tuple{15.0f, 2, 0}));

} // namespace
