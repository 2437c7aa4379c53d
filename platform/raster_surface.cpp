#include "platform/raster_surface.h"

#include <algorithm>
#include <cmath>

namespace tintoral {

namespace {
using std::int64_t;

struct Span {
    int64_t lo, hi; // both included; empty when lo > hi
    bool empty() const { return lo > hi; }
};

// The part of [min(a, b), max(a, b)] that lies in [0, size).
Span clip(int64_t a, int64_t b, int size)
{
    return {std::max<int64_t>(std::min(a, b), 0), std::min<int64_t>(std::max(a, b), size - 1)};
}

int64_t roundToPixel(double v) { return static_cast<int64_t>(std::floor(v + 0.5)); }
} // namespace

RasterSurface::RasterSurface(std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride,
                             double twipsPerPixelX, double twipsPerPixelY)
    : pixels_(pixels), width_(std::max(width, 0)), height_(std::max(height, 0)), stride_(stride),
      tx_(twipsPerPixelX), ty_(twipsPerPixelY)
{
}

int64_t RasterSurface::toPixel(double twips, double twipsPerPixel)
{
    const double v = std::floor(twips / twipsPerPixel + 0.5);
    const double limit = static_cast<double>(kCoordinateLimit);
    if (!(v >= -limit)) // also catches NaN
        return -kCoordinateLimit;
    if (v > limit)
        return kCoordinateLimit;
    return static_cast<int64_t>(v);
}

void RasterSurface::plot(int64_t x, int64_t y, std::uint32_t p) const
{
    if (x >= 0 && x < width_ && y >= 0 && y < height_)
        row(y)[x] = p;
}

void RasterSurface::horizontalRun(int64_t y, int64_t xa, int64_t xb, std::uint32_t p) const
{
    const Span s = clip(xa, xb, width_);
    if (y < 0 || y >= height_ || s.empty())
        return;
    std::fill_n(row(y) + s.lo, s.hi - s.lo + 1, p);
}

void RasterSurface::verticalRun(int64_t x, int64_t ya, int64_t yb, std::uint32_t p) const
{
    const Span s = clip(ya, yb, height_);
    if (x < 0 || x >= width_ || s.empty())
        return;
    for (int64_t y = s.lo; y <= s.hi; ++y)
        row(y)[x] = p;
}

void RasterSurface::fillRect(int64_t x1, int64_t y1, int64_t x2, int64_t y2, std::uint32_t p) const
{
    const Span xs = clip(x1, x2, width_);
    const Span ys = clip(y1, y2, height_);
    if (xs.empty() || ys.empty())
        return;
    const int64_t n = xs.hi - xs.lo + 1;
    for (int64_t y = ys.lo; y <= ys.hi; ++y)
        std::fill_n(row(y) + xs.lo, n, p);
}

void RasterSurface::fillBox(float x1, float y1, float x2, float y2, Colour c)
{
    fillRect(toPixel(x1, tx_), toPixel(y1, ty_), toPixel(x2, tx_), toPixel(y2, ty_), pixelOf(c));
}

void RasterSurface::box(float x1, float y1, float x2, float y2, Colour c)
{
    const int64_t px1 = toPixel(x1, tx_), py1 = toPixel(y1, ty_);
    const int64_t px2 = toPixel(x2, tx_), py2 = toPixel(y2, ty_);
    const std::uint32_t p = pixelOf(c);
    horizontalRun(py1, px1, px2, p);
    horizontalRun(py2, px1, px2, p);
    verticalRun(px1, py1, py2, p);
    verticalRun(px2, py1, py2, p);
}

void RasterSurface::line(float x1f, float y1f, float x2f, float y2f, Colour c)
{
    const int64_t x1 = toPixel(x1f, tx_), y1 = toPixel(y1f, ty_);
    const int64_t x2 = toPixel(x2f, tx_), y2 = toPixel(y2f, ty_);
    const int64_t dx = x2 - x1, dy = y2 - y1;
    const std::uint32_t p = pixelOf(c);

    if (dy == 0) {
        horizontalRun(y1, x1, x2, p);
    } else if (dx == 0) {
        verticalRun(x1, y1, y2, p);
    } else if (std::abs(dx) >= std::abs(dy)) {
        const Span xs = clip(x1, x2, width_);
        for (int64_t x = xs.lo; x <= xs.hi; ++x)
            plot(x, y1 + roundToPixel(double(x - x1) * double(dy) / double(dx)), p);
    } else {
        const Span ys = clip(y1, y2, height_);
        for (int64_t y = ys.lo; y <= ys.hi; ++y)
            plot(x1 + roundToPixel(double(y - y1) * double(dx) / double(dy)), y, p);
    }
}

void RasterSurface::circle(float xf, float yf, float rf, Colour c)
{
    if (!(rf >= 0.0f)) // a negative (or NaN) radius draws nothing
        return;
    const int64_t cx = toPixel(xf, tx_), cy = toPixel(yf, ty_);
    const int64_t rx = toPixel(rf, tx_), ry = toPixel(rf, ty_);
    const std::uint32_t p = pixelOf(c);

    // For every dx in -rx..rx the points (cx +- dx, cy +- dy). Only the dx
    // whose columns cx + dx or cx - dx lie on the image are visited, so a
    // huge circle costs no more than the image is wide.
    const auto offset = [](int64_t a, int64_t ra, int64_t rb) -> int64_t {
        if (ra == 0)
            return 0;
        const double q = double(ra) * double(ra) - double(a) * double(a);
        return roundToPixel(double(rb) * std::sqrt(q) / double(ra));
    };
    const Span right = {std::max<int64_t>(0, -cx), std::min<int64_t>(rx, width_ - 1 - cx)};
    for (int64_t dx = right.lo; dx <= right.hi; ++dx) {
        const int64_t dy = offset(dx, rx, ry);
        plot(cx + dx, cy + dy, p);
        plot(cx + dx, cy - dy, p);
    }
    const Span left = {std::max<int64_t>(0, cx - (width_ - 1)), std::min<int64_t>(rx, cx)};
    for (int64_t dx = left.lo; dx <= left.hi; ++dx) {
        const int64_t dy = offset(dx, rx, ry);
        plot(cx - dx, cy + dy, p);
        plot(cx - dx, cy - dy, p);
    }
    // And for every dy in -ry..ry the points (cx +- dx, cy +- dy), which
    // closes the gaps where the circle runs steeply.
    const Span down = {std::max<int64_t>(0, -cy), std::min<int64_t>(ry, height_ - 1 - cy)};
    for (int64_t dy = down.lo; dy <= down.hi; ++dy) {
        const int64_t dx = offset(dy, ry, rx);
        plot(cx + dx, cy + dy, p);
        plot(cx - dx, cy + dy, p);
    }
    const Span up = {std::max<int64_t>(0, cy - (height_ - 1)), std::min<int64_t>(ry, cy)};
    for (int64_t dy = up.lo; dy <= up.hi; ++dy) {
        const int64_t dx = offset(dy, ry, rx);
        plot(cx + dx, cy - dy, p);
        plot(cx - dx, cy - dy, p);
    }
}

} // namespace tintoral
