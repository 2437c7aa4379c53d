// SPDX-License-Identifier: MIT
#pragma once

namespace tintoral::platform {

// Whether something on the desktop sizes full-screen windows: a window
// manager on X11 (one that announces itself on the root window), or the
// compositor on other platforms. Without one, a full-screen request does
// nothing and the program must set the window's geometry itself.
bool fullScreenIsManaged();

} // namespace tintoral::platform
