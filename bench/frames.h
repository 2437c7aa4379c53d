// SPDX-License-Identifier: MIT
#pragma once

#include "pattern_window/pattern_state.h"

#include "platform/raster_surface.h"

#include <QImage>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace tintoral::bench {

struct FrameSize {
    int width, height;
    std::string label() const { return std::to_string(width) + "x" + std::to_string(height); }
};

inline constexpr FrameSize kSizes[] = {{1920, 1080}, {3840, 2160}, {7680, 4320}};
inline constexpr double kTwipsPerPixel = 15.0;

// The frame every benchmark of one size draws into: a Format_RGB32 image kept
// across redraws, as the pattern window keeps its own, its pages touched once
// before the first measurement.
QImage &frameFor(FrameSize size);

inline std::uint32_t *pixelsOf(QImage &image) { return reinterpret_cast<std::uint32_t *>(image.bits()); }
inline std::ptrdiff_t strideOf(const QImage &image) { return image.bytesPerLine() / 4; }

// The rasterizer's workspace, kept across redraws as the pattern window keeps its own.
RasterSurface::Workspace &workspace();

// The pattern state after the first paint of a window of that size showing `mode`.
PatternState stateFor(std::int32_t mode, FrameSize size);

} // namespace tintoral::bench
