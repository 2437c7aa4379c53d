#include "renderers/renderers.h"

namespace tintoral {

void drawDotPattern(const PatternState &, DrawingSurface &, double, double, double) {}

} // namespace tintoral
