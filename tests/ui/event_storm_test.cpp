// A storm of random events through the real windows: character keys 0..255
// and the aliases as key events, mouse releases, test buttons (and indexes no
// button has), the slider, the orbiting check box, timer ticks, bursts of
// Escape, paints and resizes from 1 x 1 up to 16384 pixels on a side. After
// every event the pattern state is in range, the pattern window shows what the
// selection window chose, and the state just drawn is counted once more
// against a bound on the drawing calls of one redraw. A watchdog turns an
// event that never returns into a failure that names the seed and the event.
//
// TINTORAL_STORM_SEED and TINTORAL_STORM_EVENTS choose the run; a failure
// prints both.

#include "app/application.h"
#include "pattern_window/mode_table.h"
#include "platform/recording_surface.h"
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

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <thread>

namespace tintoral {
namespace {

using storm::Random;
using Clock = std::chrono::steady_clock;

// Ends the process with the seed and the event when one event runs too long:
// a redraw that never ends would otherwise hang the run without a word.
class Watchdog {
public:
    Watchdog(std::uint64_t seed, std::chrono::seconds limit)
        : seed_(seed), limit_(limit), thread_([this] { watch(); })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void starting(long index)
    {
        started_.store(Clock::now().time_since_epoch().count());
        index_.store(index);
    }

private:
    void watch()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::seconds(1), [this] { return done_; })) {
            const Clock::time_point started{Clock::duration(started_.load())};
            if (Clock::now() - started > limit_) {
                std::fprintf(stderr,
                             "widget event storm: event %ld of seed %llu has run for more than %lld s; "
                             "reproduce with TINTORAL_STORM_SEED=%llu TINTORAL_STORM_EVENTS=%ld\n",
                             index_.load(), static_cast<unsigned long long>(seed_),
                             static_cast<long long>(limit_.count()),
                             static_cast<unsigned long long>(seed_), index_.load() + 1);
                std::fflush(stderr);
                std::_Exit(3);
            }
        }
    }

    const std::uint64_t seed_;
    const std::chrono::seconds limit_;
    std::atomic<long> index_{0};
    std::atomic<Clock::rep> started_{Clock::now().time_since_epoch().count()};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

// What the storm expects of the windows, kept from the events it sent.
struct Expected {
    std::int32_t mode = 0;
    bool launcherVisible = false;
    bool orbiting = true;
    int slider = 1;
    int interval = 500;
    bool timerStarted = false;
};

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
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(window(), &press);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(window(), &release);
    }
    void mouseRelease(Qt::MouseButton b, QPointF at, Qt::KeyboardModifiers m)
    {
        QMouseEvent e(QEvent::MouseButtonRelease, at, window()->mapToGlobal(at), b, Qt::NoButton, m);
        QCoreApplication::sendEvent(window(), &e);
    }

    // One random event; says what it was and whether it redraws the pattern.
    bool randomEvent(Random &r, std::ostream &what);
    QSize randomSize(Random &r);
    std::string brokenExpectation(bool redrew, long framesBefore);

    Program program;
    Expected expected;
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
    switch (r.in(0, 3)) {
    case 0: return QString(); // Shift, arrows, function keys: no character
    case 1: return QStringLiteral("+m-");
    case 2: return QString(QChar(char16_t(r.in(256, 0xd7ff))));
    default: return QStringLiteral("\x1b\x1b");
    }
}

QSize EventStorm::randomSize(Random &r)
{
    static const QSize kScreens[] = {{640, 480}, {800, 600}, {1024, 768}, {1366, 768}, {1920, 1080}, {2560, 1440}};
    // Very large windows are rare and shrink again after two events: one frame
    // of 7680 x 4320 is 127 MiB and takes a tenth of a second to draw.
    static const QSize kLarge[] = {{3840, 2160}, {7680, 4320}, {16384, 64}, {64, 16384}, {16384, 3}, {5, 16384}};
    const auto side = [&](int n) { return int(r.in(1, n)); };
    switch (r.in(0, 99)) {
    case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9:
        return {1, 1};
    case 10: case 11: case 12: case 13: case 14: case 15: case 16:
        return {side(3), side(16384)};
    case 17: case 18: case 19: case 20: case 21: case 22: case 23:
        return {side(16384), side(3)};
    case 24: case 25:
        return kLarge[r.in(0, std::size(kLarge) - 1)];
    case 26: case 27: case 28: case 29: case 30: case 31: case 32: case 33: case 34: case 35:
        return kScreens[r.in(0, std::size(kScreens) - 1)];
    default:
        return r.chance(400) ? QSize(side(1280), side(1024)) : QSize(side(200), side(200));
    }
}

