#include "renderers/renderers.h"

namespace tintoral {

void drawVerticalLines(const PatternState &, DrawingSurface &) {}

void drawHorizontalLines(const PatternState &, DrawingSurface &) {}

} // namespace tintoral
