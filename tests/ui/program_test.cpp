// The real program on Qt's offscreen platform (also run at display scales 1.5
// and 2). Each row of golden/sessions.txt starts it afresh, performs actions
// through its windows and checks what follows; the selection window's layout
// is compared with golden/launcher.txt (`make golden` rewrites it).
#include "app/application.h"
#include "platform/screen_metrics.h"

#include <QBackingStore>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace {

using namespace tintoral;

struct Session {
    Program program;
    platform::QtPatternWindow *window() { return program.displayWindow(); }
    PatternState &state() { return program.display().state; }
    Launcher &launcher() { return program.launcher(); }
    void send(QEvent &&e) { QCoreApplication::sendEvent(window(), &e); }
    void key(const QString &text) { send(QKeyEvent(QEvent::KeyPress, text.isEmpty() ? Qt::Key_Shift : Qt::Key_unknown, {}, text)); }
    void mouse(QEvent::Type t, Qt::MouseButton b) { send(QMouseEvent(t, QPointF(5, 5), QPointF(5, 5), b, Qt::NoButton, {})); }
    // The device pixels the window system was given for the window, as the frame.
    bool shownAsDrawn()
    {
        window()->repaint();
        const auto *store = static_cast<QImage *>(window()->backingStore()->paintDevice());
        QImage shown = store->copy(QRect(QPoint(0, 0), platform::windowDeviceSize(window())));
        shown.setDevicePixelRatio(1.0);
        return shown.convertToFormat(QImage::Format_RGB32) == window()->frameImage().convertToFormat(QImage::Format_RGB32);
    }
    void act(const std::string &a);
    std::string value(const std::string &name);
    std::string queued = "not run";
    long frames = 0;
};

void Session::act(const std::string &a)
{
    const std::string arg = a.substr(a.find(':') + 1);
    const std::map<std::string, std::function<void()>> actions = {
        {"click", [&] { const int i = std::stoi(arg); i >= 0 && i < 24 ? launcher().Command1[i]->click() : launcher().Command1_Click(std::int16_t(i)); }},
        {"k", [&] { for (char c : arg) key(QString(QChar(c))); }}, {"enter", [&] { key("\r"); }}, {"space", [&] { key(" "); }},
        {"esc", [&] { key("\x1b"); }}, {"shift", [&] { key({}); }}, {"all", [&] { for (int c = 0; c < 256; ++c) key(QString(QChar(c))); }},
        {"left", [&] { mouse(QEvent::MouseButtonRelease, Qt::LeftButton); }}, {"right", [&] { mouse(QEvent::MouseButtonRelease, Qt::RightButton); }},
        {"middle", [&] { mouse(QEvent::MouseButtonRelease, Qt::MiddleButton); }}, {"move", [&] { mouse(QEvent::MouseMove, Qt::NoButton); }},
        {"tick", [&] { program.display().Timer1_Timer(); }}, {"stop", [&] { program.display().Timer1.setEnabled(false); }},
        {"step", [&] { state().TimerStep = std::int16_t(std::stoi(arg)); }},
        {"twips", [&] { std::sscanf(arg.c_str(), "%f,%f", &state().twipsPerPixelX, &state().twipsPerPixelY); }},
        {"slider", [&] { launcher().Slider1->setValue(std::stoi(arg)); }}, {"orbiting", [&] { launcher().Check1->click(); }},
        {"exit", [&] { launcher().Command2->click(); }}, {"start", [] {}}, {"wait", [&] { QTest::qWait(std::stoi(arg)); }},
        {"hide-after", [&] { window()->setPointerHideDelay(std::stoi(arg)); }},
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
        {"frames", [&] { return n(window()->framesDrawn() - frames); }},
        {"pixel", [&] { return QString::number(f.pixel(3, 3) & 0xffffff, 16).rightJustified(6, '0').toStdString(); }},
        {"pointer", [&] { return std::string(window()->pointerHidden() ? "hidden" : "shown"); }},
        {"shown-as-drawn", [&] { return yes(shownAsDrawn()); }}, {"queued", [&] { return queued; }},
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
    std::map<QWidget *, QString> names;
    for (const auto &[name, w] : named)
        names[w] = name;
    QString dump = QString("first focus %1\n").arg(l.focusWidget() == l.Command2 ? "Command2" : "another");
    for (const auto &[name, w] : named) {
        const auto *b = qobject_cast<QAbstractButton *>(w);
        const auto *g = qobject_cast<QGroupBox *>(w);
        const QString text = b ? b->text() : g ? g->title() : w->windowTitle();
        const QRect r = w->geometry();
        dump += QString("%1 \"%2\" \"%3\" %4,%5 %6x%7 in %8 tab %9").arg(name, text, w->toolTip()).arg(r.x()).arg(r.y()).arg(r.width())
                    .arg(r.height()).arg(names[w->parentWidget()]).arg(std::find(tab.begin(), tab.end(), w) - tab.begin());
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

} // namespace