bool EventStorm::randomEvent(Random &r, std::ostream &what)
{
    if (largeFramesLeft == 0) {
        const QSize s(int(r.in(1, 400)), int(r.in(1, 300)));
        what << "resize " << s.width() << "x" << s.height() << " (after a large one)";
        largeFramesLeft = -1;
        resizeTo(s.width(), s.height());
        return true;
    }
    if (largeFramesLeft > 0)
        --largeFramesLeft;

    const int kind = int(r.in(0, 999));
    if (kind < 450) {
        const QString text = keyText(r);
        what << "key event";
        for (QChar c : text)
            what << " " << int(c.unicode());
        if (text.isEmpty())
            what << " without text";
        key(text.isEmpty() ? Qt::Key_Shift : Qt::Key_unknown, text);
        if (text.contains(QChar(27)))
            expected.launcherVisible = true;
        return !text.isEmpty();
    }
    if (kind < 480) {
        std::int16_t k = std::int16_t(r.in(-32768, 32767));
        what << "Form_KeyPress " << k;
        if (k == 27)
            expected.launcherVisible = true;
        display().Form_KeyPress(k);
        return true;
    }
    if (kind < 540) {
        const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::MiddleButton, Qt::RightButton, Qt::BackButton};
        const Qt::MouseButton b = buttons[r.in(0, 3)];
        const QPointF at(double(r.in(-50, 20000)), double(r.in(-50, 20000)));
        const auto m = Qt::KeyboardModifiers(int(r.in(0, 7)) << 25); // Shift, Control, Alt
        what << "mouse release " << int(b);
        mouseRelease(b, at, m);
        if (b == Qt::RightButton)
            expected.launcherVisible = true;
        return b == Qt::RightButton;
    }
    if (kind < 640) {
        const std::int16_t index = r.chance(900) ? std::int16_t(r.in(0, 23)) : std::int16_t(r.in(-32768, 32767));
        what << "Command1_Click " << index;
        launcher().Command1_Click(index);
        expected.mode = modeForButton(index);
        expected.launcherVisible = false;
        expected.interval = expected.slider * 1000;
        return true;
    }
    if (kind < 660) {
        const int index = int(r.in(0, 23));
        what << "click on test button " << index;
        launcher().Command1[std::size_t(index)]->click();
        expected.mode = modeForButton(index);
        expected.launcherVisible = false;
        expected.interval = expected.slider * 1000;
        return true;
    }
    if (kind < 700) {
        const int v = int(r.in(-3, 14));
        what << "slider to " << v;
        launcher().Slider1->setValue(v);
        const int now = std::clamp(v, 1, 10);
        if (now != expected.slider) // only a change of position reaches the handler
            expected.interval = now * 1000;
        expected.slider = now;
        return false;
    }
    if (kind < 740) {
        what << "orbiting check box click";
        launcher().Check1->click();
        expected.orbiting = !expected.orbiting;
        return false;
    }
    if (kind < 940) {
        what << "tick";
        display().Timer1_Timer();
        return true;
    }
    if (kind < 960) {
        // Redraws unless it only shows a frame drawn since the last paint.
        what << "paint";
        window()->repaint();
        return false;
    }
    if (kind < 970) {
        what << "pending events";
        QCoreApplication::processEvents();
        return false;
    }
    if (kind < 971) {
        // Events already queued when Escape runs the pending events in its
        // middle: keys (Escapes too), clicks, a repaint, a resize.
        const int n = int(r.in(1, 8));
        what << "Escape with " << n << " queued events:";
        for (int i = 0; i < n; ++i) {
            switch (r.in(0, 3)) {
            case 0: {
                const QString text = keyText(r);
                what << " key" << (text.isEmpty() ? 0 : int(text[0].unicode()));
                QCoreApplication::postEvent(window(), new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text));
                break;
            }
            case 1: {
                const bool right = r.chance(500);
                what << (right ? " right-click" : " left-click");
                const QPointF at(4, 4);
                QCoreApplication::postEvent(window(), new QMouseEvent(QEvent::MouseButtonRelease, at, window()->mapToGlobal(at),
                                                                     right ? Qt::RightButton : Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
                break;
            }
            case 2:
                what << " update";
                window()->update();
                break;
            default: {
                const QSize s(int(r.in(1, 300)), int(r.in(1, 300)));
                what << " resize " << s.width() << "x" << s.height();
                window()->resize(s);
                break;
            }
            }
        }
        key(Qt::Key_Escape, QStringLiteral("\x1b"));
        // Nothing queued may reach the next event.
        for (int i = 0; i < 4; ++i)
            QCoreApplication::processEvents();
        expected.launcherVisible = true;
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
        expected.launcherVisible = true;
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

std::string EventStorm::brokenExpectation(bool redrew, long framesBefore)
{
    const PatternState &s = display().state;
    std::string broken = storm::brokenInvariant(s);
    if (!broken.empty())
        return broken;
    const auto differ = [](const char *what, long got, long want) {
        return std::string(what) + " is " + std::to_string(got) + ", expected " + std::to_string(want);
    };
    if (s.currentMode != expected.mode)
        return differ("currentMode", s.currentMode, expected.mode);
    if (launcher().isVisible() != expected.launcherVisible)
        return differ("the selection window's visibility", launcher().isVisible(), expected.launcherVisible);
    if (launcher().orbitingValue() != int(expected.orbiting))
        return differ("Check1", launcher().orbitingValue(), expected.orbiting);
    if (display().Timer1.interval() != expected.interval)
        return differ("Timer1's interval", display().Timer1.interval(), expected.interval);
    if (expected.timerStarted && !display().Timer1.enabled())
        return "the orbit timer was stopped";
    expected.timerStarted = display().Timer1.enabled();

    const long frames = window()->framesDrawn() - framesBefore;
    if (redrew && frames < 1)
        return "the pattern was not redrawn";
    if (frames > 4 && !redrew)
        return differ("frames drawn by an event that does not redraw", frames, 0);
    if (redrew && (!expected.orbiting || expected.launcherVisible) && (s.orbitX != 0 || s.orbitY != 0))
        return "drawn away from home while orbiting is off or the selection window is shown";
    if (redrew && expected.orbiting && !expected.launcherVisible && !display().Timer1.enabled())
        return "orbiting is on and the selection window hidden, but the timer is not running";

    const QSize device = platform::windowDeviceSize(window());
    const QImage &f = window()->frameImage();
    if (f.size() != device || display().frameWidth() != device.width())
        return "the frame is " + std::to_string(f.width()) + "x" + std::to_string(f.height())
               + " on a window of " + std::to_string(device.width()) + "x" + std::to_string(device.height());
    // The solid colours: the corners show the colour of the mode.
    if (const ModeEntry *m = findMode(s.currentMode); m && !f.isNull() && (s.currentMode == 0 || (s.currentMode >= 2 && s.currentMode <= 8))) {
        RecordingSurface rec;
        PatternState copy = s;
        drawMode(copy, rec);
        const Colour c = rec.calls().front().colour;
        const QRgb want = qRgb(redOf(c), greenOf(c), blueOf(c));
        if (f.pixel(0, 0) != want || f.pixel(f.width() - 1, f.height() - 1) != want)
            return "a corner of " + std::string(m->name) + " is not its colour";
    }

    // The state just drawn ends within the bound when counted once more.
    PatternState copy = s;
    storm::CountingSurface counter(storm::drawingCallBound(device.width(), device.height()));
    try {
        drawMode(copy, counter);
    } catch (const storm::DrawingBoundExceeded &e) {
        return e.what();
    }
    if (copy.orbitY != s.orbitY)
        return "a renderer did not restore orbitY";
    return {};
}

TEST_F(EventStorm, InvariantsHoldAfterEveryEvent)
{
    const std::uint64_t seed = storm::fromEnvironment("TINTORAL_STORM_SEED", 4242);
    const long events = long(storm::fromEnvironment("TINTORAL_STORM_EVENTS", 100000));
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
    Watchdog watchdog(seed, std::chrono::seconds(30));
    expected.timerStarted = display().Timer1.enabled();

    for (long i = 0; i < events; ++i) {
        watchdog.starting(i);
        std::ostringstream what;
        const long frames = window()->framesDrawn();
        const bool redrew = randomEvent(r, what);
        log.add(i, what.str());
        const std::string broken = brokenExpectation(redrew, frames);
        if (!broken.empty())
            FAIL() << storm::failureReport("widget event storm", seed, i, broken, log);
    }

    // Exit, once, at the very end: the pattern window goes first.
    QPointer<QWidget> pattern = window();
    QPointer<Launcher> selection = &launcher();
    selection->Command2_Click();
    EXPECT_TRUE(program.ending());
    EXPECT_FALSE(pattern->isVisible());
    EXPECT_FALSE(selection->isVisible());
}

} // namespace
} // namespace tintoral
