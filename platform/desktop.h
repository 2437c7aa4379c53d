#pragma once

namespace tintoral::platform {

// Picks the window system before the application object exists. On a Wayland
// desktop the program runs natively on Wayland, where it can draw in device
// pixels at any whole-number scale; through Xwayland the compositor may
// enlarge every pixel. Falls back to X11 when Qt's Wayland plugin is missing
// or no compositor answers. A platform the user named (-platform or
// QT_QPA_PLATFORM) is left alone.
void chooseWindowSystem(int argc, char **argv);

} // namespace tintoral::platform
