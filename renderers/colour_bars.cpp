#include "renderers/renderers.h"

namespace tintoral {

void drawMireAllColor(const PatternState &, DrawingSurface &) {}

} // namespace tintoral
