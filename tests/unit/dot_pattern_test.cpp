// The dot pattern, and what the lattice patterns (dots 14..17, geometry 18,
// crosses 23, test card 24) share with it: the orbit shift moves the pattern
// by one pixel and not the background, degenerate windows end with bounded
// work, and the render tool shifts them as asked.
#include "test_support.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>
#include <tuple>

using namespace tintoral;
using namespace tintoral::test;

namespace {

PatternState dots(std::int32_t mode, int w, int h, int nbPoints, float t = 15.0f)
{
    PatternState s = stateFor(mode, w, h, t, t);
    s.nbPoints = std::int16_t(nbPoints);
    return s;
}

// The worked example: 26 x 26 dots, the last on the last pixel column and row.
TEST(DotPatternCalls, DotsFromCornerToCorner)
{
    const auto calls = record(dots(14, 1024, 768, 25));
    ASSERT_EQ(calls.size(), 1u + 26 * 26);
    std::set<float> xs, ys;
    for (std::size_t i = 1; i < calls.size(); ++i)
        xs.insert(calls[i].x1), ys.insert(calls[i].y1);
    ASSERT_EQ(xs.size(), 26u);
    ASSERT_EQ(ys.size(), 26u);
    EXPECT_NEAR(*std::next(xs.begin()), 613.8f, 0.01f);
    EXPECT_NEAR(*xs.rbegin(), 15345.0f, 0.01f);
    EXPECT_NEAR(*std::next(ys.begin()), 460.2f, 0.01f);
    EXPECT_NEAR(*ys.rbegin(), 11505.0f, 0.01f);
}

// (nbPoints + 1)^2 single pixels in the mode's colour, one in every corner,
// black everywhere else.
TEST(DotPatternPixels, OneDotPerCrossingAndOneInEveryCorner)
{
    const struct {
        std::int32_t mode;
        float t;
        int nb, halfMode;
        Colour colour;
    } cases[] = {{14, 15.0f, 25, 0, RGB(255, 255, 255)}, {15, 10.0f, 70, 1, RGB(128, 0, 0)},
                 {16, 7.5f, 5, 0, RGB(0, 255, 0)}, {17, 12.0f, 9, 1, RGB(0, 0, 128)}};
    for (const auto &c : cases)
        for (const auto &[w, h] : {std::pair{1024, 768}, std::pair{641, 353}}) {
            PatternState s = dots(c.mode, w, h, c.nb, c.t);
            s.halfMode = std::int16_t(c.halfMode);
            const Image img = render(s, w, h);
            const std::uint32_t dot = RasterSurface::pixelOf(c.colour);
            EXPECT_EQ(img.count(dot) + img.count(px(0, 0, 0)), img.pixels.size()) << c.mode;
            EXPECT_EQ(img.count(dot), std::size_t(c.nb + 1) * (c.nb + 1)) << c.mode << " " << w << "x" << h;
            for (const auto &[x, y] : {std::pair{0, 0}, std::pair{w - 1, 0}, std::pair{0, h - 1}, std::pair{w - 1, h - 1}})
                EXPECT_EQ(img.at(x, y), dot) << x << "," << y;
        }
}

constexpr std::int32_t kLatticeModes[] = {14, 15, 16, 17, 18, 23, 24};

class OrbitShift : public testing::TestWithParam<std::tuple<std::int32_t, float>> {};

// Across, down and diagonally the pattern moves by exactly one device pixel;
// the background still covers the whole window.
TEST_P(OrbitShift, PatternMovesOnePixelBackgroundStays)
{
    const auto [mode, t] = GetParam();
    const int w = 331, h = 207;
    PatternState home = dots(mode, w, h, 20, t);
    home.nbBoxGeo = 10;
    const Image a = render(home, w, h);
    for (const auto &[dx, dy] : {std::pair{1, 0}, std::pair{0, -1}, std::pair{-1, 1}, std::pair{1, 1}}) {
        PatternState s = home;
        s.orbitX = float(dx * t);
        s.orbitY = float(dy * t);
        const Image b = render(s, w, h);
        EXPECT_EQ(b.count(kSentinel), 0u);
        int moved = 0, wrong = 0;
        for (int y = std::max(dy, 0); y < h + std::min(dy, 0); ++y)
            for (int x = std::max(dx, 0); x < w + std::min(dx, 0); ++x) {
                wrong += b.at(x, y) != a.at(x - dx, y - dy);
                moved += b.at(x, y) != a.at(x, y);
            }
        EXPECT_EQ(wrong, 0) << "shift " << dx << "," << dy;
        EXPECT_GT(moved, 0) << "shift " << dx << "," << dy;
    }
}

INSTANTIATE_TEST_SUITE_P(LatticeModes, OrbitShift,
                         testing::Combine(testing::ValuesIn(kLatticeModes), testing::Values(15.0f, 7.5f)));

// Counts the calls without keeping them.
struct CountingSurface final : DrawingSurface {
    long calls = 0;
    void fillBox(float, float, float, float, Colour) override { ++calls; }
    void box(float, float, float, float, Colour) override { ++calls; }
    void line(float, float, float, float, Colour) override { ++calls; }
    void circle(float, float, float, Colour) override { ++calls; }
};

// Whatever the size and twips per pixel, a lattice or grating redraw ends
// after a bounded number of calls and leaves orbitY as it was (the crosses
// move it while they draw, in either arrangement): steps of 0
// (one pixel across), sub-pixel steps on huge windows, and zero, negative,
// NaN or infinite geometry alike.
TEST(DegenerateWindows, EveryRedrawEndsWithBoundedWork)
{
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 16384}, {2, 16384}, {16384, 2}, {16384, 16384}};
    const std::pair<float, float> twips[] = {{15, 15}, {1e-30f, 1e-30f}, {3e38f, 1}, {inf, 15}, {15, nan}, {0, -15}};
    for (std::int32_t mode : {14, 15, 16, 17, 18, 19, 20, 23, 24})
        for (const auto &[w, h] : sizes)
            for (const auto &[tx, ty] : twips)
                for (int nb : {5, 70}) {
                    PatternState s = stateFor(mode, w, h, tx, ty);
                    s.nbPoints = std::int16_t(nb);
                    s.nbBoxGeo = std::int16_t(nb < 50 ? 4 : 50);
                    s.orbitY = 1.0f;
                    s.altMode = std::int16_t(nb < 50);
                    CountingSurface c;
                    drawMode(s, c);
                    EXPECT_LE(c.calls, 3'000'000) << mode << " " << w << "x" << h << " @" << tx << "," << ty;
                    EXPECT_EQ(s.orbitY, 1.0f);
                }
}

TEST(RenderTool, ShiftsTheLatticeByThePixelsAsked)
{
    std::string out;
    ASSERT_EQ(runRenderTool({"--mode", "15", "--size", "1024x768", "--half-mode", "1", "--orbit", "-1,1",
                             "--list", "-"}, &out), 0);
    EXPECT_EQ(out.substr(0, out.find('\n', 23)), "fill 0 0 15360 11520 0\nfill -15 15 -15 15 128");
}

} // namespace
