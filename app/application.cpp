// SPDX-License-Identifier: MIT
#include "app/application.h"

#include "app/launcher.h"
#include "platform/desktop.h"
#include "platform/qt_pattern_window.h"
#include "platform/screen_fidelity.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace tintoral {

namespace {
// What the pattern window sees of a selection window that is gone for good
// while the program ends: hidden, not orbiting.
class UnloadedLauncher final : public SelectionWindowLink {
public:
    bool isVisible() const override { return false; }
    int orbitingValue() const override { return 0; }
    void showWithFocus() override {}
};
} // namespace

Program::Program() = default;

Program::~Program()
{
    delete launcher_.data();
    delete window_.data();
}

void Program::start(QScreen *screen, std::optional<std::int32_t> mode)
{
    startScreen_ = screen;
    display();
    showDisplay();
    if (mode)
        launcher().chooseMode(*mode);
    followScreens();
    reportFidelity(window_->screen());
    QObject::connect(window_->windowHandle(), &QWindow::screenChanged, window_,
                     [this](QScreen *s) { reportFidelity(s); });
}

void Program::reportFidelity(QScreen *screen)
{
    if (!screen)
        return;
    const platform::ScreenFidelity f = platform::screenFidelity(screen);
    if (screen == reportedScreen_ && f.note == reportedNote_)
        return;
    reportedScreen_ = screen;
    reportedNote_ = f.note;
    if (!f.exact)
        std::fprintf(stderr, "tintoral: %s\n", qPrintable(f.note));
}

void Program::followScreens()
{
    // The resolution line reads the selection window's screen at each paint;
    // a screen that changes size or goes away asks for that paint. A screen
    // that shrinks under the selection window takes it back in front of the
    // pattern window (a window manager would keep it on screen; without one
    // it would be left outside).
    const auto watch = [this](QScreen *screen) {
        QObject::connect(screen, &QScreen::geometryChanged, window_, [this, screen] {
            // A new scale of the same screen may make the patterns exact or
            // not; queued, as Qt gives its windows the new scale after this.
            QTimer::singleShot(0, window_, [this, screen] {
                if (window_ && window_->screen() == screen)
                    reportFidelity(screen);
                if (launcher_ && launcher_->screen() == screen)
                    launcher_->showScreenFidelity();
            });
            if (!launcher_)
                return;
            if (launcher_->screen() == screen
                && !screen->geometry().contains(launcher_->frameGeometry()))
                placeLauncher(*launcher_);
            launcher_->update();
        });
    };
    for (QScreen *screen : QGuiApplication::screens())
        watch(screen);
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, window_, watch);
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, window_, [this](QScreen *gone) {
        if (!launcher_ || launcher_->screen() != gone)
            return;
        // Qt moves the windows of a removed screen to a remaining one only
        // after this signal; the selection window then goes back in front of
        // the pattern window, on its screen.
        QTimer::singleShot(0, launcher_, [this] {
            if (launcher_) {
                placeLauncher(*launcher_);
                launcher_->update();
            }
        });
    });
}

Display &Program::display()
{
    if (!window_) {
        window_ = new platform::QtPatternWindow([this]() -> SelectionWindowLink & { return launcherLink(); });
        window_->onCloseRequested = [this] {
            // Closing the pattern window on its own ends the program as Exit does.
            if (launcher_)
                unloadLauncher();
            else {
                unloadDisplay();
                ending_ = true;
                QCoreApplication::quit();
            }
        };
        window_->display().Form_Load();
    }
    return window_->display();
}

Launcher &Program::launcher()
{
    if (!launcher_)
        launcher_ = new Launcher(*this);
    return *launcher_;
}

SelectionWindowLink &Program::launcherLink()
{
    static UnloadedLauncher gone;
    if (ending_ && !launcher_)
        return gone;
    return launcher();
}

void Program::showDisplay()
{
    display();
    if (displayShown_)
        return;
    displayShown_ = true;
    window_->showFullScreenOn(startScreen_ ? startScreen_ : QGuiApplication::primaryScreen());
}

void Program::activateDisplay(QScreen *screen)
{
    if (!window_)
        return;
    window_->coverScreen(screen);
    platform::activate(*window_);
    window_->setFocus(Qt::ActiveWindowFocusReason);
}

void Program::placeLauncher(Launcher &l)
{
    l.winId();
    if (window_ && l.windowHandle()) {
        window_->winId();
        // A dialog of the pattern window: window managers keep it above it.
        l.windowHandle()->setTransientParent(window_->windowHandle());
    }
    QScreen *screen = window_ && window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect r = l.frameGeometry();
        r.moveCenter(screen->geometry().center());
        l.move(r.topLeft());
    }
}

void Program::selectionWindowShown(bool shown)
{
    if (window_)
        window_->setPointerMayHide(!shown);
}

void Program::unloadDisplay()
{
    if (!window_)
        return;
    window_->display().Timer1.setEnabled(false);
    window_->hide();
    window_->deleteLater(); // never under a handler of its own that is still running
    window_ = nullptr;
}

void Program::unloadLauncher()
{
    if (ending_)
        return;
    ending_ = true;
    if (launcher_)
        launcher_->Form_QueryUnload();
    else
        unloadDisplay();
    if (launcher_) {
        launcher_->hide();
        launcher_->deleteLater();
        launcher_ = nullptr;
    }
    QCoreApplication::quit();
}

} // namespace tintoral
