// SPDX-License-Identifier: MIT
// The real program on Qt's offscreen platform (also run at display scales 1.5
// and 2). Each row of golden/sessions.txt starts it afresh, performs actions
// through its windows and checks what follows; a storm performs random actions
// and checks invariants after each; the selection window's layout is compared
// with golden/launcher.txt (`make golden` rewrites it). The verdict on a
// screen's exactness is checked from reported facts for what no display
// server of the end-to-end runs shows (Xwayland, a scale Qt has not caught up
// with). No display is needed: Qt's offscreen platform. The global operator
// new is replaced, to count its calls and live bytes.
#include "app/application.h"
#include "pattern_window/mode_table.h"
#include "platform/screen_fidelity.h"
#include "platform/screen_metrics.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <malloc.h>

#include <atomic>
#include <cstdlib>

#include <fstream>
#include <functional>
#include <map>
#include <new>
#include <random>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using namespace tintoral;

// Every form of the global operator new and delete is replaced, so that none
// reaches another allocator (the sanitizer's would report a mismatch).
std::atomic<long> liveNewBytes{0}, newCalls{0};

void *allocate(std::size_t n, bool nothrow = false)
{
    void *p = std::malloc(n ? n : 1);
    if (!p && !nothrow)
        throw std::bad_alloc();
    liveNewBytes += long(malloc_usable_size(p)); // 0 for a null pointer
    ++newCalls;
    return p;
}

void release(void *p) noexcept
{
    liveNewBytes -= long(malloc_usable_size(p));
    std::free(p);
}


struct Session {
    Program program;
    platform::QtPatternWindow *window() { return program.displayWindow(); }
    PatternState &state() { return program.display().state; }
    Launcher &launcher() { return program.launcher(); }
    void send(QEvent &&e) { QCoreApplication::sendEvent(window(), &e); }
    void key(const QString &text) { send(QKeyEvent(QEvent::KeyPress, text.isEmpty() ? Qt::Key_Shift : Qt::Key_unknown, {}, text)); }
    void mouse(QEvent::Type t, Qt::MouseButton b) { send(QMouseEvent(t, QPointF(5, 5), QPointF(5, 5), b, Qt::NoButton, {})); }
    void act(const std::string &a);
    std::string value(const std::string &name);
    std::string queued = "not run";
    long frames = 0;
    long newBytes = 0, mallocBytes = 0, newGrowth = 0, mallocGrowth = 0; // live at the last mark, growth since the one before
};

