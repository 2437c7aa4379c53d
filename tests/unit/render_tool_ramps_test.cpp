// The ramps, bars, level steps and gratings through the real tintoral-render
// binary: its call list is the renderers' own, and its PNG has the asked size.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

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
    {9, {"--nb-box", "2"}, 2},
    {10, {"--nb-box", "255", "--half-mode", "1"}, 255, 1},
    {11, {"--half-mode", "1"}, 16, 1},
    {12, {}},
    {13, {"--nb-box", "7"}, 7},
    {19, {"--current-color", "5", "--half-mode", "1"}, 16, 1, 5},
    {20, {"--current-color", "3"}, 16, 0, 3},
    {21, {"--half-mode", "1"}, 16, 1},
    {22, {}},
};

std::vector<std::string> argsFor(const ToolCase &c, const std::string &size)
{
    std::vector<std::string> args{"--mode", std::to_string(c.mode), "--size", size,
                                  "--twips-per-pixel", "12"};
    args.insert(args.end(), c.tuning.begin(), c.tuning.end());
    return args;
}

class RenderToolRamps : public ::testing::TestWithParam<ToolCase> {};

TEST_P(RenderToolRamps, ListIsTheRenderersCallsInOrder)
{
    const ToolCase &c = GetParam();
    auto args = argsFor(c, "97x61");
    args.insert(args.end(), {"--list", "-"});
    std::string out, err;
    ASSERT_EQ(runRenderTool(args, &out, &err), 0) << err;

    PatternState s = stateFor(c.mode, 97, 61, 12.0f, 12.0f);
    s.nbBox = std::int16_t(c.nbBox);
    s.halfMode = std::int16_t(c.halfMode);
    s.currentColor = std::int16_t(c.currentColor);
    std::string expected;
    for (const auto &call : record(s))
        expected += RecordingSurface::format(call) + "\n";
    EXPECT_EQ(out, expected);
}

TEST_P(RenderToolRamps, PngHasTheAskedSize)
{
    char name[] = "/tmp/tintoral-ramps-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    auto args = argsFor(GetParam(), "300x7");
    args.insert(args.end(), {"--png", name});
    std::string err;
    EXPECT_EQ(runRenderTool(args, nullptr, &err), 0) << err;
    std::ifstream in(name, std::ios::binary);
    const std::string png{std::istreambuf_iterator<char>(in), {}};
    std::remove(name);
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    // IHDR: width and height, big-endian, at bytes 16 and 20.
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x01\x2c\0\0\0\x07", 8));
}

INSTANTIATE_TEST_SUITE_P(Codes, RenderToolRamps, ::testing::ValuesIn(kToolCases),
                         [](const auto &info) { return "mode" + std::to_string(info.param.mode); });

} // namespace
