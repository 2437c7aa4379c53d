// The render tool against the renderers in process, for solid colours, ramps,
// bars, level steps, gratings, tuned and shifted lattices and codes outside the
// table: its listing is the renderers' calls and its PNG (8-bit RGB) their
// image pixel for pixel, black where they draw nothing.
#include "test_support.h"

#include <QImage>

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

namespace {

using namespace tintoral;
using namespace tintoral::test;

struct ToolCase {
    std::int32_t mode;
    const char *options;
    void (*tune)(PatternState &) = nullptr; // what the options set, at 10,12 twips per pixel
};

const ToolCase kCases[] = {
    {-1, ""}, {25, ""}, {5, ""}, {22, ""},
    {8, "--black-level 17 --half-mode 1", [](PatternState &s) { s.blackLevel = 17, s.halfMode = 1; }},
    {1, "--nb-box 7", [](PatternState &s) { s.nbBox = 7; }},
    {10, "--nb-box 255 --half-mode 1", [](PatternState &s) { s.nbBox = 255, s.halfMode = 1; }},
    {12, "--half-mode 1", [](PatternState &s) { s.halfMode = 1; }},
    {13, "--nb-box 2", [](PatternState &s) { s.nbBox = 2; }},
    {19, "--current-color 5 --half-mode 1", [](PatternState &s) { s.currentColor = 5, s.halfMode = 1; }},
    {20, "--current-color 3", [](PatternState &s) { s.currentColor = 3; }},
    {21, "--orbit 1,1", [](PatternState &s) { s.orbitX = 10, s.orbitY = 12; }},
    {15, "--half-mode 1 --orbit -1,1", [](PatternState &s) { s.halfMode = 1, s.orbitX = -10, s.orbitY = 12; }},
    {18, "--nb-box-geo 4", [](PatternState &s) { s.nbBoxGeo = 4; }},
    {23, "--alt-mode 1 --nb-points 70 --orbit 1,0", [](PatternState &s) { s.altMode = 1, s.nbPoints = 70, s.orbitX = 10; }},
    {24, "--nb-points 5 --orbit 0,-1", [](PatternState &s) { s.nbPoints = 5, s.orbitY = -12; }},
};

void PrintTo(const ToolCase &c, std::ostream *os) { *os << "--mode " << c.mode << " " << c.options; }

class RenderToolAgainstRenderers : public ::testing::TestWithParam<ToolCase> {};

TEST_P(RenderToolAgainstRenderers, ListingIsTheirCallsAndPngTheirImage)
{
    const ToolCase &c = GetParam();
    const auto run = [&](const char *output, std::string *out) {
        std::istringstream in("--mode " + std::to_string(c.mode) + " --size 97x61 --twips-per-pixel 10,12 "
                              + c.options + " " + output + " -");
        std::string err;
        EXPECT_EQ(runRenderTool({std::istream_iterator<std::string>(in), {}}, out, &err), 0) << err;
    };
    PatternState s = stateFor(c.mode, 97, 61, 10.0f, 12.0f);
    if (c.tune)
        c.tune(s);

    std::string listing, expected, png;
    run("--list", &listing);
    for (const auto &call : record(s))
        expected += RecordingSurface::format(call) + "\n";
    EXPECT_EQ(listing, expected);

    run("--png", &png);
    ASSERT_GT(png.size(), 26u);
    EXPECT_EQ(png.substr(24, 2), "\x08\x02") << "IHDR: bit depth 8, colour type RGB";
    const QImage image = QImage::fromData(QByteArray::fromStdString(png), "PNG");
    const Image want = render(s, 97, 61);
    ASSERT_EQ(image.size(), QSize(want.width, want.height));
    int wrong = 0;
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x)
            wrong += image.pixel(x, y) != (want.at(x, y) == kSentinel ? 0xff000000u : want.at(x, y));
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, RenderToolAgainstRenderers, ::testing::ValuesIn(kCases));

} // namespace