void Session::act(const std::string &a)
{
    const std::string arg = a.substr(a.find(':') + 1);
    const std::map<std::string, std::function<void()>> actions = {
        {"click", [&] { const int i = std::stoi(arg); i >= 0 && i < 24 ? launcher().Command1[i]->click() : launcher().Command1_Click(std::int16_t(i)); }},
        {"k", [&] { for (QChar c : QString::fromStdString(arg)) key(c); }}, {"paint", [&] { window()->repaint(); }},
        {"resize", [&] { const auto x = arg.find('x'); window()->resize(std::stoi(arg), std::stoi(arg.substr(x + 1))); }}, {"enter", [&] { key("\r"); }}, {"space", [&] { key(" "); }},
        {"esc", [&] { key("\x1b"); }}, {"shift", [&] { key({}); }}, {"all", [&] { for (int c = 0; c < 256; ++c) key(QString(QChar(c))); }},
        {"left", [&] { mouse(QEvent::MouseButtonRelease, Qt::LeftButton); }}, {"right", [&] { mouse(QEvent::MouseButtonRelease, Qt::RightButton); }},
        {"middle", [&] { mouse(QEvent::MouseButtonRelease, Qt::MiddleButton); }}, {"move", [&] { mouse(QEvent::MouseMove, Qt::NoButton); }},
        {"tick", [&] { program.display().Timer1_Timer(); }}, {"stop", [&] { program.display().Timer1.setEnabled(false); }},
        {"run", [&] { program.display().Timer1_Timer(), QCoreApplication::processEvents(); }},
        {"mark", [&] {
            newGrowth = liveNewBytes.load() - std::exchange(newBytes, liveNewBytes.load());
            mallocGrowth = long(mallinfo2().uordblks) - std::exchange(mallocBytes, long(mallinfo2().uordblks)); }},
        {"step", [&] { state().TimerStep = std::int16_t(std::stoi(arg)); }}, {"half", [&] { state().halfMode = std::int16_t(std::stoi(arg)); }},
        {"twips", [&] { std::sscanf(arg.c_str(), "%f,%f", &state().twipsPerPixelX, &state().twipsPerPixelY); }},
        {"slider", [&] { launcher().Slider1->setValue(std::stoi(arg)); }}, {"orbiting", [&] { launcher().Check1->click(); }},
        {"exit", [&] { launcher().Command2->click(); }}, {"start", [] {}}, {"wait", [&] { QTest::qWait(std::stoi(arg)); }},
        {"hide-after", [&] { window()->setPointerHideDelay(std::stoi(arg)); }},
        // Escape with keys (TEXT, Escapes too) and paints queued behind it, which it runs before it redraws.
        {"esc-behind", [&] {
            for (QChar c : QString::fromStdString(arg)) QCoreApplication::postEvent(window(), new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, {}, c));
            window()->update(), key("\x1b"); }},
        // Escape with a call queued behind it, which must run before the redraw returns.
        {"esc-queued", [&] { QMetaObject::invokeMethod(qApp, [this] { queued = launcher().isVisible() ? "seen" : "hidden"; }, Qt::QueuedConnection); key("\x1b"); }},
    };
    const auto star = a.find('*'), colon = a.find(':'), from = star < colon ? star + 1 : 0; // N*ACTION repeats it
    const int times = from ? std::stoi(a) : 1;
    const std::string name = a.substr(from, colon - from);
    ASSERT_TRUE(actions.count(name)) << "no action " << name;
    for (int i = 0; i < times; ++i)
        actions.at(name)();
}

std::string Session::value(const std::string &name)
{
    const PatternState &s = state();
    const QImage &f = window()->frameImage();
    const QScreen *screen = window()->screen();
    const QSize device = platform::screenDeviceSize(launcher().screen());
    const auto yes = [](bool b) { return std::string(b ? "yes" : "no"); };
    const auto n = [](double v) { return QString::number(v).toStdString(); };
    const std::map<std::string, std::function<std::string()>> values = {
        {"mode", [&] { return n(s.currentMode); }}, {"nbBox", [&] { return n(s.nbBox); }}, {"nbBoxGeo", [&] { return n(s.nbBoxGeo); }},
        {"nbPoints", [&] { return n(s.nbPoints); }}, {"half", [&] { return n(s.halfMode); }}, {"colour", [&] { return n(s.currentColor); }},
        {"black", [&] { return n(s.blackLevel); }}, {"alt", [&] { return n(s.altMode); }}, {"step", [&] { return n(s.TimerStep); }},
        {"orbit", [&] { return n(double(s.orbitX) / s.twipsPerPixelX) + "," + n(double(s.orbitY) / s.twipsPerPixelY); }},
        {"timer", [&] { return yes(program.display().Timer1.enabled()); }}, {"interval", [&] { return n(program.display().Timer1.interval()); }},
        {"launcher", [&] { return yes(program.loadedLauncher() && program.loadedLauncher()->isVisible()); }},
        {"frames", [&] { return n(window()->framesDrawn() - frames); }}, {"queued", [&] { return queued; }},
        {"pixel", [&] { return QString::number(f.pixel(3, 3) & 0xffffff, 16).rightJustified(6, '0').toStdString(); }},
        {"pointer", [&] { return std::string(window()->pointerHidden() ? "hidden" : "shown"); }},
        // Growth of the bytes of operator new and of the C allocator in use (LeakSanitizer's under ASan).
        {"grown", [&] { return yes(newGrowth > 16 * 1024 || mallocGrowth > 256 * 1024); }},
        // The frame covers the screen in device pixels, each pixel the twips of the screen's dpi and scale.
        {"full", [&] { return yes(f.size() == screen->size() * window()->devicePixelRatio() && s.formWidth == float(f.width() * double(s.twipsPerPixelX))
                                  && s.twipsPerPixelX == float(1440.0 / (screen->logicalDotsPerInchX() * screen->devicePixelRatio()))); }},
        {"resolution", [&] { launcher().repaint(); return yes(launcher().Label1->text() == Launcher::resolutionText(device.width(), device.height())
                                  && std::abs(device.width() - screen->size().width() * screen->devicePixelRatio()) <= 1); }},
        {"ending", [&] { return yes(program.ending() && !window()->isVisible() && !launcher().isVisible()); }},
    };
    return values.count(name) ? values.at(name)() : "no such value";
}

