// SPDX-License-Identifier: MIT
// tintoral: a full-screen test-pattern generator for checking and adjusting displays.
#include "app/application.h"
#include "app/command_line.h"
#include "platform/desktop.h"
#include "platform/screen_fidelity.h"
#include "platform/screen_metrics.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

namespace {

// A number as short as it can be written and still read back the same.
QString shortest(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); }

// One line per monitor: name, device geometry, scale, twips per pixel (as
// tintoral-render --twips-per-pixel takes them), primary or not, exact or not.
void listScreens()
{
    for (QScreen *screen : QGuiApplication::screens()) {
        const QRect g = tintoral::platform::screenDeviceGeometry(screen);
        const float tx = float(tintoral::platform::twipsPerPixelX(screen));
        const float ty = float(tintoral::platform::twipsPerPixelY(screen));
        const tintoral::platform::ScreenFidelity fidelity = tintoral::platform::screenFidelity(screen);
        const QString line = QStringLiteral("%1  %2x%3+%4+%5  scale %6  twips per pixel %7  %8  %9")
            .arg(screen->name()).arg(g.width()).arg(g.height()).arg(g.x()).arg(g.y())
            .arg(shortest(screen->devicePixelRatio()), tx == ty ? shortest(tx) : shortest(tx) + u',' + shortest(ty),
                 screen == QGuiApplication::primaryScreen() ? QStringLiteral("primary") : QStringLiteral("secondary"),
                 fidelity.exact ? QStringLiteral("exact") : QStringLiteral("not exact: ") + fidelity.note);
        std::printf("%s\n", line.toLocal8Bit().constData());
    }
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const tintoral::CommandLine options = tintoral::parseCommandLine(arguments);
    using Action = tintoral::CommandLine::Action;
    switch (options.action) {
    case Action::Error:
        std::fprintf(stderr, "tintoral: %s\n", options.error.toLocal8Bit().constData());
        return 2;
    case Action::Help:
        std::fputs(tintoral::kUsage, stdout);
        return 0;
    case Action::Version:
        std::printf("tintoral %s\n", TINTORAL_VERSION);
        return 0;
    default:
        break;
    }

    // A machine without a display: one clear line instead of a toolkit backtrace.
    const auto set = [](const char *name) { return std::getenv(name) && *std::getenv(name); };
    if (!options.displayNamed && !set("QT_QPA_PLATFORM") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "tintoral: no display found (DISPLAY is not set); to run it without "
                             "a screen, use: xvfb-run -s '-screen 0 1920x1080x24' tintoral\n");
        return 1;
    }

    tintoral::platform::chooseWindowSystem(argc, argv);
    QApplication app(argc, argv);
    // On a palette screen Qt paints nothing: say so before any window opens.
    if (!tintoral::platform::showsTrueColour(QGuiApplication::primaryScreen())) {
        std::fprintf(stderr, "tintoral: this screen has %d bits per pixel; tintoral needs a "
                             "true-colour screen (24 bits per pixel)\n",
                     QGuiApplication::primaryScreen()->depth());
        return 1;
    }
    QApplication::setApplicationName(QStringLiteral("Tintoral"));
    QApplication::setApplicationVersion(QStringLiteral(TINTORAL_VERSION));
    if (options.action == Action::ListScreens) {
        listScreens();
        return 0;
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!options.screenName.isEmpty()) {
        QStringList names;
        screen = nullptr;
        for (QScreen *s : QGuiApplication::screens()) {
            names << s->name();
            if (s->name() == options.screenName)
                screen = s;
        }
        if (!screen) {
            std::fprintf(stderr, "tintoral: --screen: no monitor named '%s'; the monitors are: %s\n",
                         options.screenName.toLocal8Bit().constData(),
                         names.join(QStringLiteral(", ")).toLocal8Bit().constData());
            return 2;
        }
    }

    QIcon icon;  // the application icon, built into the program in four sizes
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/icons/tintoral-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tintoral.Tintoral"));  // its icon on Wayland
    QApplication::setQuitOnLastWindowClosed(false);

    tintoral::Program program;
    program.start(screen, options.test);
    const int status = app.exec();
    // Both windows are closed, and nothing is left to save (the program
    // writes no files): leave without the toolkit's teardown, where Qt's
    // Wayland plugin (6.4) can wait for ever for its event thread.
    std::fflush(nullptr);
    std::_Exit(status);
}
