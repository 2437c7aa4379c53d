#pragma once

#include "pattern_window/mode_table.h"
#include "pattern_window/pattern_state.h"
#include "platform/raster_surface.h"
#include "platform/recording_surface.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tintoral::test {

// A pixel value no renderer ever writes (its top byte is not 0xff), so any
// sentinel left in a rendered image is a pixel the pattern did not cover.
constexpr std::uint32_t kSentinel = 0x00123456u;

// A device-pixel image that a RasterSurface draws into.
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;

    Image(int w, int h, std::uint32_t fill = kSentinel) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    RasterSurface surface(double tx = 15.0, double ty = 15.0) { return {pixels.data(), width, height, width, tx, ty}; }
    // Pixels equal to p.
    std::size_t count(std::uint32_t p) const { return std::size_t(std::count(pixels.begin(), pixels.end(), p)); }
};

using Call = RecordingSurface::Call;
using Op = RecordingSurface::Op;

// The colour value as the raster surface writes it.
inline std::uint32_t px(int r, int g, int b) { return RasterSurface::pixelOf(RGB(r, g, b)); }

// The state the program has after its first paint of a window of w x h device
// pixels at tx, ty twips per pixel, showing `mode`.
PatternState stateFor(std::int32_t mode, int w, int h, float tx = 15.0f, float ty = 15.0f);

// Renders the state's mode through the raster surface into an image pre-filled
// with the sentinel.
Image render(PatternState s, int w, int h);

// The drawing calls of the state's mode.
std::vector<RecordingSurface::Call> record(PatternState s);

// Runs the render tool with the given arguments; returns its exit status and
// fills the captured standard output and error.
int runRenderTool(const std::vector<std::string> &args, std::string *out = nullptr,
                  std::string *err = nullptr);

} // namespace tintoral::test
