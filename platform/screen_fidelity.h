// SPDX-License-Identifier: MIT
#pragma once

#include <QSize>
#include <QString>

class QScreen;

namespace tintoral::platform {

// Whether what the program draws reaches this screen pixel for pixel and
// colour for colour.
struct ScreenFidelity {
    bool exact = true; // false when the desktop rescales the window, the screen rounds colours, or it cannot be told
    QString note;      // empty when exact; otherwise one line saying why and what to do
};
ScreenFidelity screenFidelity(const QScreen *screen);

// What the verdict rests on, as the window system reports it.
struct ScreenFacts {
    int depth = 24;               // bits per pixel
    bool throughXwayland = false; // an X11 client on a Wayland desktop
    QSize drawn;                  // device size the program draws full screen at
    QSize shown;                  // the output's own device size; empty when not known
    double logicalWidth = 0;      // the output's width in the compositor's logical pixels
};
ScreenFidelity judgeFidelity(const ScreenFacts &facts);

// A screen of fewer than 15 bits per pixel works from a palette, where Qt
// paints nothing at all.
bool showsTrueColour(const QScreen *screen);

} // namespace tintoral::platform
