// SPDX-License-Identifier: MIT
#pragma once

#include <QSize>

class QScreen;

namespace tintoral::platform {

// The device size of the Wayland output behind `screen` (its current mode,
// turned as the output is), asked of the compositor;
// empty when not on Wayland or when the compositor does not say. Qt up to
// 6.4 reports only logical sizes and a whole-number scale, which cannot tell
// an output at 150 % from one at 200 %.
QSize waylandOutputSize(const QScreen *screen);

} // namespace tintoral::platform
