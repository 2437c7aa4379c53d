// SPDX-License-Identifier: MIT
#pragma once

#include "platform/drawing_surface.h"
#include "renderers/intensity.h"

#include <cstdint>
#include <span>

// The stepped ramps (single-colour and all-colour shadings, level tests):
// equal columns across the window, each column cut into horizontal bands that
// show the column's step either rising (dark at the left) or falling (the
// mirror image, bright at the left).
namespace tintoral {

// Colour channels as bits: 1 red, 2 green, 4 blue.
constexpr int kRedChannel = 1, kGreenChannel = 2, kBlueChannel = 4;
constexpr int kAllChannels = kRedChannel | kGreenChannel | kBlueChannel;

inline Colour channelColour(int channels, int v)
{
    return RGB(channels & kRedChannel ? v : 0, channels & kGreenChannel ? v : 0,
               channels & kBlueChannel ? v : 0);
}

struct RampBand {
    double top, bottom; // twips
    int channels;
    bool falling;
};

// Step k of `steps`: base + k * range / (steps - 1), halved when asked, then
// rounded half to even. k * range is formed in 64 bits so that no step count
// a 16-bit state can hold overflows it. Needs steps >= 2.
inline int rampComponent(int k, int steps, int base, int range, bool halve)
{
    double v = base + double(std::int64_t{k} * range) / double(steps - 1);
    if (halve)
        v = v / 2.0;
    return toComponent(v);
}

// Draws `steps` (>= 2) columns of width / steps over the window, left to
// right, each column's bands in the order given. Neighbouring columns share
// their edge coordinate, so the later column owns the shared pixel column.
inline void drawRampColumns(DrawingSurface &d, double width, int steps, int base, int range,
                            bool halve, std::span<const RampBand> bands)
{
    const double step = width / steps;
    for (int i = 0; i < steps; ++i) {
        const int rising = rampComponent(i, steps, base, range, halve);
        const int falling = rampComponent(steps - i - 1, steps, base, range, halve);
        const auto x1 = static_cast<float>(i * step);
        const auto x2 = static_cast<float>((i + 1) * step);
        for (const RampBand &b : bands)
            d.fillBox(x1, static_cast<float>(b.top), x2, static_cast<float>(b.bottom),
                      channelColour(b.channels, b.falling ? falling : rising));
    }
}

} // namespace tintoral
