#pragma once

#include "platform/raster_surface.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tintoral::bench {

// A prototype to measure, not a drawing path of the program: a surface that
// holds back the upright primitives (filled boxes, box outlines, horizontal
// and vertical lines) and draws them row by row when finished, each row
// complete while it is in the cache, and a row that the same calls cover as
// the row above copied from it. Slanted lines and circles first draw what is
// held, then go straight to a raster surface, so the order of the calls and
// thus every pixel stay as the raster surface draws them. Unlike the raster
// surface, the image is complete only after finish() (or destruction).
class DeferredSurface final : public DrawingSurface {
public:
    DeferredSurface(std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride,
                    double twipsPerPixelX, double twipsPerPixelY);
    ~DeferredSurface() override { finish(); }

    void fillBox(float x1, float y1, float x2, float y2, Colour c) override;
    void box(float x1, float y1, float x2, float y2, Colour c) override;
    void line(float x1, float y1, float x2, float y2, Colour c) override;
    void circle(float x, float y, float r, Colour c) override;

    void finish();

private:
    struct Rect {
        std::int64_t x0, y0, x1, y1; // clipped, both corners included
        std::uint32_t p;
    };
    void hold(std::int64_t xa, std::int64_t ya, std::int64_t xb, std::int64_t yb, std::uint32_t p);
    // A lone held call is drawn by the raster surface: row order gains nothing there.
    struct Call {
        bool outline;
        float x1, y1, x2, y2;
        Colour c;
    };
    void note(const Call &call);

    RasterSurface direct_;
    std::uint32_t *pixels_;
    int width_, height_;
    std::ptrdiff_t stride_;
    double tx_, ty_;
    std::vector<Rect> held_;
    Call lastCall_{};
    int callsHeld_ = 0;
};

} // namespace tintoral::bench
