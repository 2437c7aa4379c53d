#include "renderers/renderers.h"

namespace tintoral {

void drawCross(PatternState &, DrawingSurface &) {}

} // namespace tintoral
