// SPDX-License-Identifier: MIT
#pragma once

#include "platform/drawing_surface.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

namespace tintoral {

// Draws into a 32-bit image (0xffRRGGBB per pixel, the layout of
// QImage::Format_RGB32) in device pixels. The one place where twips become
// pixels:
//   column = floor(x / TX + 0.5), row = floor(y / TY + 0.5)
// computed in double precision and clamped to +-kCoordinateLimit. Every
// written pixel gets exactly the colour asked for: no blending, no
// antialiasing. Each primitive clips once and then writes whole runs.
//
// The image is complete only after finish(), which the destructor also calls.
// Filled boxes, box outlines and lines are held back and drawn row by row
// when the surface finishes, each row whole while it is in the cache: drawn
// at once, a full-height one-pixel line walks the frame in column order with
// a cache miss on every row. Rows under slanted lines go in small bands, each
// call drawn over the band in turn. A background over the whole image under
// calls that touch few rows, or short calls that cover few pixels, is filled
// at once, and those calls are then drawn each at once. An image far larger
// than the cache gets its rows composed in a small buffer and written once,
// by streaming stores; one that stays in the cache is drawn in place; in
// between, the workspace times both once per image size (see the
// constructor). A circle (or a line too long for exact integer steps) first
// draws what is held, so every pixel ends exactly as if each call had been
// drawn at once, in order.
class RasterSurface final : public DrawingSurface {
public:
    // Far beyond any screen, and small enough that the products in the line
    // and circle rules stay exact in double precision.
    static constexpr std::int64_t kCoordinateLimit = std::int64_t{1} << 25;

    // Room for the held-back calls, kept from one frame to the next: surfaces
    // made over each new frame with the same workspace allocate nothing once
    // it has served a frame of that height. One surface at a time uses it.
    class Workspace {
    public:
        // Boxes, box sides and lines held at most; a surface holding this
        // many draws them and goes on. Every pattern holds fewer on screens
        // up to 16000 pixels wide.
        static constexpr std::size_t kDefaultCapacity = 8192;
        // `cacheBytes` decides how rows reach an image (see the source): 0
        // streams them to every image, SIZE_MAX to none.
        explicit Workspace(std::size_t capacity = kDefaultCapacity, std::size_t cacheBytes = lastLevelCache());
        // The largest data cache this machine reports; 8 MiB when it reports none.
        static std::size_t lastLevelCache();
        // 8 pixels of a row: `right` in the lanes whose bits `lanes` sets
        // (bit k for pixel k), `left` in the others.
        struct Block {
            std::uint32_t left, right, lanes;
        };

    private:
        friend class RasterSurface;
        // A clipped box (both corners included), or the rows y0..y1 of the
        // slanted line walked by slants_ at the same index.
        struct Held {
            std::int32_t x0, y0, x1, y1;
            std::uint32_t p;
            bool slanted;
        };
        // A slanted line walked one row at a time, top row first: along its
        // major axis (x when shallow, else y) by `step`, at minor coordinate
        // n1 + k, k kept as quotient and remainder r of the exact rule.
        struct Slant {
            std::int32_t m, k, r, den, inc, n1, left; // `left`: pixels still to draw
            std::int8_t step;
            bool shallow;
        };
        struct Run {
            std::int32_t lo, hi;
            bool operator<(const Run &o) const { return lo < o.lo; }
        };
        void fitFrame(int width, int height);

        std::size_t capacity_;
        std::size_t cacheBytes_;
        std::size_t measuredBytes_ = 0; // the image size whose stores were timed,
        bool measuredStreamed_ = false; // and whether streaming won there
        // Room for capacity_ each, touched only as far as used.
        std::unique_ptr<Held[]> held_;        // in call order:
        std::size_t heldCount_ = 0;           // the first this many are held
        std::unique_ptr<Slant[]> slants_;     // a held line's walk, at its index
        std::vector<std::uint32_t> order_;    // held calls by first row, then call order
        std::vector<std::uint32_t> rowStart_; // counting sort of the first rows
        std::vector<std::uint8_t> rowSeen_;   // rows the held calls touch
        std::vector<std::uint32_t> active_, merged_; // calls on the current row, in call order
        std::vector<std::uint32_t> previous_, earlier_; // those of the last two groups of rows
        std::vector<Run> runs_;               // what the active calls cover
        std::vector<std::uint32_t> row_;      // a row being composed
        std::vector<Run> over_, overNext_;    // what its calls drew over its wide box
        std::vector<Block> blocks_;           // a repeated row as the blocks it is stored in
        std::vector<std::int32_t> offsets_;   // a circle's offsets, across then along
    };

    // `stride` is the distance between rows, in pixels. Without a workspace
    // the surface makes its own.
    RasterSurface(std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride,
                  double twipsPerPixelX, double twipsPerPixelY);
    RasterSurface(std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride,
                  double twipsPerPixelX, double twipsPerPixelY, Workspace &workspace);
    ~RasterSurface() override;
    RasterSurface(const RasterSurface &) = delete;
    RasterSurface &operator=(const RasterSurface &) = delete;

    void fillBox(float x1, float y1, float x2, float y2, Colour c) override;
    void box(float x1, float y1, float x2, float y2, Colour c) override;
    void line(float x1, float y1, float x2, float y2, Colour c) override;
    void circle(float x, float y, float r, Colour c) override;

    // Draws everything held back: from here on the image shows every call made.
    void finish();

