// SPDX-License-Identifier: MIT
#pragma once
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
} // namespace tintoral::platform
