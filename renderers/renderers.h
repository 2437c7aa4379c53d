// SPDX-License-Identifier: MIT
#pragma once

#include "pattern_window/pattern_state.h"
#include "platform/drawing_surface.h"

// One routine per family of patterns. Each reads the pattern state and draws
// the whole window through the surface in one pass. Only drawCross writes the
// state: it moves orbitY while it draws and puts it back before it returns.
namespace tintoral {

void drawMireColor(const PatternState &s, DrawingSurface &d, double r, double g, double b);
void drawMireShading(const PatternState &s, DrawingSurface &d);
void drawMireAllColorShading(const PatternState &s, DrawingSurface &d);
void drawMireAllColor(const PatternState &s, DrawingSurface &d);
void drawBlackLevelTest(const PatternState &s, DrawingSurface &d);
void drawWhiteLevelTest(const PatternState &s, DrawingSurface &d);
void drawVerticalLines(const PatternState &s, DrawingSurface &d);
void drawHorizontalLines(const PatternState &s, DrawingSurface &d);
void drawDotPattern(const PatternState &s, DrawingSurface &d, double r, double g, double b);
void drawCross(PatternState &s, DrawingSurface &d);
void drawTest(const PatternState &s, DrawingSurface &d);
void drawGeometrie(const PatternState &s, DrawingSurface &d, double r, double g, double b);

} // namespace tintoral
