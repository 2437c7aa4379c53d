// SPDX-License-Identifier: MIT
#include "platform/desktop.h"

#include <QByteArray>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtGlobal>

#include <string_view>

namespace tintoral::platform {

void chooseWindowSystem(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "-platform" || std::string_view(argv[i]) == "--platform")
            return;
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland")
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
}

namespace {
class ActivateWhenExposed final : public QObject {
public:
    explicit ActivateWhenExposed(QWindow *window) : QObject(window) { window->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = static_cast<QWindow *>(watched);
        if (event->type() == QEvent::Expose && window->isExposed()) {
            // After the expose has put the first frame on the surface.
            QTimer::singleShot(0, window, [w = QPointer<QWindow>(window)] {
                if (w && w->isVisible())
                    w->requestActivate();
            });
            deleteLater();
            window->removeEventFilter(this);
        }
        return false;
    }
};
} // namespace

void activate(QWidget &widget)
{
    widget.raise();
    widget.activateWindow();
    QWindow *window = widget.windowHandle();
    if (window && !window->isExposed() && !window->findChild<ActivateWhenExposed *>())
        new ActivateWhenExposed(window);
}

bool fullScreenMovesByShowingAnew()
{
    static const bool anew = QGuiApplication::platformName() == QLatin1String("wayland");
    return anew;
}

void expectScreen(QWidget &widget, QScreen *screen)
{
    if (!fullScreenMovesByShowingAnew() || !screen)
        return;
    // Qt takes a top-level window's screen from the position it keeps for it
    // as the window is shown; the compositor never tells the real one.
    if (!screen->geometry().contains(widget.geometry().center())) {
        QRect r = widget.frameGeometry();
        r.moveCenter(screen->geometry().center());
        widget.move(r.topLeft());
    }
    if (QWindow *window = widget.windowHandle())
        window->setScreen(screen);
    else
        widget.setScreen(screen);
}

} // namespace tintoral::platform
