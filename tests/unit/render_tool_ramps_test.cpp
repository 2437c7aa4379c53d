// The ramps, bars, level steps and gratings through the real tintoral-render
// binary: its call list is the renderers' own and the orbit shift leaves it
// unchanged, and its PNG has the asked size.
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace tintoral;
using namespace tintoral::test;

namespace {

struct ToolCase {
    std::int32_t mode;
    std::vector<std::string> tuning; // extra options
    int nbBox = 16, halfMode = 0, currentColor = 0;
};

const ToolCase kToolCases[] = {
    {1, {}},
    {10, {"--nb-box", "255", "--half-mode", "1"}, 255, 1},
    {12, {}},
    {13, {"--nb-box", "7"}, 7},
    {19, {"--current-color", "5", "--half-mode", "1"}, 16, 1, 5},
    {20, {"--current-color", "3"}, 16, 0, 3},
    {21, {"--half-mode", "1"}, 16, 1},
    {22, {}},
};

class RenderToolRamps : public ::testing::TestWithParam<ToolCase> {};

TEST_P(RenderToolRamps, ListIsTheUnshiftedRenderersCallsAndPngHasTheAskedSize)
{
    const ToolCase &c = GetParam();
    std::vector<std::string> args{"--mode", std::to_string(c.mode), "--twips-per-pixel", "12"};
    args.insert(args.end(), c.tuning.begin(), c.tuning.end());
    std::string out, err, png;
    auto list = args;
    list.insert(list.end(), {"--size", "97x61", "--orbit", "-1,1", "--list", "-"});
    ASSERT_EQ(runRenderTool(list, &out, &err), 0) << err;

    PatternState s = stateFor(c.mode, 97, 61, 12.0f, 12.0f);
    s.nbBox = std::int16_t(c.nbBox);
    s.halfMode = std::int16_t(c.halfMode);
    s.currentColor = std::int16_t(c.currentColor);
    std::string expected;
    for (const auto &call : record(s))
        expected += RecordingSurface::format(call) + "\n";
    EXPECT_EQ(out, expected);

    args.insert(args.end(), {"--size", "300x7", "--png", "-"});
    ASSERT_EQ(runRenderTool(args, &png, &err), 0) << err;
    ASSERT_GE(png.size(), 24u);
    // the signature, then IHDR's width and height, big-endian, at bytes 16 and 20
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x01\x2c\0\0\0\x07", 8));
}

INSTANTIATE_TEST_SUITE_P(Codes, RenderToolRamps, ::testing::ValuesIn(kToolCases),
                         [](const auto &info) { return "mode" + std::to_string(info.param.mode); });

} // namespace
