#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tintoral;
using namespace tintoral::test;

namespace {

const std::uint32_t kRed = px(255, 0, 0);

// The set pixels of an image, as "x,y" for readable failures.
std::vector<std::pair<int, int>> lit(const Image &img, std::uint32_t p)
{
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            if (img.at(x, y) == p)
                out.emplace_back(x, y);
    return out;
}

TEST(Colour, RgbPacksRedLowBlueHigh)
{
    EXPECT_EQ(RGB(255, 0, 0), 255);
    EXPECT_EQ(RGB(0, 0, 255), 16711680);
    EXPECT_EQ(RGB(1, 1, 1), 65793);
    EXPECT_EQ(RasterSurface::pixelOf(RGB(1, 2, 3)), 0xff010203u);
}

TEST(PixelMapping, RoundsHalfUpInDoubleAndClamps)
{
    EXPECT_EQ(RasterSurface::toPixel(0.0f, 15.0), 0);
    EXPECT_EQ(RasterSurface::toPixel(7.4f, 15.0), 0);
    EXPECT_EQ(RasterSurface::toPixel(7.5f, 15.0), 1);   // 0.5 rounds up
    EXPECT_EQ(RasterSurface::toPixel(-7.5f, 15.0), 0);  // -0.5 rounds up too
    EXPECT_EQ(RasterSurface::toPixel(-7.6f, 15.0), -1);
    EXPECT_EQ(RasterSurface::toPixel(15345.0f, 15.0), 1023);
    EXPECT_EQ(RasterSurface::toPixel(11.25f, 7.5), 2); // 1.5 -> 2
    EXPECT_EQ(RasterSurface::toPixel(1e30f, 15.0), RasterSurface::kCoordinateLimit);
    EXPECT_EQ(RasterSurface::toPixel(-1e30f, 15.0), -RasterSurface::kCoordinateLimit);
    EXPECT_EQ(RasterSurface::toPixel(std::numeric_limits<float>::infinity(), 15.0),
              RasterSurface::kCoordinateLimit);
    EXPECT_EQ(RasterSurface::toPixel(std::nanf(""), 15.0), -RasterSurface::kCoordinateLimit);
}

TEST(FilledBox, OnePointIsOnePixelAndCornersAreIncluded)
{
    Image img(8, 6);
    auto s = img.surface();
    s.fillBox(30, 45, 30, 45, RGB(255, 0, 0));
    s.finish();
    EXPECT_EQ(lit(img, kRed), (std::vector<std::pair<int, int>>{{2, 3}}));

    Image box(8, 6);
    auto bs = box.surface();
    bs.fillBox(75, 60, 15, 15, RGB(255, 0, 0)); // corners in any order
    bs.finish();
    EXPECT_EQ(box.count(kRed), 5u * 4u);
    EXPECT_EQ(box.at(1, 1), kRed);
    EXPECT_EQ(box.at(5, 4), kRed);
    EXPECT_EQ(box.at(0, 0), kSentinel);
    EXPECT_EQ(box.at(6, 4), kSentinel);
}

TEST(FilledBox, WholeWindowCoversEveryPixelAndFarOutsideClips)
{
    Image img(17, 9);
    auto s = img.surface();
    s.fillBox(0, 0, 17 * 15, 9 * 15, RGB(0, 255, 0));
    s.finish();
    EXPECT_EQ(img.count(px(0, 255, 0)), img.pixels.size());

    Image far(5, 5);
    auto fs = far.surface();
    fs.fillBox(-1e30f, -1e30f, 1e30f, 1e30f, RGB(255, 0, 0));
    fs.finish();
    EXPECT_EQ(far.count(kRed), 25u);
    fs.fillBox(1e6f, 0, 2e6f, 60, RGB(0, 0, 255)); // wholly right of the image
    fs.fillBox(0, -2e6f, 60, -1e6f, RGB(0, 0, 255)); // wholly above it
    fs.finish();
    EXPECT_EQ(far.count(kRed), 25u);
}

TEST(BoxOutline, RunsAlongTheOutermostPixels)
{
    Image img(10, 7);
    auto s = img.surface();
    s.box(0, 0, 9 * 15, 6 * 15, RGB(255, 0, 0));
    s.finish();
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool edge = x == 0 || y == 0 || x == 9 || y == 6;
            EXPECT_EQ(img.at(x, y), edge ? kRed : kSentinel) << x << "," << y;
        }
}

TEST(BoxOutline, ClippedSidesStillDrawWhatIsVisible)
{
    Image img(6, 6);
    auto s = img.surface();
    s.box(-30, 30, 1e7f, 45, RGB(255, 0, 0)); // two rows tall, far wider than the image
    s.finish();
    EXPECT_EQ(lit(img, kRed).size(), 12u);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(img.at(x, 2), kRed);
        EXPECT_EQ(img.at(x, 3), kRed);
    }
}

