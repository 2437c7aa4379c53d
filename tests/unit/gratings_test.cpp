// The horizontal and vertical line gratings: colour and spacing by
// currentColor, line counts of the worked window sizes, and the pixels of
// rendered images.
#include "test_support.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>

using namespace tintoral;
using namespace tintoral::test;

namespace {

constexpr std::int32_t kVertical = 19, kHorizontal = 20;

struct GratingCase {
    int currentColor, halfMode;
    Colour colour;
    int spacing; // pixels
};

const GratingCase kGratingCases[] = {
    {0, 0, RGB(255, 255, 255), 4}, {1, 0, RGB(255, 0, 0), 4},      {2, 0, RGB(0, 255, 0), 4},
    {3, 0, RGB(0, 0, 255), 4},     {4, 0, RGB(255, 255, 255), 2},  {5, 0, RGB(255, 0, 0), 2},
    {6, 0, RGB(0, 255, 0), 2},     {7, 0, RGB(0, 0, 255), 2},      {0, 1, RGB(127, 127, 127), 4},
    {6, 1, RGB(0, 127, 0), 2},     {3, 2, RGB(0, 0, 127), 4}, // any halfMode but 0 gives half intensity
    {8, 0, RGB(255, 255, 255), 2}, // outside 0..7: white, spacing by "above 3"
    {-1, 1, RGB(127, 127, 127), 4},
};

void PrintTo(const GratingCase &c, std::ostream *os) { *os << "colour " << c.currentColor << " half " << c.halfMode; }

// A line lies on the far edge only when the window is a whole number of steps.
TEST(GratingCount, LinesFromTheNearEdgeUpToAndIncludingTheFarOne)
{
    const struct {
        std::int32_t mode;
        int currentColor, w, h;
        float tx, ty;
        std::size_t lines;
    } cases[] = {
        {kHorizontal, 0, 1024, 768, 15, 15, 193}, // 11520 twips, every 60
        {kHorizontal, 4, 1024, 768, 15, 15, 385}, // every 30
        {kHorizontal, 0, 1024, 769, 15, 15, 193}, // 11535 twips: no line at the far edge
        {kVertical, 6, 1024, 768, 12, 15, 513},   // 12288 twips, every 24 across
        {kVertical, 7, 1, 1, 10, 10, 1},
    };
    for (const auto &c : cases) {
        PatternState s = stateFor(c.mode, c.w, c.h, c.tx, c.ty);
        s.currentColor = std::int16_t(c.currentColor);
        EXPECT_EQ(record(s).size() - 1, c.lines) << "mode " << c.mode << " " << c.w << "x" << c.h;
    }
}

class GratingPixels : public testing::TestWithParam<std::tuple<GratingCase, std::pair<int, int>, std::pair<float, float>>> {};

// Every n-th pixel row (column) from the first is wholly the line colour and
// every other one wholly black: none missing, none doubled, no sentinel left.
TEST_P(GratingPixels, LinesExactlyEveryNthPixel)
{
    const auto &[c, size, tpp] = GetParam();
    for (std::int32_t mode : {kHorizontal, kVertical}) {
        PatternState s = stateFor(mode, size.first, size.second, tpp.first, tpp.second);
        s.currentColor = std::int16_t(c.currentColor);
        s.halfMode = std::int16_t(c.halfMode);
        const Image img = render(s, size.first, size.second);
        const std::uint32_t line = RasterSurface::pixelOf(c.colour), black = px(0, 0, 0);
        for (int y = 0; y < size.second; ++y)
            for (int x = 0; x < size.first; ++x)
                ASSERT_EQ(img.at(x, y), (mode == kHorizontal ? y : x) % c.spacing == 0 ? line : black)
                    << "mode " << mode << " at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, GratingPixels,
    testing::Combine(testing::ValuesIn(kGratingCases), testing::Values(std::pair{3, 2}, std::pair{97, 61}),
                     testing::Values(std::pair{15.0f, 15.0f}, std::pair{7.5f, 7.5f}, std::pair{12.0f, 15.0f})));

} // namespace