TEST(Sessions, EveryRowOfTheTable)
{
    std::ifstream in(TINTORAL_GOLDEN "/sessions.txt");
    ASSERT_TRUE(in);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        SCOPED_TRACE(line);
        Session session;
        // start:CODE first: started as `tintoral --test CODE` is
        const bool withTest = line.rfind("start:", 0) == 0;
        session.program.start(nullptr, withTest ? std::optional<std::int32_t>(std::stoi(line.substr(6))) : std::nullopt);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(session.window()));
        QCoreApplication::processEvents();
        session.frames = session.window()->framesDrawn();
        std::istringstream words(line);
        for (std::string w; words >> w && w != "->";)
            session.act(w);
        for (std::string w; words >> w;)
            EXPECT_EQ(w.substr(0, w.find('=') + 1) + session.value(w.substr(0, w.find('='))), w);
    }
}

// Each control: caption, tooltip, place (pixels in its parent), parent, the
// Tab order, and whether its caption reads whole and without an access key.
TEST(Layout, SelectionWindowAsRecorded)
{
    Program program;
    Launcher &l = program.launcher();
    std::vector<std::pair<QString, QWidget *>> named = {{"window", &l}, {"Frame1", l.Frame1}, {"Frame2", l.Frame2},
        {"Frame3", l.Frame3}, {"Frame4", l.Frame4}, {"Label1", l.Label1}, {"Check1", l.Check1}, {"Slider1", l.Slider1}, {"Command2", l.Command2}};
    for (int i = 0; i < 24; ++i)
        named.emplace_back(QString("Command1(%1)").arg(i), l.Command1[std::size_t(i)]);
    std::vector<QWidget *> tab{l.Command2}; // what Tab visits from Exit, the first focus
    for (QWidget *w = l.Command2->nextInFocusChain(); w != l.Command2 && tab.size() < 100; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            tab.push_back(w);
    QString dump = QString("first focus %1, resolution line \"%2\"\n").arg(l.focusWidget() == l.Command2 ? "Command2" : "another", Launcher::resolutionText(800, 600));
    for (const auto &[name, w] : named) {
        const auto *b = qobject_cast<QAbstractButton *>(w);
        const auto *g = qobject_cast<QGroupBox *>(w);
        const QString text = b ? b->text() : g ? g->title() : w->windowTitle();
        const QRect r = w->geometry();
        const auto parent = std::find_if(named.begin(), named.end(), [w](const auto &n) { return n.second == w->parentWidget(); });
        dump += QString("%1 \"%2\" \"%3\" %4,%5 %6x%7 in %8 tab %9").arg(name, text, w->toolTip()).arg(r.x()).arg(r.y()).arg(r.width())
                    .arg(r.height()).arg(parent == named.end() ? "-" : parent->first).arg(std::find(tab.begin(), tab.end(), w) - tab.begin());
        if (const auto *s = qobject_cast<QSlider *>(w))
            dump += QString(" range %1..%2 steps %3,%4 value %5").arg(s->minimum()).arg(s->maximum()).arg(s->singleStep()).arg(s->pageStep()).arg(s->value());
        if (b) {
            QStyleOptionButton option;
            option.initFrom(b);
            const bool fits = QFontMetrics(b->font()).horizontalAdvance(QString(text).replace("&&", "&"))
                              <= b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b).width();
            dump += QString(" checked %1 access key \"%2\"%3").arg(b->isChecked()).arg(QKeySequence::mnemonic(text).toString(),
                                                                                        fits || !qobject_cast<const QPushButton *>(b) ? "" : " CLIPPED");
        }
        dump += "\n";
    }
    const std::string path = TINTORAL_GOLDEN "/launcher.txt";
    if (std::getenv("TINTORAL_WRITE_GOLDEN"))
        std::ofstream(path) << dump.toStdString();
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), dump.toStdString()) << "if the change is wanted, run `make golden`";
}

