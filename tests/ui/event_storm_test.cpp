// A storm of random events through the real windows: keys, mouse releases,
// test buttons (and indexes no button has), the slider, the orbiting check
// box, ticks, bursts of Escape, paints and resizes from 1 x 1 to 16384 pixels
// on a side, with the invariants of storm.h checked after every event. A
// watchdog turns an event that never returns into a failure naming the seed.

#include "app/application.h"
#include "pattern_window/mode_table.h"
#include "platform/screen_metrics.h"
#include "tests/storm/storm.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sstream>

#include <unistd.h>

namespace tintoral {
namespace {

using storm::Random;

// Ends the process naming the seed and the event when one event runs for 30 s:
// a redraw that never ends would otherwise hang the run without a word.
std::uint64_t gSeed = 0;
volatile long gEvent = 0;
extern "C" void eventNeverEnded(int)
{
    char m[200];
    const int n = std::snprintf(m, sizeof m, "widget event storm: event %ld of seed %llu never ended; reproduce with "
                                "TINTORAL_STORM_SEED=%llu TINTORAL_STORM_EVENTS=%ld\n", gEvent,
                                (unsigned long long)gSeed, (unsigned long long)gSeed, gEvent + 1);
    (void)!::write(2, m, std::size_t(std::max(n, 0)));
    std::_Exit(3);
}

class EventStorm : public ::testing::Test {
protected:
    void SetUp() override
    {
        program.start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
        // Out of full screen, so that the window takes any size asked for.
        window()->showNormal();
        window()->windowHandle()->setWindowState(Qt::WindowNoState);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window()->windowHandle()->windowState() == Qt::WindowNoState; }));
        resizeTo(640, 480);
    }

    platform::QtPatternWindow *window() { return program.displayWindow(); }
    Display &display() { return program.display(); }
    Launcher &launcher() { return program.launcher(); }

    void resizeTo(int w, int h)
    {
        window()->resize(w, h);
        QCoreApplication::processEvents();
    }
    void key(int code, const QString &text)
    {
        for (QEvent::Type t : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(t, code, Qt::NoModifier, text);
            QCoreApplication::sendEvent(window(), &e);
        }
    }
    void mouseRelease(Qt::MouseButton b, QPointF at, Qt::KeyboardModifiers m)
    {
        QMouseEvent e(QEvent::MouseButtonRelease, at, window()->mapToGlobal(at), b, Qt::NoButton, m);
        QCoreApplication::sendEvent(window(), &e);
    }

    // One random event; says what it was and whether it redraws the pattern.
    bool randomEvent(Random &r, std::ostream &what);
    QSize randomSize(Random &r);

    Program program;
    int largeFramesLeft = -1; // events left before a very large window shrinks again
};

// Character codes, most of them any of 0..255, the rest the keys that tune.
QString keyText(Random &r)
{
    static const char kTuning[] = "+-*/ \rmMpP:\x1b";
    if (r.chance(650))
        return QString(QChar(char16_t(r.in(0, 255))));
    if (r.chance(900))
        return QString(QChar(char16_t(kTuning[r.in(0, sizeof kTuning - 2)])));
    const int kind = int(r.in(0, 3)); // no character (Shift, arrows), several, or past 255
    return kind == 0 ? QString() : kind == 1 ? QStringLiteral("+m-") : kind == 2 ? QStringLiteral("\x1b\x1b")
                                                                                 : QString(QChar(char16_t(r.in(256, 0xd7ff))));
}

QSize EventStorm::randomSize(Random &r)
{
    static const QSize kScreens[] = {{640, 480}, {800, 600}, {1024, 768}, {1366, 768}, {1920, 1080}, {2560, 1440}};
    // Very large windows are rare and shrink again after two events: one frame
    // of 7680 x 4320 is 127 MiB and takes a tenth of a second to draw.
    static const QSize kLarge[] = {{3840, 2160}, {7680, 4320}, {16384, 64}, {64, 16384}, {16384, 3}, {5, 16384}};
    const auto side = [&](int n) { return int(r.in(1, n)); };
    const int kind = int(r.in(0, 99));
    if (kind < 10)
        return {1, 1};
    if (kind < 24) // narrow strips
        return kind < 17 ? QSize(side(3), side(16384)) : QSize(side(16384), side(3));
    if (kind < 26)
        return kLarge[r.in(0, std::size(kLarge) - 1)];
    if (kind < 36)
        return kScreens[r.in(0, std::size(kScreens) - 1)];
    return r.chance(400) ? QSize(side(1280), side(1024)) : QSize(side(200), side(200));
}

