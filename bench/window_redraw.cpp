// SPDX-License-Identifier: MIT
#include "window_redraw.h"

#include "app/application.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QScreen>
#include <QTemporaryFile>

namespace tintoral::bench {

namespace {

Program *program = nullptr;

QScreen *screenOfSize(FrameSize size)
{
    for (QScreen *s : QGuiApplication::screens())
        if (s->geometry().size() == QSize(size.width, size.height))
            return s;
    return nullptr;
}

// The program started, its pattern window covering the screen of that size,
// without orbit ticks in between; null if it cannot get there.
platform::QtPatternWindow *windowOn(FrameSize size)
{
    QScreen *screen = screenOfSize(size);
    if (!screen)
        return nullptr;
    if (!program) {
        program = new Program;
        program->start();
        program->launcher().Check1->setChecked(false);
    }
    platform::QtPatternWindow *window = program->displayWindow();
    window->coverScreen(screen);
    const auto covers = [&] {
        const Display &d = program->display();
        return d.frameWidth() == size.width && d.frameHeight() == size.height;
    };
    for (int i = 0; i < 100 && !covers(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    program->display().Timer1.setEnabled(false);
    return covers() ? window : nullptr;
}

} // namespace

std::unique_ptr<QApplication> startOffscreenApplication(int &argc, char **argv)
{
    QJsonArray screens;
    int x = 0;
    for (const FrameSize size : kSizes) {
        screens.append(QJsonObject{{"name", QString::fromStdString(size.label())},
                                   {"x", x},
                                   {"y", 0},
                                   {"width", size.width},
                                   {"height", size.height},
                                   {"logicalDpi", 96},
                                   {"logicalBaseDpi", 96},
                                   {"dpr", 1}});
        x += size.width;
    }
    QTemporaryFile config; // read while the application starts
    config.open();
    config.write(QJsonDocument(QJsonObject{{"screens", screens}}).toJson());
    config.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    return std::make_unique<QApplication>(argc, argv);
}

void measureWindowRedraw(benchmark::State &st, FrameSize size, PatternState state)
{
    platform::QtPatternWindow *window = windowOn(size);
    if (!window) {
        st.SkipWithError("the pattern window does not cover a screen of this size");
        return;
    }
    Display &display = program->display();
    const PatternState recorded = display.state;
    if (recorded.formWidth != state.formWidth || recorded.formHeight != state.formHeight) {
        st.SkipWithError("the window recorded another size in twips");
        return;
    }
    display.state = state;
    // A key without a rule in any test: it only redraws.
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    const long framesBefore = window->framesDrawn();
    long redraws = 0;
    for (auto _ : st) {
        const long shown = window->framesShown();
        QCoreApplication::sendEvent(window, &key);
        for (int i = 0; window->framesShown() == shown; ++i) {
            if (i == 1000) {
                st.SkipWithError("the frame drawn was not painted into the window");
                return;
            }
            QCoreApplication::processEvents();
        }
        ++redraws;
    }
    if (window->framesDrawn() - framesBefore != redraws)
        st.SkipWithError("not one frame drawn per key");
}

void stopProgram()
{
    delete program;
    program = nullptr;
}

} // namespace tintoral::bench
