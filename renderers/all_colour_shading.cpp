#include "renderers/renderers.h"

namespace tintoral {

void drawMireAllColorShading(const PatternState &, DrawingSurface &) {}

} // namespace tintoral
