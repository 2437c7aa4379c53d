#include "renderers/renderers.h"

namespace tintoral {

void drawTest(const PatternState &, DrawingSurface &) {}

} // namespace tintoral
