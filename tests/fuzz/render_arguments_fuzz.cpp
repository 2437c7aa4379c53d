// SPDX-License-Identifier: MIT
// libFuzzer target: the render tool's argument parser. The input is a command
// line, its arguments separated by NUL bytes. Besides not crashing (the
// sanitizers watch memory and undefined behaviour), whatever the parser
// accepts must be something the renderers can draw: every tuning value in its
// range, a window of 1..16384 pixels, finite positive geometry, a shift of at
// most one pixel and exactly one output; and whatever it refuses, it refuses
// with a message that names an option.

#include "tools/render_options.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool within(int v, int lo, int hi) { return v >= lo && v <= hi; }
bool finitePositive(float v) { return std::isnormal(v) && v > 0.0f; }
bool onePixelAtMost(float shift, float pixel) { return shift == 0.0f || shift == pixel || shift == -pixel; }

void require(bool ok, const char *what, const std::string &args)
{
    if (!ok)
        std::fprintf(stderr, "render arguments fuzz: %s for:%s\n", what, args.c_str()), std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size && args.size() <= 64; ++i)
        data[i] == 0 ? args.emplace_back() : args.back() += char(data[i]);
    std::string quoted;
    for (const std::string &a : args)
        quoted += " '" + a + "'";
    const tintoral::ParseResult r = tintoral::parseRenderArguments(args), again = tintoral::parseRenderArguments(args);
    require(r.ok == again.ok && r.error == again.error, "two parses differ", quoted);
    const tintoral::RenderOptions &o = r.options;
    const tintoral::PatternState &s = o.state;
    if (!r.ok || o.help || o.version) {
        require(r.ok || r.error.rfind("-", 0) == 0 || r.error.rfind("unknown option '", 0) == 0,
                "the message does not begin with the option", quoted);
        return 0;
    }
    require(within(o.width, 1, 16384) && within(o.height, 1, 16384), "window size out of range", quoted);
    require(o.listPath.empty() != o.pngPath.empty(), "not exactly one output", quoted);
    require(within(s.nbBox, 2, 255) && within(s.nbBoxGeo, 4, 50) && within(s.nbPoints, 5, 70) && within(s.halfMode, 0, 1)
                && within(s.currentColor, 0, 7) && within(s.blackLevel, 1, 64) && within(s.altMode, 0, 1) && s.TimerStep == 0,
            "a tuning value out of range", quoted);
    require(finitePositive(s.twipsPerPixelX) && finitePositive(s.twipsPerPixelY) && finitePositive(s.formWidth)
                && finitePositive(s.formHeight), "geometry that is not a finite positive normal number", quoted);
    require(onePixelAtMost(s.orbitX, s.twipsPerPixelX) && onePixelAtMost(s.orbitY, s.twipsPerPixelY),
            "a shift of more than one pixel", quoted);
    return 0;
}
