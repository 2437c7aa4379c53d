// A storm of random events through the real windows, the event loop run after
// each: keys, mouse releases, test buttons, the slider, the orbiting check
// box, ticks, paints, Escapes with events queued behind them, and resizes from
// 1 x 1 to 16384 pixels on a side, with the checks of storm.h after each.

#include "platform/screen_metrics.h"
#include "running_program.h"
#include "tests/storm/storm.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QWindow>

#include <array>

namespace tintoral {
namespace {

class EventStorm : public test::RunningProgram {
protected:
    void SetUp() override
    {
        RunningProgram::SetUp();
        // Out of full screen, so that the window takes any size asked for.
        window()->showNormal();
        window()->windowHandle()->setWindowState(Qt::WindowNoState);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window()->windowHandle()->windowState() == Qt::WindowNoState; }));
    }
    bool randomEvent(storm::Random &r);
};

// Mostly one character of 0..255 or a key that tunes; else none (Shift,
// arrows), a run of a key that tunes, or one past 255.
QString keyText(storm::Random &r)
{
    static const char kTuning[] = "+-*/ \rmMpP:\x1b";
    const int kind = r.in(0, 99), c = r.in(0, 255), t = r.in(0, sizeof kTuning - 2), n = r.in(5, 80), past = r.in(256, 0xd7ff);
    return kind < 65 ? QString(QChar(char16_t(c))) : kind < 97 ? QString(QChar(char16_t(kTuning[t])))
         : std::array{QString(), QString(n, QChar(kTuning[t])), QString(QChar(char16_t(past)))}[kind - 97];
}

// One random event; says whether it redraws the pattern.
bool EventStorm::randomEvent(storm::Random &r)
{
    const int kind = r.in(0, 999);
    if (kind < 480) {
        const QString text = keyText(r);
        press(text.isEmpty() ? Qt::Key_Shift : Qt::Key_unknown, text);
        return !text.isEmpty();
    }
    if (kind < 540) { // left, middle, right (Escape) or back, with Shift, Control and Alt
        const auto b = std::array{Qt::LeftButton, Qt::MiddleButton, Qt::RightButton, Qt::BackButton}[r.in(0, 3)];
        const int x = r.in(-50, 20000), y = r.in(-50, 20000), modifiers = r.in(0, 7) << 25;
        QTest::mouseRelease(window(), b, Qt::KeyboardModifiers(modifiers), QPoint(x, y));
        return b == Qt::RightButton;
    }
    if (kind < 660) {
        launcher().Command1[std::size_t(r.in(0, 23))]->click();
        return true;
    }
    if (kind < 740) { // the selection window's controls, which do not redraw
        kind < 700 ? launcher().Slider1->setValue(r.in(-3, 14)) : launcher().Check1->click();
        return false;
    }
    if (kind < 970) { // a paint redraws unless it only shows a frame drawn since the last one
        kind < 940 ? display().Timer1_Timer() : window()->repaint();
        return kind < 940;
    }
    if (kind < 975) { // Escape runs the events queued behind it: keys (Escapes too) and paints
        for (int n = r.in(1, 8); n > 0; --n)
            r.chance(700) ? QCoreApplication::postEvent(window(), new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, {}, keyText(r)))
                          : window()->update();
        press(Qt::Key_Escape, QStringLiteral("\x1b"));
        return true;
    }
    static const QSize kScreens[] = {{800, 600}, {1366, 768}, {1920, 1080}, {2560, 1440}, {3840, 2160}, {7680, 4320}};
    const auto [w, h] = storm::randomSize(r);
    const int screen = r.chance(950) ? r.in(0, 3) : r.in(4, 5);
    const QSize s = kind < 980 ? kScreens[screen] : QSize(w, h);
    const bool changes = s != window()->size(); // the same size again is no resize
    window()->resize(s);
    if (s.width() > 2560) // one frame of 7680 x 4320 takes a tenth of a second: enough
        window()->resize(w, h);
    return changes;
}

TEST_F(EventStorm, InvariantsHoldAfterEveryEvent)
{
    // Escape raises the selection window, which the offscreen platform can
    // only answer with a warning: thousands of them would say nothing.
    static const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType t, const QMessageLogContext &c, const QString &m) {
        if (m != QLatin1String("This plugin does not support raise()"))
            previous(t, c, m);
    });
    storm::Random r;
    storm::run(r, 0, 100000, [&] {
        const long frames = window()->framesDrawn();
        const bool redraws = randomEvent(r);
        QCoreApplication::processEvents();
        const PatternState &s = display().state;
        const QSize device = platform::windowDeviceSize(window());
        return storm::brokenInvariant(s, redraws, window()->framesDrawn() != frames, launcher().orbitingValue() == 1,
                                      launcher().isVisible(), display().Timer1.enabled())
               + storm::brokenRedraw(s, device.width(), device.height());
    });
}

} // namespace
} // namespace tintoral
