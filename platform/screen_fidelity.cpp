// SPDX-License-Identifier: MIT
#include "platform/screen_fidelity.h"

#include <QScreen>

namespace tintoral::platform {

ScreenFidelity screenFidelity(const QScreen *screen)
{
    if (!screen)
        return {false, QStringLiteral("no screen to tell")};
    // Fewer than 8 bits a channel cannot show every level of a ramp.
    if (screen->depth() < 24)
        return {false, QStringLiteral("the screen has %1-bit colour, so nearby shades merge; set it to "
                                      "24-bit (true) colour")
                           .arg(screen->depth())};
    return {};
}

} // namespace tintoral::platform