    static std::uint32_t pixelOf(Colour c)
    {
        return 0xff000000u | (std::uint32_t(redOf(c)) << 16) | (std::uint32_t(greenOf(c)) << 8)
               | std::uint32_t(blueOf(c));
    }
    // floor(twips / twipsPerPixel + 0.5), clamped; NaN goes to -kCoordinateLimit.
    static std::int64_t toPixel(double twips, double twipsPerPixel);

    int width() const { return width_; }
    int height() const { return height_; }
    // How the rows reach the image, for reports: "ordinary stores",
    // "ordinary, repeated rows streamed" or "streaming stores".
    const char *storeKind() const;

private:
    RasterSurface(std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride,
                  double twipsPerPixelX, double twipsPerPixelY, Workspace *borrowed);
    std::uint32_t *row(std::int64_t y) const { return pixels_ + y * stride_; }
    // toPixel for each axis, as fast as it stays exact (see the source).
    static std::int64_t toPixelByInverse(double twips, double inverse, double twipsPerPixel);
    std::int64_t columnOf(double twips) const { return toPixelByInverse(twips, inverseX_, tx_); }
    std::int64_t rowOf(double twips) const { return toPixelByInverse(twips, inverseY_, ty_); }
    // columnOf(x) and rowOf(y), both in one pair of vector operations.
    struct Point {
        std::int64_t x, y;
    };
    Point pointOf(double x, double y) const;
    // 1 / t where that is a normal number, else NaN, which sends every
    // coordinate to the division.
    static double inverseOf(double t)
    {
        const double i = 1.0 / t;
        return std::isnormal(i) ? i : std::numeric_limits<double>::quiet_NaN();
    }
    // A held box from the first column to the last.
    bool acrossImage(const Workspace::Held &h) const { return !h.slanted && h.x0 == 0 && h.x1 == width_ - 1; }
    // A held box over the whole image.
    bool overImage(const Workspace::Held &h) const { return acrossImage(h) && h.y0 == 0 && h.y1 == height_ - 1; }
    // Every held call after the first is a dot, as fillBox held it, where
    // the first is a box (it is asked of a background only).
    bool dotsAfterFirst() const { return notDots_ == 1; }
    std::size_t imageBytes() const { return std::size_t(height_) * std::size_t(std::abs(stride_)) * sizeof *pixels_; }
    void plot(std::int64_t x, std::int64_t y, std::uint32_t p) const;
    // Holds back the rectangle between two corners, both included, in any order; clipped.
    void hold(std::int64_t xa, std::int64_t ya, std::int64_t xb, std::int64_t yb, std::uint32_t p);
    // Holds back a clipped item spanning rows y0..y1, a slanted line when
    // `slant` is given; room is made first.
    void holdRows(Workspace::Held item, const Workspace::Slant *slant = nullptr);
    // A clipped rectangle, drawn at once.
    void fillRect(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                  std::uint32_t p) const;
    // A held box's columns over the rows first .. end - 1.
    void fillHeldRows(const Workspace::Held &h, std::int64_t first, std::int64_t end) const;
    void drawHeldRowByRow();
    // heldTop_ and heldBottom_: the rows the held calls span.
    void spanHeldRows();
    // Rows from ..= last again as row `source`, which the active calls cover
    // alike; those before `shown` are hidden.
    void repeatRow(std::int64_t source, std::int64_t from, std::int64_t last, std::size_t shown);
    // Times a background `p` written both ways, once per image size, and
    // keeps the faster.
    void chooseStores(std::uint32_t p);
    // Draws what is held when it is boxes as wide as the image only, and
    // not too tall together; false, having drawn nothing, otherwise.
    bool drawAcrossOnly();
    // Whether the held calls after the first are few enough over it to be
    // drawn at once (see kSparseRows).
    bool fewOverBackground();
    // The first of the active calls that a row shows: those before the last
    // box as wide as the image are hidden by it. `across` is the number of
    // such boxes among them; `whole` tells whether the active boxes cover the
    // row from end to end.
    std::size_t firstShownCall(std::size_t across, bool &whole);
    // A line that is neither horizontal nor vertical.
    void slantedLine(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                     std::uint32_t p);
    // The pixels of a held slanted line on row y, which is its next row.
    // Returns the columns drawn.
    static Workspace::Run drawSlantRow(Workspace::Slant &s, std::uint32_t *row, std::uint32_t p);
    // Its rows first .. end - 1, which are its next ones.
    void walkRows(Workspace::Slant &s, std::int64_t first, std::int64_t end, std::uint32_t p) const;

    std::uint32_t *pixels_;
    int width_;
    int height_;
    std::ptrdiff_t stride_;
    double tx_;
    double ty_;
    double inverseX_, inverseY_; // 1 / tx_, 1 / ty_
    std::unique_ptr<Workspace> own_;
    Workspace &work_;
    std::int64_t heldTop_ = 0, heldBottom_ = 0; // rows the held calls span, for the row loop
    std::size_t notDots_ = 0;                   // held calls other than the dots fillBox holds
    // How rows reach the image: all by ordinary stores; by ordinary stores
    // but for rows that repeat a row of many calls, copied by streaming ones;
    // or all composed in the workspace and streamed.
    enum class Stores : std::uint8_t { ordinary, mixed, streamed };
    Stores stores_;
    bool timeStores_ = false; // an image in between whose stores are not timed yet
    std::int64_t bandRows_; // rows drawn together under slanted lines
};

} // namespace tintoral