bool EventStorm::randomEvent(Random &r, std::ostream &what)
{
    if (largeFramesLeft >= 0 && largeFramesLeft-- == 0) {
        const QSize s(int(r.in(1, 400)), int(r.in(1, 300)));
        what << "resize " << s.width() << "x" << s.height() << " (after a large one)";
        resizeTo(s.width(), s.height());
        return true;
    }

    const int kind = int(r.in(0, 999));
    if (kind < 450) {
        const QString text = keyText(r);
        what << "key event";
        for (QChar c : text)
            what << " " << int(c.unicode());
        key(text.isEmpty() ? Qt::Key_Shift : Qt::Key_unknown, text);
        return !text.isEmpty();
    }
    if (kind < 480) {
        std::int16_t k = std::int16_t(r.in(-32768, 32767));
        what << "Form_KeyPress " << k;
        display().Form_KeyPress(k);
        return true;
    }
    if (kind < 540) {
        const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::MiddleButton, Qt::RightButton, Qt::BackButton};
        const Qt::MouseButton b = buttons[r.in(0, 3)];
        const QPointF at(double(r.in(-50, 20000)), double(r.in(-50, 20000)));
        what << "mouse release " << int(b);
        mouseRelease(b, at, Qt::KeyboardModifiers(int(r.in(0, 7)) << 25)); // Shift, Control, Alt
        return b == Qt::RightButton;
    }
    if (kind < 660) { // test buttons: by the handler with any index, or clicked
        const bool click = kind >= 640;
        const int index = click || r.chance(900) ? int(r.in(0, 23)) : int(r.in(-32768, 32767));
        what << (click ? "click on test button " : "Command1_Click ") << index;
        if (click)
            launcher().Command1[std::size_t(index)]->click();
        else
            launcher().Command1_Click(std::int16_t(index));
        return true;
    }
    if (kind < 700) {
        const int v = int(r.in(-3, 14));
        what << "slider to " << v;
        launcher().Slider1->setValue(v);
        return false;
    }
    if (kind < 740) {
        what << "orbiting check box click";
        launcher().Check1->click();
        return false;
    }
    if (kind < 940) {
        what << "tick";
        display().Timer1_Timer();
        return true;
    }
    if (kind < 970) { // a paint redraws unless it only shows a frame drawn since the last one
        what << (kind < 960 ? "paint" : "pending events");
        if (kind < 960)
            window()->repaint();
        else
            QCoreApplication::processEvents();
        return false;
    }
    if (kind < 971) {
        // Events already queued when Escape runs the pending events in its
        // middle: keys (Escapes too), clicks, a repaint, a resize.
        const int n = int(r.in(1, 8));
        what << "Escape with " << n << " queued events";
        for (int i = 0; i < n; ++i) {
            const int queued = int(r.in(0, 3));
            const QPointF at(4, 4);
            if (queued == 0)
                QCoreApplication::postEvent(window(), new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, keyText(r)));
            else if (queued == 1)
                QCoreApplication::postEvent(window(), new QMouseEvent(QEvent::MouseButtonRelease, at, window()->mapToGlobal(at),
                                                                     r.chance(500) ? Qt::RightButton : Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
            else if (queued == 2)
                window()->update();
            else
                window()->resize(int(r.in(1, 300)), int(r.in(1, 300)));
        }
        key(Qt::Key_Escape, QStringLiteral("\x1b"));
        for (int i = 0; i < 4; ++i) // nothing queued may reach the next event
            QCoreApplication::processEvents();
        return true;
    }
    if (kind < 973) {
        const int n = int(r.in(5, 30));
        what << n << " Escapes and right clicks";
        for (int i = 0; i < n; ++i) {
            if (r.chance(700))
                key(Qt::Key_Escape, QStringLiteral("\x1b"));
            else
                mouseRelease(Qt::RightButton, QPointF(3, 3), Qt::NoModifier);
        }
        return true;
    }
    const QSize s = randomSize(r);
    what << "resize " << s.width() << "x" << s.height();
    if (std::int64_t(s.width()) * s.height() > 4'000'000)
        largeFramesLeft = 2;
    const bool changes = s != window()->size(); // the same size again is no resize
    resizeTo(s.width(), s.height());
    return changes;
}

TEST_F(EventStorm, InvariantsHoldAfterEveryEvent)
{
    const std::uint64_t seed = storm::seed();
    const long events = storm::events(100000);
    // Each Escape raises the selection window, which the offscreen platform
    // can only answer with a warning; thousands of them say nothing.
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType t, const QMessageLogContext &c, const QString &m) {
        if (m != QLatin1String("This plugin does not support raise()"))
            previous(t, c, m);
    });
    struct Restore {
        ~Restore() { qInstallMessageHandler(previous); }
    } restore;
    Random r(seed);
    storm::EventLog log;
    gSeed = seed;
    std::signal(SIGALRM, eventNeverEnded);
    struct Disarm {
        ~Disarm() { ::alarm(0); }
    } disarm;

    for (long i = 0; i < events; ++i) {
        gEvent = i;
        ::alarm(30);
        std::ostringstream what;
        const long frames = window()->framesDrawn();
        const bool redrew = randomEvent(r, what);
        log.add(i, what.str());
        const PatternState &s = display().state;
        const QSize device = platform::windowDeviceSize(window());
        std::string broken = storm::brokenInvariant(s, redrew, launcher().orbitingValue() == 1, launcher().isVisible(),
                                                    display().Timer1.enabled());
        if (broken.empty() && redrew && window()->framesDrawn() == frames)
            broken = "the pattern was not redrawn";
        if (broken.empty())
            broken = storm::brokenRedraw(s, device.width(), device.height());
        if (!broken.empty())
            FAIL() << log.report("widget event storm", seed, i, broken);
    }
}

} // namespace
} // namespace tintoral
