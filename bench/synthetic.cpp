#include "synthetic.h"

#include "platform/raster_surface.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace tintoral::bench {

namespace {

using Draw = void (*)(DrawingSurface &, double w, double h);

constexpr Colour kBlack = RGB(0, 0, 0);
constexpr Colour kWhite = RGB(255, 255, 255);
constexpr double kT = kTwipsPerPixel;

// A black frame, then one-pixel lines every other pixel column.
void verticalGrating(DrawingSurface &d, double w, double h)
{
    d.fillBox(0.0f, 0.0f, float(w), float(h), kBlack);
    for (double x = 0.0; x < w; x += 2 * kT)
        d.line(float(x), 0.0f, float(x), float(h), kWhite);
}

// A black frame, then one-pixel lines every other pixel row.
void horizontalGrating(DrawingSurface &d, double w, double h)
{
    d.fillBox(0.0f, 0.0f, float(w), float(h), kBlack);
    for (double y = 0.0; y < h; y += 2 * kT)
        d.line(0.0f, float(y), float(w), float(y), kWhite);
}

// 255 steps, each a tall narrow box in the upper half and one in the lower.
void ramp255(DrawingSurface &d, double w, double h)
{
    const int n = 255;
    const double step = w / n;
    for (int i = 0; i < n; ++i) {
        d.fillBox(float(i * step), 0.0f, float((i + 1) * step), float(h / 2), RGB(i, i, i));
        d.fillBox(float(i * step), float(h / 2), float((i + 1) * step), float(h), RGB(255 - i, 0, 0));
    }
}

// A black frame, then a lattice of diamonds 70 to the width: short diagonals.
void diamonds(DrawingSurface &d, double w, double h)
{
    d.fillBox(0.0f, 0.0f, float(w), float(h), kBlack);
    const double s = (w - kT) / 70;
    for (double x = 0.0; x <= w; x += 3 * s)
        for (double y = 0.0; y <= h; y += 3 * s) {
            d.line(float(x + s), float(y + s), float(x + 2 * s), float(y), kWhite);
            d.line(float(x + s), float(y + s), float(x + 2 * s), float(y + 2 * s), kWhite);
            d.line(float(x + 2 * s), float(y), float(x + 3 * s), float(y + s), kWhite);
            d.line(float(x + 2 * s), float(y + 2 * s), float(x + 3 * s), float(y + s), kWhite);
        }
}

struct Shape {
    const char *name;
    Draw draw;
    bool upright; // only filled boxes and horizontal or vertical lines
};
constexpr Shape kShapes[] = {
    {"vertical-grating-2px", verticalGrating, true},
    {"horizontal-grating-2px", horizontalGrating, true},
    {"ramp-255", ramp255, true},
    {"diamonds-70", diamonds, false},
};

// The calls of an upright shape as clipped pixel rectangles, mapped by the
// raster surface's own rule.
class RectCollector final : public DrawingSurface {
public:
    struct Rect {
        std::int64_t x0, y0, x1, y1;
        std::uint32_t p;
    };
    RectCollector(int w, int h) : w_(w), h_(h) {}
    void fillBox(float x1, float y1, float x2, float y2, Colour c) override { add(x1, y1, x2, y2, c); }
    void line(float x1, float y1, float x2, float y2, Colour c) override { add(x1, y1, x2, y2, c); }
    void box(float, float, float, float, Colour) override {}
    void circle(float, float, float, Colour) override {}
    std::vector<Rect> rects;

private:
    void add(float x1, float y1, float x2, float y2, Colour c)
    {
        const auto px = [](float v) { return RasterSurface::toPixel(v, kT); };
        Rect r{std::max<std::int64_t>(0, std::min(px(x1), px(x2))),
               std::max<std::int64_t>(0, std::min(px(y1), px(y2))),
               std::min<std::int64_t>(w_ - 1, std::max(px(x1), px(x2))),
               std::min<std::int64_t>(h_ - 1, std::max(px(y1), px(y2))), RasterSurface::pixelOf(c)};
        if (r.x0 <= r.x1 && r.y0 <= r.y1)
            rects.push_back(r);
    }
    int w_, h_;
};

// What a surface that held the calls back and drew them row by row at the
// end of the redraw could reach: the same pixels, each row finished while it
// is in the cache, and a row that the same calls cover as the row above
// copied from it. Not a drawing path of the program; a bound to compare the
// per-call rasterizer with.
void drawRowOrder(Draw draw, FrameSize size, std::uint32_t *pixels, std::ptrdiff_t stride)
{
    RectCollector calls(size.width, size.height);
    draw(calls, size.width * kT, size.height * kT);
    // Rows where a call starts or ends; the calls that cover the current
    // row, in call order.
    const auto &rects = calls.rects;
    std::vector<std::vector<std::size_t>> starts(std::size_t(size.height));
    std::vector<bool> changes(std::size_t(size.height) + 1, false);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        starts[std::size_t(rects[i].y0)].push_back(i);
        changes[std::size_t(rects[i].y0)] = changes[std::size_t(rects[i].y1 + 1)] = true;
    }
    std::vector<std::size_t> active, merged;
    for (std::int64_t y = 0; y < size.height; ++y) {
        std::uint32_t *row = pixels + y * stride;
        if (y > 0 && !changes[std::size_t(y)]) {
            std::copy_n(row - stride, size.width, row);
            continue;
        }
        std::erase_if(active, [&](std::size_t i) { return rects[i].y1 < y; });
        merged.clear();
        std::merge(active.begin(), active.end(), starts[std::size_t(y)].begin(),
                   starts[std::size_t(y)].end(), std::back_inserter(merged));
        active.swap(merged);
        for (std::size_t i : active)
            std::fill(row + rects[i].x0, row + rects[i].x1 + 1, rects[i].p);
    }
}

void measureRowOrder(benchmark::State &st, FrameSize size, Draw draw)
{
    QImage &frame = frameFor(size);
    std::uint32_t *pixels = pixelsOf(frame);
    const std::ptrdiff_t stride = strideOf(frame);
    // A bound only counts if it draws the very frame the surface draws.
    RasterSurface surface(pixels, size.width, size.height, stride, kT, kT);
    draw(surface, size.width * kT, size.height * kT);
    const QImage expected = frame.copy();
    frame.fill(0u);
    drawRowOrder(draw, size, pixels, stride);
    if (frame != expected) {
        st.SkipWithError("the row-order drawing differs from the raster surface's");
        return;
    }
    for (auto _ : st) {
        drawRowOrder(draw, size, pixels, stride);
        benchmark::ClobberMemory();
    }
}

void measure(benchmark::State &st, FrameSize size, Draw draw)
{
    QImage &frame = frameFor(size);
    for (auto _ : st) {
        RasterSurface surface(pixelsOf(frame), size.width, size.height, strideOf(frame), kT, kT);
        draw(surface, size.width * kT, size.height * kT);
        benchmark::ClobberMemory();
    }
}

} // namespace

std::vector<benchmark::internal::Benchmark *> registerSynthetic(FrameSize size)
{
    std::vector<benchmark::internal::Benchmark *> out;
    for (const Shape &shape : kShapes) {
        const std::string name = "synthetic/" + std::string(shape.name) + "/" + size.label();
        out.push_back(benchmark::RegisterBenchmark(name.c_str(), measure, size, shape.draw));
        if (shape.upright)
            out.push_back(benchmark::RegisterBenchmark((name + "/row-order-bound").c_str(),
                                                       measureRowOrder, size, shape.draw));
    }
    return out;
}

} // namespace tintoral::bench
