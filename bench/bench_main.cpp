// Redraw cost of the test patterns through the raster surface, against the
// floor of writing every pixel of the frame once, measured in the same run.
#include "pattern_window/mode_table.h"
#include "platform/raster_surface.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

using namespace tintoral;

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

void floorMemset(benchmark::State &st)
{
    std::vector<std::uint32_t> frame(std::size_t(kWidth) * kHeight);
    for (auto _ : st) {
        std::memset(frame.data(), 0xff, frame.size() * sizeof frame[0]);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(floorMemset)->Name("floor/3840x2160")->Unit(benchmark::kMicrosecond);

void renderWhite(benchmark::State &st)
{
    std::vector<std::uint32_t> frame(std::size_t(kWidth) * kHeight);
    PatternState s;
    s.currentMode = 3;
    s.formWidth = kWidth * 15.0f;
    s.formHeight = kHeight * 15.0f;
    for (auto _ : st) {
        RasterSurface surface(frame.data(), kWidth, kHeight, kWidth, 15.0, 15.0);
        drawMode(s, surface);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(renderWhite)->Name("render/3/3840x2160")->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
