// SPDX-License-Identifier: MIT
#pragma once

#include "frames.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <memory>

namespace tintoral::bench {

// The application the window benchmarks run in: Qt's offscreen platform
// with one screen of each benchmark size, side by side, at 96 dpi and scale
// 1 (15 twips per pixel).
std::unique_ptr<QApplication> startOffscreenApplication(int &argc, char **argv);

// The whole redraw path of the real program: a key typed in the pattern
// window, through its handler and renderer, to the frame painted into the
// window, which covers the screen of `size` and shows `state`'s test.
void measureWindowRedraw(benchmark::State &st, FrameSize size, PatternState state);

// Closes the program's windows before the application goes.
void stopProgram();

} // namespace tintoral::bench
