// The dot pattern, and what the four lattice patterns (dots 14..17, geometry
// 18, crosses 23, test card 24) share: the orbit shift moves the pattern by one
// pixel and not the background, degenerate windows end quickly, and the render
// tool draws them.
#include "test_support.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>
#include <tuple>

using namespace tintoral;
using namespace tintoral::test;

namespace {

using Call = RecordingSurface::Call;
using Op = RecordingSurface::Op;

constexpr std::int32_t kLatticeModes[] = {14, 15, 16, 17, 18, 23, 24};
constexpr float kTwips[] = {15.0f, 7.5f};

PatternState dots(int w, int h, int nbPoints, float t = 15.0f)
{
    PatternState s = stateFor(14, w, h, t, t);
    s.nbPoints = std::int16_t(nbPoints);
    return s;
}

TEST(DotPatternCalls, DotsFromCornerToCornerInTheirColour)
{
    const auto calls = record(dots(1024, 768, 25));
    ASSERT_EQ(calls.size(), 1u + 26 * 26);
    EXPECT_EQ(calls[0], (Call{Op::Fill, 0, 0, 15360, 11520, RGB(0, 0, 0)}));
    std::set<float> xs, ys;
    for (std::size_t i = 1; i < calls.size(); ++i) {
        const Call &c = calls[i];
        EXPECT_EQ(c, (Call{Op::Fill, c.x1, c.y1, c.x1, c.y1, RGB(255, 255, 255)})); // one pixel
        xs.insert(c.x1);
        ys.insert(c.y1);
    }
    ASSERT_EQ(xs.size(), 26u);
    ASSERT_EQ(ys.size(), 26u);
    EXPECT_NEAR(*std::next(xs.begin()), 613.8f, 0.01f);
    EXPECT_NEAR(*xs.rbegin(), 15345.0f, 0.01f); // the last pixel column
    EXPECT_NEAR(*std::next(ys.begin()), 460.2f, 0.01f);
    EXPECT_NEAR(*ys.rbegin(), 11505.0f, 0.01f); // the last pixel row
}

class DotPatternPixels : public ::testing::TestWithParam<std::pair<float, int>> {};

// (nbPoints + 1)^2 single pixels, one in every corner, black everywhere else.
TEST_P(DotPatternPixels, OneDotPerCrossingAndOneInEveryCorner)
{
    const auto [t, nb] = GetParam();
    for (const auto &[w, h] : {std::pair{1024, 768}, std::pair{641, 353}}) {
        const Image img = render(dots(w, h, nb, t), w, h);
        const std::uint32_t white = px(255, 255, 255), black = px(0, 0, 0);
        EXPECT_EQ(img.count(white) + img.count(black), img.pixels.size()) << "sentinel or other colour";
        EXPECT_EQ(img.count(white), std::size_t(nb + 1) * (nb + 1));
        for (const auto &[x, y] : {std::pair{0, 0}, std::pair{w - 1, 0}, std::pair{0, h - 1}, std::pair{w - 1, h - 1}})
            EXPECT_EQ(img.at(x, y), white) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(TwipsAndDensity, DotPatternPixels,
                         ::testing::Values(std::pair{15.0f, 25}, std::pair{10.0f, 70}, std::pair{7.5f, 5}));

class OrbitShift : public ::testing::TestWithParam<std::tuple<std::int32_t, float>> {};

// Across, down and diagonally the pattern moves by exactly one device
// pixel; the background still covers the whole window, so nothing is left
// uncovered along the edge the pattern moved away from.
TEST_P(OrbitShift, PatternMovesOnePixelBackgroundStays)
{
    const auto [mode, t] = GetParam();
    const int w = 331, h = 207;
    PatternState home = stateFor(mode, w, h, t, t);
    home.nbPoints = 20;
    home.nbBoxGeo = 10;
    const Image a = render(home, w, h);
    for (const auto &[dx, dy] : {std::pair{1, 0}, std::pair{0, -1}, std::pair{-1, 1}, std::pair{1, 1}}) {
        PatternState s = home;
        s.orbitX = float(dx * t);
        s.orbitY = float(dy * t);
        const Image b = render(s, w, h);
        EXPECT_EQ(b.count(kSentinel), 0u);
        int moved = 0, wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int sx = x - dx, sy = y - dy;
                if (sx < 0 || sy < 0 || sx >= w || sy >= h)
                    continue;
                wrong += b.at(x, y) != a.at(sx, sy);
                moved += b.at(x, y) != a.at(x, y);
            }
        EXPECT_EQ(wrong, 0) << "shift " << dx << "," << dy;
        EXPECT_GT(moved, 0) << "shift " << dx << "," << dy;
    }
}

INSTANTIATE_TEST_SUITE_P(LatticeModes, OrbitShift,
                         ::testing::Combine(::testing::ValuesIn(kLatticeModes), ::testing::ValuesIn(kTwips)));

// Counts the calls without keeping them.
struct CountingSurface final : DrawingSurface {
    long calls = 0;
    void fillBox(float, float, float, float, Colour) override { ++calls; }
    void box(float, float, float, float, Colour) override { ++calls; }
    void line(float, float, float, float, Colour) override { ++calls; }
    void circle(float, float, float, Colour) override { ++calls; }
};

// Whatever the size and twips per pixel, a lattice or grating redraw ends
// after a bounded number of calls: steps of 0 (one pixel across), sub-pixel
// steps on huge windows, and zero, negative, NaN or infinite geometry alike.
TEST(DegenerateWindows, EveryRedrawEndsWithBoundedWork)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 16384}, {16384, 2}, {16384, 16384}};
    const std::pair<float, float> twips[] = {{15, 15}, {1e-30f, 1e-30f}, {3e38f, 1}, {inf, 15}, {15, nan},
                                             {0, -15}};
    for (std::int32_t mode : {14, 15, 16, 17, 18, 19, 20, 23, 24})
        for (const auto &[w, h] : sizes)
            for (const auto &[tx, ty] : twips)
                for (int nb : {5, 70}) {
                    PatternState s = stateFor(mode, w, h, tx, ty);
                    s.nbPoints = std::int16_t(nb);
                    s.nbBoxGeo = std::int16_t(nb < 50 ? 4 : 50);
                    const float orbitY = s.orbitY;
                    CountingSurface c;
                    drawMode(s, c);
                    EXPECT_LE(c.calls, 3'000'000) << mode << " " << w << "x" << h << " @" << tx << "," << ty;
                    EXPECT_EQ(s.orbitY, orbitY);
                }
}

TEST(RenderTool, ListsAndPaintsTheLatticePatterns)
{
    for (std::int32_t mode : kLatticeModes) {
        const std::string m = std::to_string(mode);
        std::string home, png;
        ASSERT_EQ(runRenderTool({"--mode", m, "--size", "640x360", "--list", "-"}, &home), 0) << m;
        EXPECT_EQ(home.substr(0, home.find('\n')), "fill 0 0 9600 5400 0") << m;
        ASSERT_EQ(runRenderTool({"--mode", m, "--size", "640x360", "--orbit", "-1,1", "--png", "-"}, &png), 0);
        EXPECT_EQ(png.substr(12, 12), std::string("IHDR\0\0\x02\x80\0\0\x01\x68", 12)) << "640 x 360";
    }
    std::string out;
    ASSERT_EQ(runRenderTool({"--mode", "15", "--size", "1024x768", "--half-mode", "1", "--orbit", "-1,1",
                             "--list", "-"}, &out), 0);
    EXPECT_EQ(out.substr(0, out.find('\n', 23)), "fill 0 0 15360 11520 0\nfill -15 15 -15 15 128");
}

} // namespace
