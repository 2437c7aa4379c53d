// The stepped patterns: grey and primary shadings, all-colour shading, colour
// bars and level steps, checked through the pixels of rendered images against
// the intensity tables.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace tintoral;
using namespace tintoral::test;

namespace {

constexpr int kR = 1, kG = 2, kB = 4, kAll = 7;

// A band across every column from `top` (twips) down to the next band: the
// channels it lights and whether it shows the column's step mirrored.
struct Band {
    double top;
    int channels;
    bool falling;
};

std::vector<Band> bandsOf(std::int32_t mode, double h)
{
    if (mode == 13)
        return {{0, kR, false}, {h / 6, kG, false}, {h / 3, kB, false},
                {h / 2, kR, true}, {h / 2 + h / 6, kG, true}, {h / 2 + h / 3, kB, true}};
    if (mode == 12)
        return {{0, kAll, false}};
    const int channels = mode == 9 ? kR : mode == 10 ? kG : mode == 11 ? kB : kAll;
    return {{0, channels, false}, {h / 2, channels, true}};
}

struct RampCase {
    std::int32_t mode;
    int nbBox, halfMode;
    std::vector<int> rising; // the intensities left to right in the upper half
};

const std::vector<int> k16{0, 17, 34, 51, 68, 85, 102, 119, 136, 153, 170, 187, 204, 221, 238, 255};
// i * 255 / 254 is i up to 126, then 127.5 rounds to 128: 127 is never drawn.
const std::vector<int> k255 = [] {
    std::vector<int> v;
    for (int i = 0; i < 255; ++i)
        v.push_back(i <= 126 ? i : i + 1);
    return v;
}();
const std::vector<int> k16Half{0, 8, 17, 26, 34, 42, 51, 60, 68, 76, 85, 94, 102, 110, 119, 128};

const RampCase kRampCases[] = {
    {1, 16, 0, k16}, {1, 16, 1, k16Half}, {9, 16, 0, k16}, {10, 2, 0, {0, 255}}, {11, 255, 0, k255},
    {13, 16, 0, k16}, {12, 16, 0, {}}, // the bars
    {21, 16, 0, {0, 2, 4, 6, 9, 11, 13, 15, 17, 19, 21, 24, 26, 28, 30}},
    {21, 16, 1, {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15}},
    {22, 16, 0, {225, 227, 229, 231, 234, 236, 238, 240, 242, 244, 246, 249, 251, 253, 255}},
    {22, 2, 1, {112, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 128}}, // nbBox plays no part
};

void PrintTo(const RampCase &c, std::ostream *os) { *os << "mode " << c.mode << " nbBox " << c.nbBox << " half " << c.halfMode; }

int stepCount(const RampCase &c) { return c.mode == 12 ? 8 : int(c.rising.size()); }

Colour expectedColour(const RampCase &c, int step, const Band &b)
{
    if (c.mode == 12) // bar k lights red, green, blue for its bits 0, 1, 2
        return RGB(step & 1 ? 255 : 0, step & 2 ? 255 : 0, step & 4 ? 255 : 0);
    const int v = c.rising[b.falling ? stepCount(c) - 1 - step : step];
    return RGB(b.channels & kR ? v : 0, b.channels & kG ? v : 0, b.channels & kB ? v : 0);
}

TEST(ColourBars, BarThreeIsYellowFrom5760To7680OnA15360TwipWindow)
{
    const auto calls = record(stateFor(12, 1024, 768));
    ASSERT_EQ(calls.size(), 8u);
    EXPECT_EQ(calls[3], (Call{Op::Fill, 5760, 0, 7680, 11520, RGB(255, 255, 0)}));
}

class RampPixels : public testing::TestWithParam<std::tuple<RampCase, std::pair<int, int>, float>> {};

// No sentinel left; in every pixel column each band is one flat colour, all
// bands show the same step of the table, steps never go back from left to
// right, and every step shows once the window is as many pixels wide.
TEST_P(RampPixels, EveryColumnIsOneStepFlatInEachBand)
{
    const auto &[c, size, tpp] = GetParam();
    const auto [w, h] = size;
    PatternState s = stateFor(c.mode, w, h, tpp, tpp);
    s.nbBox = std::int16_t(c.nbBox);
    s.halfMode = std::int16_t(c.halfMode);
    const Image img = render(s, w, h);
    ASSERT_EQ(img.count(kSentinel), 0u);

    const auto bands = bandsOf(c.mode, s.formHeight);
    std::vector<int> rows; // first row of each band; the lower band owns a shared row
    for (const Band &b : bands)
        rows.push_back(int(std::clamp<std::int64_t>(RasterSurface::toPixel(float(b.top), tpp), 0, h)));
    rows.push_back(h);

    const int n = stepCount(c);
    std::set<int> seen;
    int step = 0;
    for (int x = 0; x < w; ++x) {
        const auto shows = [&](int i) {
            for (std::size_t b = 0; b < bands.size(); ++b)
                for (int y = rows[b]; y < rows[b + 1]; ++y)
                    if (img.at(x, y) != RasterSurface::pixelOf(expectedColour(c, i, bands[b])))
                        return false;
            return true;
        };
        while (step < n && !shows(step))
            ++step;
        ASSERT_LT(step, n) << "column " << x << " is not one step, or steps go back";
        seen.insert(step);
    }
    if (w >= n) {
        EXPECT_EQ(int(seen.size()), n);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RampPixels,
                         testing::Combine(testing::ValuesIn(kRampCases),
                                          testing::Values(std::pair{1, 1}, std::pair{97, 61}, std::pair{1001, 7}),
                                          testing::Values(15.0f, 12.0f, 7.5f)));

} // namespace