// mt19937_64 gives the same numbers everywhere; the standard's distributions do not.
struct Random : std::mt19937_64 {
    int in(long lo, long hi) { return int(lo + long((*this)() % std::uint64_t(hi - lo + 1))); }
    // Mostly one character of 0..255 or a key that tunes; else none (Shift), a run of a key that tunes, or one past 255.
    std::string keys()
    {
        static const char kTuning[] = "+-*/ \rmMpP:\x1b";
        const int kind = in(0, 99), c = in(0, 255), t = in(0, sizeof kTuning - 2), n = in(5, 80), past = in(256, 0xd7ff);
        return (kind < 65 ? QString(QChar(c)) : kind < 97 ? QString(QChar(kTuning[t])) : kind == 97 ? QString()
                : kind == 98 ? QString(n, QChar(kTuning[t])) : QString(QChar(past))).toStdString();
    }
    // An action of the sessions, and whether it redraws the pattern.
    std::pair<std::string, bool> action(QSize now)
    {
        static const char *const kScreens[] = {"800x600", "1366x768", "1920x1080", "2560x1440", "3840x2160", "7680x4320"};
        const int kind = in(0, 999), w = in(1, 3), h = in(1, 16384), small = in(1, 200), button = in(0, 2);
        const std::string k = keys(), size = kind < 980 ? kScreens[in(0, 19) < 19 ? in(0, 3) : in(4, 5)]
            : std::array<std::string, 4>{"1x1", std::to_string(w) + "x" + std::to_string(h), std::to_string(h) + "x" + std::to_string(w),
                         std::to_string(small) + "x" + std::to_string(in(1, 200))}[in(0, 3)];
        using A = std::pair<std::string, bool>;
        return kind < 480 ? A{k.empty() ? "shift" : "k:" + k, !k.empty()}
             : kind < 540 ? A{std::array{"left", "middle", "right"}[button], button == 2}
             : kind < 650 ? A{"click:" + std::to_string(in(0, 23)), true} : kind < 660 ? A{"click:" + std::to_string(in(-32768, 32767)), true}
             : kind < 700 ? A{"slider:" + std::to_string(in(-3, 14)), false} : kind < 740 ? A{"orbiting", false}
             : kind < 940 ? A{"tick", true} : kind < 970 ? A{"paint", false} // a paint shows the frame drawn, or redraws
             : kind < 975 ? A{"esc-behind:" + k, true} : A{"resize:" + size, size != std::to_string(now.width()) + "x" + std::to_string(now.height())};
    }
};

