#pragma once

#include "platform/drawing_surface.h"

#include <cstddef>
#include <cstdint>

namespace tintoral {

// Draws into a 32-bit image (0xffRRGGBB per pixel, the layout of
// QImage::Format_RGB32) in device pixels. The one place where twips become
// pixels:
//   column = floor(x / TX + 0.5), row = floor(y / TY + 0.5)
// computed in double precision and clamped to +-kCoordinateLimit. Every
// written pixel gets exactly the colour asked for: no blending, no
// antialiasing. Each primitive clips once and then writes whole runs.
class RasterSurface final : public DrawingSurface {
public:
    // Far beyond any screen, and small enough that the products in the line
    // and circle rules stay exact in double precision.
    static constexpr std::int64_t kCoordinateLimit = std::int64_t{1} << 25;

    // `stride` is the distance between rows, in pixels.
    RasterSurface(std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride,
                  double twipsPerPixelX, double twipsPerPixelY);

    void fillBox(float x1, float y1, float x2, float y2, Colour c) override;
    void box(float x1, float y1, float x2, float y2, Colour c) override;
    void line(float x1, float y1, float x2, float y2, Colour c) override;
    void circle(float x, float y, float r, Colour c) override;

    static std::uint32_t pixelOf(Colour c)
    {
        return 0xff000000u | (std::uint32_t(redOf(c)) << 16) | (std::uint32_t(greenOf(c)) << 8)
               | std::uint32_t(blueOf(c));
    }
    // floor(twips / twipsPerPixel + 0.5), clamped; NaN goes to -kCoordinateLimit.
    static std::int64_t toPixel(double twips, double twipsPerPixel);

    int width() const { return width_; }
    int height() const { return height_; }

private:
    std::uint32_t *row(std::int64_t y) const { return pixels_ + y * stride_; }
    void plot(std::int64_t x, std::int64_t y, std::uint32_t p) const;
    // Runs of pixels between two columns (rows), both included, in any order; clipped.
    void horizontalRun(std::int64_t y, std::int64_t xa, std::int64_t xb, std::uint32_t p) const;
    void verticalRun(std::int64_t x, std::int64_t ya, std::int64_t yb, std::uint32_t p);
    void fillRect(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                  std::uint32_t p);
    // A line that is neither horizontal nor vertical.
    void slantedLine(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                     std::uint32_t p) const;

    // Tall primitives walk their rows upwards or downwards, whichever end of
    // them was written more recently: a tall narrow box or a vertical line
    // beside the previous one then finds that one's last rows still cached
    // instead of each column evicting what the next one needs.
    static constexpr int kBands = 32;
    bool walkUpwards(std::int64_t top, std::int64_t bottom) const;
    void noteWalk(std::int64_t top, std::int64_t bottom, bool upwards);

    std::uint32_t *pixels_;
    int width_;
    int height_;
    std::ptrdiff_t stride_;
    double tx_;
    double ty_;
    int bandHeight_;
    std::uint64_t walks_ = 0;
    std::uint64_t bandWalk_[kBands] = {}; // when each band of rows was last walked
};

} // namespace tintoral
