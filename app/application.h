// SPDX-License-Identifier: MIT
#pragma once

#include "app/launcher.h"
#include "pattern_window/display.h"
#include "platform/qt_pattern_window.h"

#include <QPointer>

#include <cstdint>
#include <optional>

class QScreen;

namespace tintoral {

// The program's two windows, each loaded at most once and reached by name:
// using a window that is not loaded loads it without showing it.
class Program {
public:
    Program();
    ~Program();

    // Loads the pattern window and shows it full screen on `screen` (the
    // primary one when null), black, or with test `mode` as if chosen in the
    // selection window.
    void start(QScreen *screen = nullptr, std::optional<std::int32_t> mode = std::nullopt);

    Display &display();
    Launcher &launcher();
    platform::QtPatternWindow *displayWindow() const { return window_; }
    Launcher *loadedLauncher() const { return launcher_; }

    void showDisplay();
    // Moves the pattern window onto `screen` (the one the selection window is
    // on) unless it covers it already, and gives it the keyboard focus once
    // the selection window hides.
    void activateDisplay(QScreen *screen);
    // Places the selection window in front of the pattern window, centred on its screen.
    void placeLauncher(Launcher &launcher);
    // The selection window was shown or hidden: the pointer over the pattern
    // may hide only while it is hidden.
    void selectionWindowShown(bool shown);

    void unloadDisplay();
    // Unloads the selection window, which first unloads the pattern window,
    // and ends the program.
    void unloadLauncher();

    bool ending() const { return ending_; }

private:
    SelectionWindowLink &launcherLink();
    void followScreens();
    // One line on standard error when the pattern window comes to a screen
    // where the patterns are not exact, or its screen becomes one.
    void reportFidelity(QScreen *screen);

    QPointer<platform::QtPatternWindow> window_;
    QPointer<Launcher> launcher_;
    QScreen *startScreen_ = nullptr;
    bool displayShown_ = false;
    bool ending_ = false;
    QScreen *reportedScreen_ = nullptr;
    QString reportedNote_;
};

} // namespace tintoral
