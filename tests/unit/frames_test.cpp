// Whole frames against tests/golden/frames.txt: each row is a render-tool
// command line, read by the tool's own parser and drawn by the renderers and
// the rasterizer into an image pre-filled with a value no pattern writes.
// "= HASHES | calls HASH" rows compare a hash of every pixel row and one of the
// drawing calls (as tintoral-render --list writes them), "@ X,Y RRGGBB" rows
// one worked pixel. After a wanted change `make golden` rewrites the hashes.
#include "pattern_window/mode_table.h"
#include "platform/raster_surface.h"
#include "platform/recording_surface.h"
#include "tools/render_options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

using namespace tintoral;

// One FNV-1a hash per pixel row, a run of N equal rows written once as HASH*N.
std::string hashes(const std::vector<std::uint32_t> &pixels, std::size_t width)
{
    std::vector<std::pair<std::uint32_t, int>> runs;
    for (std::size_t y = 0; y * width < pixels.size(); ++y) {
        std::uint32_t h = 2166136261u;
        for (std::size_t x = 0; x < width; ++x)
            h = (h ^ pixels[y * width + x]) * 16777619u;
        runs.empty() || runs.back().first != h ? void(runs.emplace_back(h, 1)) : void(++runs.back().second);
    }
    std::string out;
    for (const auto &[h, n] : runs)
        out += (out.empty() ? "" : " ") + (std::ostringstream() << std::hex << h).str() + (n > 1 ? "*" + std::to_string(n) : "");
    return out;
}

std::vector<std::string> rows(const std::string &hashes) // one hash per pixel row
{
    std::vector<std::string> out;
    std::istringstream in(hashes);
    for (std::string w; in >> w;)
        out.insert(out.end(), w.find('*') == w.npos ? 1 : std::stoul(w.substr(w.find('*') + 1)), w.substr(0, w.find('*')));
    return out;
}

TEST(Frames, EveryRowAsRecorded)
{
    std::ifstream in(TINTORAL_GOLDEN_FRAMES);
    ASSERT_TRUE(in) << TINTORAL_GOLDEN_FRAMES;
    std::string kept;
    for (std::string line; std::getline(in, line); kept += line + "\n") {
        const auto at = line.find_first_of("=@");
        if (line.empty() || line[0] == '#' || at == line.npos)
            continue;
        SCOPED_TRACE(line);
        std::istringstream words(line.substr(0, at) + " --list -");
        const ParseResult parsed = parseRenderArguments({std::istream_iterator<std::string>(words), {}});
        ASSERT_TRUE(parsed.ok) << parsed.error;
        const RenderOptions &o = parsed.options;
        std::vector<std::uint32_t> image(std::size_t(o.width) * o.height, 0x00123456u);
        RasterSurface surface(image.data(), o.width, o.height, o.width, o.state.twipsPerPixelX, o.state.twipsPerPixelY);
        PatternState drawn = o.state;
        drawMode(drawn, surface);
        surface.finish();
        EXPECT_EQ(drawn.orbitY, o.state.orbitY) << "a renderer left the shift changed";
        std::istringstream expected(line.substr(at + 1));
        int x = 0, y = 0;
        std::string want;
        if (line[at] == '@' && expected >> x && expected.ignore() >> y >> want) {
            char got[8];
            std::snprintf(got, sizeof got, "%06x", image.at(std::size_t(y) * o.width + x) & 0xffffff);
            EXPECT_EQ(got, want) << "pixel " << x << "," << y;
            continue;
        }
        RecordingSurface recorder; // the drawing calls too, as tintoral-render --list writes them
        drawn = o.state;
        drawMode(drawn, recorder);
        std::vector<std::uint32_t> listing;
        for (const auto &call : recorder.calls())
            for (const char c : RecordingSurface::format(call) + "\n")
                listing.push_back(std::uint8_t(c));
        const std::string now = hashes(image, std::size_t(o.width)) + " | calls " + hashes(listing, std::max<std::size_t>(listing.size(), 1));
        if (std::getenv("TINTORAL_WRITE_GOLDEN")) {
            line = line.substr(0, at) + "= " + now;
        } else if (const std::string was = line.substr(std::min(at + 2, line.size())); now.substr(now.find(" | ")) != was.substr(std::min(was.find(" | "), was.size()))) {
            ADD_FAILURE() << "the drawing calls differ; if the change is wanted, run `make golden` and review the diff";
        } else if (now != was) {
            const auto a = rows(was.substr(0, was.find(" | "))), b = rows(now.substr(0, now.find(" | ")));
            const auto y = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
            ADD_FAILURE() << "the frame (" << o.width << "x" << o.height << ") differs from pixel row " << y << " on ("
                          << a.size() << " rows recorded); if the change is wanted, run `make golden` and review the diff";
        }
    }
    if (std::getenv("TINTORAL_WRITE_GOLDEN"))
        std::ofstream(TINTORAL_GOLDEN_FRAMES) << kept;
}

} // namespace
