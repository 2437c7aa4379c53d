#include "renderers/renderers.h"

namespace tintoral {

void drawMireShading(const PatternState &, DrawingSurface &) {}

} // namespace tintoral
