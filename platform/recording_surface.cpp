// SPDX-License-Identifier: MIT
#include "platform/recording_surface.h"

#include <charconv>

namespace tintoral {

void RecordingSurface::fillBox(float x1, float y1, float x2, float y2, Colour c)
{
    calls_.push_back({Op::Fill, x1, y1, x2, y2, c});
}

void RecordingSurface::box(float x1, float y1, float x2, float y2, Colour c)
{
    calls_.push_back({Op::Box, x1, y1, x2, y2, c});
}

void RecordingSurface::line(float x1, float y1, float x2, float y2, Colour c)
{
    calls_.push_back({Op::Line, x1, y1, x2, y2, c});
}

void RecordingSurface::circle(float x, float y, float r, Colour c)
{
    calls_.push_back({Op::Circle, x, y, r, 0.0f, c});
}

namespace {
void appendNumber(std::string &out, float v)
{
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    (void)ec; // 32 characters always hold the shortest form of a float
    out += ' ';
    out.append(buf, end);
}
} // namespace

std::string RecordingSurface::format(const Call &call)
{
    static constexpr const char *names[] = {"fill", "box", "line", "circle"};
    std::string out = names[static_cast<int>(call.op)];
    appendNumber(out, call.x1);
    appendNumber(out, call.y1);
    appendNumber(out, call.x2);
    if (call.op != Op::Circle)
        appendNumber(out, call.y2);
    out += ' ';
    out += std::to_string(call.colour);
    return out;
}

} // namespace tintoral
