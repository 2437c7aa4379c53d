// SPDX-License-Identifier: MIT
#pragma once

#include "platform/drawing_surface.h"

#include <string>
#include <vector>

namespace tintoral {

// Keeps the drawing calls in order instead of drawing them: the render tool
// lists them, and tests read them back.
class RecordingSurface final : public DrawingSurface {
public:
    enum class Op { Fill, Box, Line, Circle };
    struct Call {
        Op op;
        float x1, y1, x2, y2; // for a circle: centre x, centre y, radius, unused
        Colour colour;
        bool operator==(const Call &) const = default;
    };

    void fillBox(float x1, float y1, float x2, float y2, Colour c) override;
    void box(float x1, float y1, float x2, float y2, Colour c) override;
    void line(float x1, float y1, float x2, float y2, Colour c) override;
    void circle(float x, float y, float r, Colour c) override;

    const std::vector<Call> &calls() const { return calls_; }
    void clear() { calls_.clear(); }

    // One line per call: "fill X1 Y1 X2 Y2 COLOUR", "box ...", "line ...",
    // "circle X Y R COLOUR"; each number the shortest decimal that reads back
    // to the same float.
    static std::string format(const Call &call);

private:
    std::vector<Call> calls_;
};

} // namespace tintoral
