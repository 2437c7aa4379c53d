#include "renderers/renderers.h"

namespace tintoral {

void drawBlackLevelTest(const PatternState &, DrawingSurface &) {}

void drawWhiteLevelTest(const PatternState &, DrawingSurface &) {}

} // namespace tintoral