// Tuning values within what the keys allow, TimerStep in 0..7, the shift within a pixel of home; after an event that
// redraws, a redraw, at home while orbiting is off or the selection window shown, the timer running otherwise.
std::string brokenInvariant(Session &session, bool redraws, long frames)
{
    const PatternState &s = session.state();
    const struct { const char *name; int value, lo, hi; } ranges[] = {
        {"nbBox", s.nbBox, 2, 255}, {"nbBoxGeo", s.nbBoxGeo, 4, 50}, {"nbPoints", s.nbPoints, 5, 70}, {"halfMode", s.halfMode, 0, 1},
        {"currentColor", s.currentColor, 0, 7}, {"blackLevel", s.blackLevel, 1, 64}, {"altMode", s.altMode, 0, 1}, {"TimerStep", s.TimerStep, 0, 7}};
    for (const auto &r : ranges)
        if (r.value < r.lo || r.value > r.hi)
            return std::string(r.name) + " is " + std::to_string(r.value) + ", outside its range";
    const auto onePixel = [](float shift, float pixel) { return shift == 0.0f || shift == pixel || shift == -pixel; };
    if (!onePixel(s.orbitX, s.twipsPerPixelX) || !onePixel(s.orbitY, s.twipsPerPixelY))
        return "the shift " + std::to_string(s.orbitX) + "," + std::to_string(s.orbitY) + " is not within one pixel";
    const bool home = s.orbitX == 0 && s.orbitY == 0, orbiting = session.launcher().orbitingValue() == 1, shown = session.launcher().isVisible();
    return !redraws ? "" : session.window()->framesDrawn() == frames ? "the pattern was not redrawn"
         : (!orbiting || shown) && !home ? "drawn away from home while orbiting is off or the selection window is shown"
         : orbiting && !shown && !session.program.display().Timer1.enabled() ? "orbiting is on, the selection window hidden, the timer stopped" : "";
}

// 100,000 random actions (TINTORAL_STORM_EVENTS) from seed 4242 (TINTORAL_STORM_SEED), the event loop run after each,
// the window out of full screen so that it takes any size from 1 x 1 to 16384 pixels on a side.
TEST(EventStorm, InvariantsHoldAfterEveryEvent)
{
    Session session;
    session.program.start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(session.window()));
    session.window()->showNormal();
    session.window()->windowHandle()->setWindowState(Qt::WindowNoState);
    ASSERT_TRUE(QTest::qWaitFor([&] { return session.window()->windowHandle()->windowState() == Qt::WindowNoState; }));
    const char *seed = std::getenv("TINTORAL_STORM_SEED"), *events = std::getenv("TINTORAL_STORM_EVENTS");
    Random r;
    r.seed(seed ? std::stoull(seed) : 4242);
    for (long i = 0, n = events ? std::stol(events) : 100000; i < n; ++i) {
        const long frames = session.window()->framesDrawn();
        const auto [action, redraws] = r.action(session.window()->size());
        session.act(action);
        if (session.window()->width() > 2560) // one frame of 7680 x 4320 takes a tenth of a second: enough
            session.window()->resize(r.in(1, 200), r.in(1, 200));
        QCoreApplication::processEvents();
        ASSERT_EQ(brokenInvariant(session, redraws, frames), "") << "at event " << i << " (" << action
            << "); reproduce with TINTORAL_STORM_SEED=" << (seed ? seed : "4242") << " TINTORAL_STORM_EVENTS=" << i + 1;
    }
}

// Redraws allocate nothing once the window has its size: every test, tuned by
// the keys to its costliest states, redrawn by keys, orbit ticks and Escape,
// then again with the window turned on its side. The pattern window runs over
// stand-ins for its window, timer and selection window.
struct FakeProgram final : PatternWindowHost, TimerControl, SelectionWindowLink {
    WindowGeometry size;
    std::vector<std::uint32_t> image;
    bool timerOn = false, shown = false;
    tintoral::Display display{*this, *this, [this]() -> SelectionWindowLink & { return *this; }};

