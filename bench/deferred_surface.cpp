#include "deferred_surface.h"

#include <algorithm>
#include <iterator>
#include <numeric>
#include <utility>

namespace tintoral::bench {

DeferredSurface::DeferredSurface(std::uint32_t *pixels, int width, int height, std::ptrdiff_t stride,
                                 double twipsPerPixelX, double twipsPerPixelY)
    : direct_(pixels, width, height, stride, twipsPerPixelX, twipsPerPixelY), pixels_(pixels),
      width_(std::max(width, 0)), height_(std::max(height, 0)), stride_(stride), tx_(twipsPerPixelX),
      ty_(twipsPerPixelY)
{
}

void DeferredSurface::hold(std::int64_t xa, std::int64_t ya, std::int64_t xb, std::int64_t yb,
                           std::uint32_t p)
{
    const Rect r{std::max<std::int64_t>(std::min(xa, xb), 0), std::max<std::int64_t>(std::min(ya, yb), 0),
                 std::min<std::int64_t>(std::max(xa, xb), width_ - 1),
                 std::min<std::int64_t>(std::max(ya, yb), height_ - 1), p};
    if (r.x0 <= r.x1 && r.y0 <= r.y1)
        held_.push_back(r);
}

void DeferredSurface::note(const Call &call)
{
    lastCall_ = call;
    ++callsHeld_;
}

void DeferredSurface::fillBox(float x1, float y1, float x2, float y2, Colour c)
{
    note({false, x1, y1, x2, y2, c});
    hold(RasterSurface::toPixel(x1, tx_), RasterSurface::toPixel(y1, ty_), RasterSurface::toPixel(x2, tx_),
         RasterSurface::toPixel(y2, ty_), RasterSurface::pixelOf(c));
}

void DeferredSurface::box(float x1, float y1, float x2, float y2, Colour c)
{
    const std::int64_t a = RasterSurface::toPixel(x1, tx_), b = RasterSurface::toPixel(y1, ty_);
    const std::int64_t d = RasterSurface::toPixel(x2, tx_), e = RasterSurface::toPixel(y2, ty_);
    const std::uint32_t p = RasterSurface::pixelOf(c);
    note({true, x1, y1, x2, y2, c});
    hold(a, b, d, b, p);
    hold(a, e, d, e, p);
    hold(a, b, a, e, p);
    hold(d, b, d, e, p);
}

void DeferredSurface::line(float x1, float y1, float x2, float y2, Colour c)
{
    const std::int64_t a = RasterSurface::toPixel(x1, tx_), b = RasterSurface::toPixel(y1, ty_);
    const std::int64_t d = RasterSurface::toPixel(x2, tx_), e = RasterSurface::toPixel(y2, ty_);
    if (a == d || b == e) {
        note({false, x1, y1, x2, y2, c}); // drawn as the filled box of its two ends
        hold(a, b, d, e, RasterSurface::pixelOf(c));
        return;
    }
    finish();
    direct_.line(x1, y1, x2, y2, c);
}

void DeferredSurface::circle(float x, float y, float r, Colour c)
{
    finish();
    direct_.circle(x, y, r, c);
}

void DeferredSurface::finish()
{
    const int calls = std::exchange(callsHeld_, 0);
    if (calls == 1) {
        held_.clear();
        if (lastCall_.outline)
            direct_.box(lastCall_.x1, lastCall_.y1, lastCall_.x2, lastCall_.y2, lastCall_.c);
        else
            direct_.fillBox(lastCall_.x1, lastCall_.y1, lastCall_.x2, lastCall_.y2, lastCall_.c);
        return;
    }
    if (held_.empty())
        return;
    const std::vector<Rect> &rects = held_;
    // The calls in the order their first rows come, ties in call order; the
    // rows where some call starts or ends.
    std::vector<std::size_t> byTop(rects.size());
    std::iota(byTop.begin(), byTop.end(), std::size_t{0});
    std::stable_sort(byTop.begin(), byTop.end(),
                     [&](std::size_t i, std::size_t j) { return rects[i].y0 < rects[j].y0; });
    std::vector<char> changes(std::size_t(height_) + 1, 0);
    std::int64_t last = 0;
    for (const Rect &r : rects) {
        changes[std::size_t(r.y0)] = changes[std::size_t(r.y1 + 1)] = 1;
        last = std::max(last, r.y1);
    }

    std::vector<std::size_t> active, merged, starting;
    std::vector<std::pair<std::int64_t, std::int64_t>> spans; // what the active calls cover
    std::size_t next = 0;
    for (std::int64_t y = rects[byTop[0]].y0; y <= last; ++y) {
        std::uint32_t *row = pixels_ + y * stride_;
        if (!changes[std::size_t(y)]) {
            for (const auto &[lo, hi] : spans)
                std::copy_n(row - stride_ + lo, hi - lo + 1, row + lo);
            continue;
        }
        std::erase_if(active, [&](std::size_t i) { return rects[i].y1 < y; });
        starting.clear();
        for (; next < byTop.size() && rects[byTop[next]].y0 == y; ++next)
            starting.push_back(byTop[next]);
        merged.clear();
        std::merge(active.begin(), active.end(), starting.begin(), starting.end(),
                   std::back_inserter(merged));
        active.swap(merged);

        spans.clear();
        for (std::size_t i : active) {
            std::fill_n(row + rects[i].x0, rects[i].x1 - rects[i].x0 + 1, rects[i].p);
            spans.emplace_back(rects[i].x0, rects[i].x1);
        }
        std::sort(spans.begin(), spans.end());
        std::size_t kept = 0;
        for (const auto &s : spans) {
            if (kept > 0 && s.first <= spans[kept - 1].second + 1)
                spans[kept - 1].second = std::max(spans[kept - 1].second, s.second);
            else
                spans[kept++] = s;
        }
        spans.resize(kept);
    }
    held_.clear();
}

} // namespace tintoral::bench
