// SPDX-License-Identifier: MIT
// Redraw cost of every test pattern through the raster surface, at three
// screen sizes, against the floor of writing the frame once measured in the
// same run ("render/...", "floor/..."); the whole redraw path of the real
// window, from a key to the frame painted into the window, on Qt's offscreen
// platform ("redraw/..."); the costly shapes on their own ("synthetic/...").
// Run with `make bench`; --benchmark_out=FILE keeps the JSON.
#include "frames.h"
#include "redraw_table.h"
#include "synthetic.h"
#include "window_redraw.h"

#include "pattern_window/mode_table.h"
#include "platform/raster_surface.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace tintoral;
using namespace tintoral::bench;

namespace {

// The tuned states that cost most to draw, besides each test's defaults.
struct Tuning {
    std::int32_t code;
    const char *field;
    std::int16_t PatternState::*member;
    std::int16_t value;
};
constexpr Tuning kTunings[] = {
    {1, "nbBox", &PatternState::nbBox, 255},
    {9, "nbBox", &PatternState::nbBox, 255},
    {13, "nbBox", &PatternState::nbBox, 255},
    {19, "currentColor", &PatternState::currentColor, 4},
    {19, "currentColor", &PatternState::currentColor, 5},
    {19, "currentColor", &PatternState::currentColor, 6},
    {19, "currentColor", &PatternState::currentColor, 7},
    {20, "currentColor", &PatternState::currentColor, 4},
    {20, "currentColor", &PatternState::currentColor, 5},
    {20, "currentColor", &PatternState::currentColor, 6},
    {20, "currentColor", &PatternState::currentColor, 7},
    {14, "nbPoints", &PatternState::nbPoints, 70},
    {23, "nbPoints", &PatternState::nbPoints, 70},
    {24, "nbPoints", &PatternState::nbPoints, 70},
    {18, "nbBoxGeo", &PatternState::nbBoxGeo, 50},
};

using Clock = std::chrono::steady_clock;

// Every pixel of the frame by streaming stores, which write whole cache lines
// to memory without reading them first (SSE2, on every x86-64).
void streamFill(QImage &frame, std::uint32_t v)
{
    auto *p = reinterpret_cast<std::uint32_t *>(frame.bits());
    std::uint32_t *const end = p + frame.sizeInBytes() / 4;
#if defined(__SSE2__)
    for (; p != end && (reinterpret_cast<std::uintptr_t>(p) & 15) != 0; ++p)
        *p = v;
    const __m128i q = _mm_set1_epi32(static_cast<int>(v));
    for (; end - p >= 4; p += 4)
        _mm_stream_si128(reinterpret_cast<__m128i *>(p), q);
    _mm_sfence();
#endif
    std::fill(p, end, v);
}

// Writing every pixel of the frame once, the fastest way this machine has:
// the first time a size is measured, rounds of memset, QImage::fill and a
// streaming-store fill pick the method; then only that one is timed. Each is
// timed on a frame it has just written itself, as the timed loop finds it,
// and by the best of a few writes in a row: timed right after another
// method, memset found the frame out of the cache where the streaming fill
// had left it, and lost to QImage::fill at 1920 x 1080 (0.106 ms) though it
// writes a frame it keeps in the cache in 0.084.
void measureFloor(benchmark::State &st, FrameSize size)
{
    QImage &frame = frameFor(size);
    const struct {
        const char *name;
        void (*write)(QImage &);
    } methods[] = {
        {"memset", [](QImage &f) { std::memset(f.bits(), 0x40, std::size_t(f.sizeInBytes())); }},
        {"QImage::fill", [](QImage &f) { f.fill(0xff000000u); }},
        {"streaming stores", [](QImage &f) { streamFill(f, 0xff000000u); }},
    };
    static std::map<std::string, std::size_t> winners; // by size
    const auto [it, first] = winners.try_emplace(size.label(), 0);
    if (first) {
        double best[std::size(methods)];
        std::fill(std::begin(best), std::end(best), 1e30);
        for (int round = 0; round < 5; ++round)
            for (std::size_t m = 0; m < std::size(methods); ++m)
                for (int write = 0; write < 4; ++write) {
                    const auto start = Clock::now();
                    methods[m].write(frame);
                    benchmark::ClobberMemory();
                    if (write > 0)
                        best[m] = std::min(best[m], std::chrono::duration<double>(Clock::now() - start).count());
                }
        it->second = std::size_t(std::min_element(std::begin(best), std::end(best)) - std::begin(best));
    }
    st.SetLabel(methods[it->second].name);
    for (auto _ : st) {
        methods[it->second].write(frame);
        benchmark::ClobberMemory();
    }
}

void measureRedraw(benchmark::State &st, FrameSize size, PatternState state)
{
    QImage &frame = frameFor(size);
    for (auto _ : st) {
        PatternState s = state;
        RasterSurface surface(pixelsOf(frame), size.width, size.height, strideOf(frame),
                              s.twipsPerPixelX, s.twipsPerPixelY, workspace());
        drawMode(s, surface);
        surface.finish();
        benchmark::ClobberMemory();
    }
    // Decided by the first frame of this size (see RasterSurface).
    st.SetLabel(RasterSurface(pixelsOf(frame), size.width, size.height, strideOf(frame), state.twipsPerPixelX,
                              state.twipsPerPixelY, workspace())
                    .storeKind());
}

// The table reports the best repetition: on a machine shared with builds,
// the other runs measure the neighbours as much as the redraw.
void configure(benchmark::internal::Benchmark *b, FrameSize)
{
    b->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", [](const std::vector<double> &v) {
        return *std::min_element(v.begin(), v.end());
    });
}

