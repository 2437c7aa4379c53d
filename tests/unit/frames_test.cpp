// Whole frames against tests/golden/frames.txt: each row is a render-tool
// command line, read by the tool's own parser and drawn by the renderers and
// the rasterizer into an image pre-filled with a value no pattern writes.
// "= DIGESTS" rows compare a digest of every pixel row; "@ X,Y RRGGBB" rows a
// worked pixel; rows starting "tool" also run tintoral-render itself, whose
// listing must be the renderers' calls and its PNG the frame (black where
// nothing is drawn). `make golden` rewrites the digests after a wanted change.
#include "pattern_window/mode_table.h"
#include "platform/raster_surface.h"
#include "platform/recording_surface.h"
#include "tools/render_options.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>

namespace {

using namespace tintoral;
constexpr std::uint32_t kUndrawn = 0x00123456u;

std::string run(const std::string &command)
{
    std::string out;
    FILE *pipe = ::popen(command.c_str(), "r");
    for (int c; (c = std::fgetc(pipe)) != EOF;)
        out += char(c);
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return out;
}

// One FNV-1a hash per pixel row, a run of equal rows written once as HASH*COUNT.
std::string digest(const std::vector<std::uint32_t> &pixels, int width)
{
    std::vector<std::pair<std::uint32_t, int>> runs;
    for (std::size_t y = 0; y * width < pixels.size(); ++y) {
        std::uint32_t h = 2166136261u;
        for (int x = 0; x < width; ++x)
            h = (h ^ pixels[y * width + x]) * 16777619u;
        runs.empty() || runs.back().first != h ? void(runs.emplace_back(h, 1)) : void(++runs.back().second);
    }
    std::string out;
    for (const auto &[h, n] : runs)
        out += (out.empty() ? "" : " ") + (std::ostringstream() << std::hex << h).str() + (n > 1 ? "*" + std::to_string(n) : "");
    return out;
}

std::vector<std::string> rows(const std::string &digests) // one hash per pixel row
{
    std::vector<std::string> out;
    std::istringstream in(digests);
    for (std::string w; in >> w;)
        out.insert(out.end(), w.find('*') == w.npos ? 1 : std::stoi(w.substr(w.find('*') + 1)), w.substr(0, w.find('*')));
    return out;
}

TEST(Frames, EveryRowAsRecorded)
{
    const bool rewrite = std::getenv("TINTORAL_WRITE_GOLDEN") != nullptr;
    std::ifstream in(TINTORAL_GOLDEN_FRAMES);
    ASSERT_TRUE(in) << TINTORAL_GOLDEN_FRAMES;
    std::string kept;
    for (std::string line; std::getline(in, line); kept += line + "\n") {
        const auto at = line.find_first_of("=@");
        if (line.empty() || line[0] == '#' || at == line.npos)
            continue;
        SCOPED_TRACE(line);
        const bool tool = line.rfind("tool ", 0) == 0;
        std::istringstream words(line.substr(tool ? 5 : 0, at - (tool ? 5 : 0)));
        std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
        const ParseResult parsed = parseRenderArguments([&] { auto a = args; a.insert(a.end(), {"--list", "-"}); return a; }());
        ASSERT_TRUE(parsed.ok) << parsed.error;
        const auto &[state, w, h, list, png, help, version] = parsed.options;
        std::vector<std::uint32_t> image(std::size_t(w) * h, kUndrawn);
        RasterSurface surface(image.data(), w, h, w, state.twipsPerPixelX, state.twipsPerPixelY);
        PatternState drawn = state;
        drawMode(drawn, surface);
        surface.finish();
        if (line[at] == '@') {
            int x = 0, y = 0;
            char comma;
            std::string want;
            std::istringstream(line.substr(at + 1)) >> x >> comma >> y >> want;
            EXPECT_EQ((std::ostringstream() << std::setfill('0') << std::setw(6) << std::hex << (image.at(std::size_t(y) * w + x) & 0xffffff)).str(), want);
        } else if (const std::string got = digest(image, w), want = line.substr(std::min(at + 2, line.size())); rewrite) {
            line = line.substr(0, at) + "= " + got;
        } else if (got != want) {
            const auto a = rows(want), b = rows(got);
            std::size_t y = 0;
            while (y < a.size() && y < b.size() && a[y] == b[y])
                ++y;
            ADD_FAILURE() << "the frame (" << w << "x" << h << ") differs from pixel row " << y << " on (" << a.size()
                          << " rows recorded); if the change is wanted, run `make golden` and review the diff";
        }
        if (!tool)
            continue;
        std::string cmd = TINTORAL_RENDER_EXE;
        for (const std::string &a : args)
            cmd += " '" + a + "'";
        RecordingSurface recorder;
        drawn = state;
        drawMode(drawn, recorder);
        std::string calls;
        for (const auto &call : recorder.calls())
            calls += RecordingSurface::format(call) + "\n";
        EXPECT_EQ(run(cmd + " --list -"), calls);
        const std::string bytes = run(cmd + " --png -");
        EXPECT_EQ(bytes.substr(24, 2), "\x08\x02") << "IHDR: bit depth 8, colour type RGB";
        const QImage shown = QImage::fromData(QByteArray::fromStdString(bytes), "PNG");
        ASSERT_EQ(shown.size(), QSize(w, h));
        for (std::size_t i = 0; i < image.size(); ++i)
            ASSERT_EQ(shown.pixel(int(i % w), int(i / w)), image[i] == kUndrawn ? 0xff000000u : image[i]) << "pixel " << i;
    }
    if (rewrite)
        std::ofstream(TINTORAL_GOLDEN_FRAMES) << kept;
}

} // namespace