    WindowGeometry geometry() const override { return size; }
    FrameBuffer frame(int w, int h) override // an image of exactly the window's size, made anew only for a new size
    {
        if (image.size() != std::size_t(w) * std::size_t(h))
            image = std::vector<std::uint32_t>(std::size_t(w) * std::size_t(h));
        return {image.data(), w, h, w};
    }
    void present() override {}
    void doEvents() override {}
    bool enabled() const override { return timerOn; }
    void setEnabled(bool on) override { timerOn = on; }
    int interval() const override { return 0; }
    void setInterval(int) override {}
    bool isVisible() const override { return shown; }
    int orbitingValue() const override { return 1; } // orbiting on, as at start
    void showWithFocus() override { shown = true; }
};

TEST(RedrawAllocations, NoneOnceTheWindowHasItsSize)
{
    for (const WindowGeometry g : {WindowGeometry{1280, 720, 15, 15}, {1366, 768, 7.5f, 7.5f}, {801, 1203, 12.5f, 9}}) {
        FakeProgram f;
        f.display.Form_Load();
        for (const WindowGeometry size : {g, WindowGeometry{g.height, g.width, g.twipsPerPixelX, g.twipsPerPixelY}}) { // and on its side
            f.size = size;
            f.display.Form_Resize(); // the first paint of a size may allocate
            const long before = newCalls.load();
            for (const ModeEntry &mode : modeTable()) {
                f.display.state.currentMode = mode.code, f.shown = false;
                f.display.drawCurrentMire();
                for (char k : std::string_view("++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++/ *\r\x1b")) {
                    std::int16_t key = k; // each main value to its top; half, alternate, preset, restore, Escape
                    f.display.Form_KeyPress(key);
                    for (int i = 0; i < 8 && key != '+'; ++i) // every orbit position
                        f.display.Timer1_Timer();
                }
            }
            f.display.state.currentMode = 99; // outside the table: draws nothing
            f.display.drawCurrentMire();
            EXPECT_EQ(newCalls.load() - before, 0) << size.width << "x" << size.height;
        }
    }
}

// Depth | through Xwayland | drawn | output's device size | logical width | what the note says (none: exact).
TEST(ScreenFidelity, VerdictFromWhatTheWindowSystemReports)
{
    const QSize full(1280, 960);
    const std::pair<tintoral::platform::ScreenFacts, QString> rows[] = {
        {{32, false, full, full, 640}, {}},
        {{32, false, {1706, 1280}, full, 853}, "to 150 %"},
        {{32, false, {2560, 1920}, full, 1280}, "Restart"},
        {{24, true, {640, 480}, full, 640}, "through Xwayland"},
        {{16, false, {1706, 1280}, full, 853}, "16 bits per pixel"},
    };
    for (const auto &[facts, says] : rows) {
        const auto f = tintoral::platform::judgeFidelity(facts);
        EXPECT_EQ(f.exact, says.isEmpty()) << qPrintable(f.note);
        EXPECT_TRUE(f.note.contains(says) && f.note.isEmpty() == f.exact) << qPrintable(says + u'|' + f.note);
    }
}

} // namespace

void *operator new(std::size_t n) { return allocate(n); }
void *operator new[](std::size_t n) { return allocate(n); }
void *operator new(std::size_t n, const std::nothrow_t &) noexcept { return allocate(n, true); }
void *operator new[](std::size_t n, const std::nothrow_t &) noexcept { return allocate(n, true); }
void operator delete(void *p) noexcept { release(p); }
void operator delete[](void *p) noexcept { release(p); }
void operator delete(void *p, std::size_t) noexcept { release(p); }
void operator delete[](void *p, std::size_t) noexcept { release(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { release(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { release(p); }

int main(int argc, char **argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Escape raises the selection window, which the offscreen platform can only
    // answer with a warning: thousands of them would say nothing.
    static const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType t, const QMessageLogContext &c, const QString &m) {
        if (m != QLatin1String("This plugin does not support raise()"))
            previous(t, c, m);
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
