// SPDX-License-Identifier: MIT
#include "synthetic.h"

#include "platform/raster_surface.h"

#include <string>

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
};
constexpr Shape kShapes[] = {
    {"vertical-grating-2px", verticalGrating},
    {"horizontal-grating-2px", horizontalGrating},
    {"ramp-255", ramp255},
    {"diamonds-70", diamonds},
};

void measure(benchmark::State &st, FrameSize size, Draw draw)
{
    QImage &frame = frameFor(size);
    for (auto _ : st) {
        RasterSurface surface(pixelsOf(frame), size.width, size.height, strideOf(frame), kT, kT,
                              workspace());
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
    }
    return out;
}

} // namespace tintoral::bench
