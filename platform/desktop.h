// SPDX-License-Identifier: MIT
#pragma once

class QScreen;
class QWidget;

namespace tintoral::platform {

// Picks the window system before the application object exists. On a Wayland
// desktop the program runs natively on Wayland, where it can draw in device
// pixels at any whole-number scale; through Xwayland the compositor may
// enlarge every pixel. Falls back to X11 when Qt's Wayland plugin is missing
// or no compositor answers. A platform the user named (-platform or
// QT_QPA_PLATFORM) is left alone.
void chooseWindowSystem(int argc, char **argv);

// Raises a shown top-level widget and asks for the keyboard focus. A Wayland
// compositor honours an activation only for a window it has mapped, and a
// window just shown is not mapped yet: such a window asks again once it is
// on screen (on X11 the second request changes nothing).
void activate(QWidget &widget);

// Whether a full-screen window reaches another screen only by being shown
// anew there. Chosen once: on Wayland a window cannot place itself, and the
// compositor takes the output a window asks for only as it enters full
// screen; on X11 the program moves it.
bool fullScreenMovesByShowingAnew();

// Before a top-level widget is shown, tells Qt the screen the window system
// will put it on, where the window system places windows itself (Wayland):
// the compositor puts a dialog by the window it belongs to, and Qt learns a
// surface's output only from the compositor's enter events, which a window
// shown again on the output it last left does not always bring. Elsewhere
// the program places its windows, and this does nothing.
void expectScreen(QWidget &widget, QScreen *screen);

} // namespace tintoral::platform
