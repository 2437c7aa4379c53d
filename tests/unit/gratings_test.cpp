// The horizontal and vertical line gratings: colour and spacing by
// currentColor, line counts and positions, the pixels of rendered images, and
// states the keys never produce.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

using namespace tintoral;
using namespace tintoral::test;

namespace {

using Call = RecordingSurface::Call;
constexpr std::int32_t kVertical = 19, kHorizontal = 20;

struct GratingCase {
    int currentColor, halfMode;
    Colour colour;
    int spacing; // pixels
};

const GratingCase kGratingCases[] = {
    {0, 0, RGB(255, 255, 255), 4}, {1, 0, RGB(255, 0, 0), 4}, {2, 0, RGB(0, 255, 0), 4},
    {3, 0, RGB(0, 0, 255), 4},     {4, 0, RGB(255, 255, 255), 2}, {5, 0, RGB(255, 0, 0), 2},
    {6, 0, RGB(0, 255, 0), 2},     {7, 0, RGB(0, 0, 255), 2},
    {0, 1, RGB(127, 127, 127), 4}, {1, 1, RGB(127, 0, 0), 4}, {2, 1, RGB(0, 127, 0), 4},
    {3, 1, RGB(0, 0, 127), 4},     {4, 1, RGB(127, 127, 127), 2}, {5, 1, RGB(127, 0, 0), 2},
    {6, 1, RGB(0, 127, 0), 2},     {7, 1, RGB(0, 0, 127), 2},
    {1, 2, RGB(127, 0, 0), 4},     // any halfMode but 0 gives half intensity
    {8, 0, RGB(255, 255, 255), 2}, // outside 0..7: white, spacing by "above 3"
    {-1, 1, RGB(127, 127, 127), 4},
};

PatternState gratingState(std::int32_t mode, const GratingCase &c, int w, int h, float tx = 15.0f,
                          float ty = 15.0f)
{
    PatternState s = stateFor(mode, w, h, tx, ty);
    s.currentColor = std::int16_t(c.currentColor);
    s.halfMode = std::int16_t(c.halfMode);
    return s;
}

std::string gratingName(const GratingCase &c)
{
    return "colour" + std::string(c.currentColor < 0 ? "Minus" : "")
           + std::to_string(std::abs(c.currentColor)) + "_half" + std::to_string(c.halfMode);
}

void PrintTo(const GratingCase &c, std::ostream *os) { *os << gratingName(c); }

// ---- the drawing calls ----

class GratingCalls : public ::testing::TestWithParam<GratingCase> {};

// Black over the window first, then lines in the case's colour from the top
// (left) edge at the case's spacing, each across the whole window. The
// horizontal step comes from twipsPerPixelY, the vertical one from
// twipsPerPixelX.
TEST_P(GratingCalls, BlackThenLinesInTheTabledColourAndSpacing)
{
    const GratingCase &c = GetParam();
    for (std::int32_t mode : {kHorizontal, kVertical}) {
        const PatternState s = gratingState(mode, c, 64, 48, 12.0f, 15.0f);
        const auto calls = record(s);
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(calls[0], (Call{RecordingSurface::Op::Fill, 0, 0, s.formWidth, s.formHeight,
                                  RGB(0, 0, 0)}));
        const float step = (mode == kHorizontal ? s.twipsPerPixelY : s.twipsPerPixelX) * c.spacing;
        for (std::size_t k = 1; k < calls.size(); ++k) {
            const float p = step * float(k - 1);
            using Op = RecordingSurface::Op;
        const Call line = mode == kHorizontal ? Call{Op::Line, 0, p, s.formWidth, p, c.colour}
                                              : Call{Op::Line, p, 0, p, s.formHeight, c.colour};
            EXPECT_EQ(calls[k], line) << "mode " << mode << " line " << k - 1;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, GratingCalls, ::testing::ValuesIn(kGratingCases),
                         [](const auto &info) { return gratingName(info.param); });

struct CountCase {
    std::int32_t mode;
    int currentColor, w, h;
    float tx, ty;
    std::size_t lines;
};

// A line lies on the far edge only when the window is a whole number of steps.
TEST(GratingCount, LinesFromTheNearEdgeUpToAndIncludingTheFarOne)
{
    const CountCase cases[] = {
        {kHorizontal, 0, 1024, 768, 15, 15, 193},  // 11520 twips, every 60
        {kHorizontal, 4, 1024, 768, 15, 15, 385},  // every 30
        {kHorizontal, 0, 1024, 769, 15, 15, 193},  // 11535 twips: no line at the far edge
        {kVertical, 0, 1024, 768, 12, 15, 257},    // 12288 twips, every 48 across
        {kVertical, 6, 1024, 768, 12, 15, 513},
        {kHorizontal, 2, 5, 3, 7.5f, 7.5f, 1},     // 22.5 twips, every 30
        {kVertical, 7, 1, 1, 10, 10, 1},
    };
    for (const CountCase &c : cases) {
        PatternState s = stateFor(c.mode, c.w, c.h, c.tx, c.ty);
        s.currentColor = std::int16_t(c.currentColor);
        const auto calls = record(s);
        EXPECT_EQ(calls.size() - 1, c.lines) << "mode " << c.mode << " " << c.w << "x" << c.h;
    }
}

// A twips per pixel that is no positive number leaves the window black; one
// far too small for the window still ends.
TEST(GratingCount, UnusableTwipsPerPixelEndsTheWalk)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (std::int32_t mode : {kHorizontal, kVertical})
        for (float tpp : {0.0f, -15.0f, nan}) {
            PatternState s = stateFor(mode, 64, 48);
            s.twipsPerPixelX = s.twipsPerPixelY = tpp;
            EXPECT_EQ(record(s).size(), 1u) << "mode " << mode << " tpp " << tpp;
        }
    PatternState tiny = stateFor(kHorizontal, 1024, 768);
    tiny.twipsPerPixelY = 1e-30f;
    const auto calls = record(tiny);
    EXPECT_GT(calls.size(), 1u);
    EXPECT_LT(calls.size(), 100000u);
    EXPECT_LT(calls.back().y1, 1.0f);
}

// ---- the pixels ----

struct Size {
    int w, h;
};
const Size kSizes[] = {{1, 1}, {3, 2}, {7, 5}, {97, 61}, {640, 360}};
const std::pair<float, float> kTwips[] = {{15, 15}, {12, 12}, {10, 10}, {7.5f, 7.5f}, {12, 15}};

class GratingPixels
    : public ::testing::TestWithParam<std::tuple<GratingCase, Size, std::pair<float, float>>> {};

// Every n-th pixel row (column) from the first is wholly the line colour and
// every other one wholly black: none missing, none doubled, no sentinel left.
TEST_P(GratingPixels, LinesExactlyEveryNthPixel)
{
    const auto &[c, size, tpp] = GetParam();
    for (std::int32_t mode : {kHorizontal, kVertical}) {
        const PatternState s = gratingState(mode, c, size.w, size.h, tpp.first, tpp.second);
        const Image img = render(s, size.w, size.h);
        const std::uint32_t line = RasterSurface::pixelOf(c.colour), black = px(0, 0, 0);
        for (int y = 0; y < size.h; ++y)
            for (int x = 0; x < size.w; ++x) {
                const int along = mode == kHorizontal ? y : x;
                ASSERT_EQ(img.at(x, y), along % c.spacing == 0 ? line : black)
                    << "mode " << mode << " at " << x << "," << y;
            }
    }
}

const GratingCase kPixelCases[] = {kGratingCases[0], kGratingCases[6], kGratingCases[11]};

INSTANTIATE_TEST_SUITE_P(
    Table, GratingPixels,
    ::testing::Combine(::testing::ValuesIn(kPixelCases), ::testing::ValuesIn(kSizes),
                       ::testing::ValuesIn(kTwips)),
    [](const auto &info) {
        const Size size = std::get<1>(info.param);
        const auto tpp = std::get<2>(info.param);
        return gratingName(std::get<0>(info.param)) + "_" + std::to_string(size.w) + "x"
               + std::to_string(size.h) + "_tpp" + std::to_string(int(tpp.first * 10)) + "_"
               + std::to_string(int(tpp.second * 10));
    });

} // namespace
