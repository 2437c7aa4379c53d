#include "renderers/renderers.h"

namespace tintoral {

void drawGeometrie(const PatternState &, DrawingSurface &, double, double, double) {}

} // namespace tintoral
