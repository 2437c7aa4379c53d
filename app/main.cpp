// tintoral: a full-screen test-pattern generator for checking and adjusting displays.
#include "app/application.h"
#include "platform/desktop.h"
#include "platform/screen_fidelity.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <string_view>

int main(int argc, char **argv)
{
    // A machine without a display: one clear line instead of a toolkit backtrace.
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    bool platformArgument = false;
    for (int i = 1; i < argc; ++i)
        platformArgument = platformArgument || std::string_view(argv[i]) == "-platform";
    if (!platformArgument && (!platform || !*platform) && !std::getenv("DISPLAY")
        && !std::getenv("WAYLAND_DISPLAY")) {
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
    QIcon icon;  // the application icon, built into the program in four sizes
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/icons/tintoral-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tintoral.Tintoral"));  // its icon on Wayland
    QApplication::setQuitOnLastWindowClosed(false);

    tintoral::Program program;
    program.start();
    return app.exec();
}