TEST(Line, BothEndsAndOnePixelPerColumnOrRow)
{
    Image img(20, 10);
    auto s = img.surface();
    s.line(0, 0, 19 * 15, 4 * 15, RGB(255, 0, 0)); // shallow: one pixel per column
    s.finish();
    const auto pts = lit(img, kRed);
    ASSERT_EQ(pts.size(), 20u);
    for (int x = 0; x < 20; ++x) {
        const int y = int(std::floor(x * 4.0 / 19.0 + 0.5));
        EXPECT_EQ(img.at(x, y), kRed) << "column " << x;
    }

    Image steep(10, 20);
    auto ss = steep.surface();
    ss.line(4 * 15, 19 * 15, 0, 0, RGB(255, 0, 0)); // steep, drawn bottom to top
    ss.finish();
    ASSERT_EQ(lit(steep, kRed).size(), 20u);
    EXPECT_EQ(steep.at(0, 0), kRed);
    EXPECT_EQ(steep.at(4, 19), kRed);
    for (int y = 0; y < 20; ++y) {
        const int x = 4 + int(std::floor((y - 19) * -4.0 / -19.0 + 0.5));
        EXPECT_EQ(steep.at(x, y), kRed) << "row " << y;
    }
}

TEST(Line, PointDiagonalAndClipping)
{
    Image img(8, 8);
    auto s = img.surface();
    s.line(45, 45, 45, 45, RGB(255, 0, 0));
    s.finish();
    EXPECT_EQ(lit(img, kRed), (std::vector<std::pair<int, int>>{{3, 3}}));

    Image diag(8, 8);
    auto ds = diag.surface();
    ds.line(-1e4f, -1e4f, 1e4f, 1e4f, RGB(255, 0, 0)); // through the image corner to corner
    ds.finish();
    EXPECT_EQ(diag.count(kRed), 8u);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(diag.at(i, i), kRed);

    Image far(8, 8);
    auto fs = far.surface();
    fs.line(-1e30f, 30, 1e30f, 30, RGB(255, 0, 0)); // horizontal, ends far away
    fs.line(1e9f, -1e9f, 1e9f, 1e9f, RGB(0, 0, 255)); // vertical, wholly right
    fs.finish();
    EXPECT_EQ(far.count(kRed), 8u);
    EXPECT_EQ(far.count(px(0, 0, 255)), 0u);
}

TEST(Circle, ClosedRingWithoutGapsAtAnyRadius)
{
    for (int r : {0, 1, 2, 5, 13, 40}) {
        const int size = 2 * r + 5;
        Image img(size, size);
        auto s = img.surface();
        const int c = size / 2;
        s.circle(c * 15.0f, c * 15.0f, r * 15.0f, RGB(255, 0, 0));
        const auto pts = lit(img, kRed);
        ASSERT_FALSE(pts.empty());
        for (auto [x, y] : pts) {
            // every pixel lies on the ring (within half a pixel of the radius, plus rounding)
            const double d = std::hypot(x - c, y - c);
            EXPECT_LE(std::abs(d - r), 0.75) << "r=" << r << " at " << x << "," << y;
            // and has a lit neighbour in its 8-neighbourhood (no isolated pixels, no gaps)
            if (r > 0) {
                int neighbours = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if ((dx || dy) && img.at(x + dx, y + dy) == kRed)
                            ++neighbours;
                EXPECT_GE(neighbours, 2) << "r=" << r << " gap at " << x << "," << y;
            }
        }
        // the four extremes are lit
        EXPECT_EQ(img.at(c + r, c), kRed);
        EXPECT_EQ(img.at(c - r, c), kRed);
        EXPECT_EQ(img.at(c, c + r), kRed);
        EXPECT_EQ(img.at(c, c - r), kRed);
        if (r == 0) {
            EXPECT_EQ(pts.size(), 1u);
        }
    }
}

TEST(Circle, NegativeRadiusDrawsNothingAndHugeOnesClip)
{
    Image img(16, 16);
    auto s = img.surface();
    s.circle(120, 120, -15, RGB(255, 0, 0));
    EXPECT_EQ(img.count(kRed), 0u);
    // centred far away with a radius that passes through the image: only in-image pixels
    s.circle(-1e6f, 120, 1e6f + 60, RGB(255, 0, 0));
    EXPECT_GT(img.count(kRed), 0u);
    EXPECT_EQ(img.at(4, 8), kRed);
    s.circle(0, 0, 1e30f, RGB(0, 255, 0)); // ends without touching the image
    EXPECT_EQ(img.count(px(0, 255, 0)), 0u);
}

TEST(Circle, UnequalTwipsPerPixelGivesAnEllipseInPixels)
{
    Image img(41, 41);
    auto s = img.surface(15.0, 30.0); // pixels twice as tall as wide
    s.circle(20 * 15.0f, 20 * 30.0f, 300.0f, RGB(255, 0, 0));
    EXPECT_EQ(img.at(40, 20), kRed); // RX = 20
    EXPECT_EQ(img.at(20, 30), kRed); // RY = 10
    EXPECT_EQ(img.at(20, 40), kSentinel);
}

} // namespace