// Each mode with its defaults, then the tuned states, as
// fn("<code>/<W>x<H>[/<field>=<value>]", state).
template <typename Fn>
void forEachRedraw(FrameSize size, Fn fn)
{
    for (const ModeEntry &mode : modeTable())
        fn(std::to_string(mode.code) + "/" + size.label(), stateFor(mode.code, size));
    for (const Tuning &t : kTunings) {
        PatternState s = stateFor(t.code, size);
        s.*t.member = t.value;
        fn(std::to_string(t.code) + "/" + size.label() + "/" + t.field + "=" + std::to_string(t.value), s);
    }
}

void registerAll()
{
    for (const FrameSize size : kSizes) {
        configure(benchmark::RegisterBenchmark(("floor/" + size.label()).c_str(), measureFloor, size),
                  size);
        forEachRedraw(size, [size](const std::string &name, const PatternState &state) {
            configure(benchmark::RegisterBenchmark(("render/" + name).c_str(), measureRedraw, size, state),
                      size);
        });
        forEachRedraw(size, [size](const std::string &name, const PatternState &state) {
            configure(benchmark::RegisterBenchmark(("redraw/" + name).c_str(), measureWindowRedraw, size,
                                                   state),
                      size);
        });
        for (benchmark::internal::Benchmark *b : registerSynthetic(size))
            configure(b, size);
    }
}

// Colour as --benchmark_color says ("auto" by default: on a terminal only).
benchmark::ConsoleReporter::OutputOptions consoleOptions(int argc, char **argv)
{
    std::string colour = "auto";
    const std::string flag = "--benchmark_color=";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], flag.c_str(), flag.size()) == 0)
            colour = argv[i] + flag.size();
    const bool on = colour == "auto" ? isatty(STDOUT_FILENO) != 0
                                     : colour == "true" || colour == "yes" || colour == "1";
    return on ? benchmark::ConsoleReporter::OO_ColorTabular : benchmark::ConsoleReporter::OO_Tabular;
}

} // namespace

int main(int argc, char **argv)
{
    // Enough samples for a steady figure while the whole run stays around two
    // minutes on a small machine, unless the command line says otherwise. Set
    // as default flags rather than per benchmark, so the names stay bare.
    std::vector<char *> args(argv, argv + argc);
    std::string defaults[] = {"--benchmark_min_time=0.1", "--benchmark_repetitions=3",
                              "--benchmark_display_aggregates_only=true"};
    for (std::string &flag : defaults) {
        const std::string key = flag.substr(0, flag.find('=') + 1);
        if (std::none_of(args.begin() + 1, args.end(),
                         [&](const char *a) { return std::strncmp(a, key.c_str(), key.size()) == 0; }))
            args.insert(args.begin() + 1, flag.data());
    }
    int count = int(args.size());
    args.push_back(nullptr);
    const auto app = startOffscreenApplication(count, args.data());
    RedrawTableReporter reporter(consoleOptions(count, args.data()));
    registerAll();
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    stopProgram();
    return 0;
}
