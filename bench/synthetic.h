// SPDX-License-Identifier: MIT
#pragma once

#include "frames.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace tintoral::bench {

// Call sequences shaped like the costliest patterns, drawn straight onto the
// raster surface: they time the rasterizer's fast paths on their own, whatever
// the renderers do. Named "synthetic/<shape>/<W>x<H>".
std::vector<benchmark::internal::Benchmark *> registerSynthetic(FrameSize size);

} // namespace tintoral::bench
