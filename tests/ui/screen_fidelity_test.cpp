// What the pattern window puts on screen at the display scale it runs at (the
// suite also runs under QT_SCALE_FACTOR 1.5 and 2): the frame is the window's
// device size and reaches the backing store unscaled; the pointer hides over
// the pattern only while the selection window is away.
#include "app/application.h"
#include "platform/screen_fidelity.h"
#include "platform/screen_metrics.h"
#include "running_program.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace tintoral;

namespace {

class Fidelity : public test::RunningProgram {
protected:
    void escape() { press(Qt::Key_Escape, QStringLiteral("\x1b")); }
    void moveMouse()
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(40, 30), QPointF(40, 30), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window(), &e);
    }
    // The device pixels the window system was given for the window.
    QImage shown()
    {
        window()->repaint();
        QPaintDevice *device = window()->backingStore()->paintDevice();
        if (!device || device->devType() != QInternal::Image)
            return {};
        QImage store = static_cast<QImage *>(device)->copy(
            QRect(QPoint(0, 0), platform::windowDeviceSize(window())));
        store.setDevicePixelRatio(1.0);
        return store.convertToFormat(QImage::Format_RGB32);
    }
};

// Single-pixel dots and one-pixel lines over the whole window: any scaling or
// smoothing between frame and screen moves or blurs them.
class FidelityPerTest : public Fidelity, public ::testing::WithParamInterface<int> {};

TEST_P(FidelityPerTest, FrameReachesTheScreenPixelForPixel)
{
    launcher().Command1_Click(std::int16_t(GetParam()));
    const QSize device = platform::windowDeviceSize(window());
    const QImage &frame = window()->frameImage();
    ASSERT_EQ(frame.size(), device);
    const QImage screen = shown();
    ASSERT_EQ(screen.size(), device);
    EXPECT_TRUE(screen == frame.convertToFormat(QImage::Format_RGB32))
        << "at a device pixel ratio of " << window()->devicePixelRatioF();
}

// White dots, convergence grid, geometry, vertical lines, test card.
INSTANTIATE_TEST_SUITE_P(Patterns, FidelityPerTest, ::testing::Values(8, 9, 16, 19, 23));

TEST_F(Fidelity, TwipsPerPixelMakeOneStepOneDevicePixel)
{
    const QScreen *s = window()->screen();
    const double expected = 1440.0 / (s->logicalDotsPerInchX() * s->devicePixelRatio());
    const PatternState &state = program.display().state;
    EXPECT_FLOAT_EQ(state.twipsPerPixelX, float(expected));
    EXPECT_FLOAT_EQ(state.formWidth,
                    float(platform::windowDeviceSize(window()).width() * double(state.twipsPerPixelX)));
}

TEST_F(Fidelity, PointerHidesOverThePatternOnlyWhileTheSelectionWindowIsAway)
{
    window()->setPointerHideDelay(20);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window()->pointerHidden(); }, 2000))
        << "hidden at start, with no selection window";

    escape();
    EXPECT_FALSE(window()->pointerHidden()) << "shown the moment the selection window is";
    moveMouse();
    QTest::qWait(80);
    EXPECT_FALSE(window()->pointerHidden()) << "stays shown while the selection window is up";

    launcher().Command1_Click(2); // "White"
    EXPECT_TRUE(QTest::qWaitFor([&] { return window()->pointerHidden(); }, 2000));
    moveMouse();
    EXPECT_FALSE(window()->pointerHidden()) << "a movement brings it back";
    EXPECT_TRUE(QTest::qWaitFor([&] { return window()->pointerHidden(); }, 2000))
        << "and it hides again when the mouse rests";
}

TEST_F(Fidelity, ResolutionLineReportsDevicePixels)
{
    escape();
    launcher().repaint();
    const QSize s = platform::screenDeviceSize(launcher().screen());
    EXPECT_EQ(launcher().Label1->text(), Launcher::resolutionText(s.width(), s.height()));
    // Device pixels, not logical ones: within the pixel that rounding of the
    // logical size leaves.
    const QScreen *screen = launcher().screen();
    EXPECT_NEAR(s.width(), screen->size().width() * screen->devicePixelRatio(), 1.0);
    EXPECT_NEAR(s.height(), screen->size().height() * screen->devicePixelRatio(), 1.0);
}

// The verdict from what the window system reports: exact means no note, and a
// note names what is wrong.
TEST(ScreenFidelityVerdict, FromWhatTheWindowSystemReports)
{
    const QSize full(1280, 960);
    struct Row {
        const char *name;
        platform::ScreenFacts facts;
        const char *says; // nullptr: exact
    } rows[] = {
        {"X11 at 24 bits", {24, false, full, {}, 0}, nullptr},
        {"Wayland at 200 %", {32, false, full, full, 640}, nullptr},
        {"Qt drawing at 150 % itself", {32, false, full, full, 853}, nullptr},
        {"Qt drawing 200 % on a 150 % output", {32, false, {1706, 1280}, full, 853}, "to 150 %"},
        {"Qt still at 200 % on an output gone to 100 %", {32, false, {2560, 1920}, full, 1280}, "Restart"},
        {"Xwayland, scale unknown", {24, true, full, {}, 0}, "through Xwayland"},
        {"Xwayland hides the output size", {24, true, {640, 480}, full, 640}, "through Xwayland"},
        {"16 bits", {16, false, full, {}, 0}, "16 bits per pixel"},
        {"16 bits on a scaled output", {16, false, {1706, 1280}, full, 853}, "to 150 %"},
    };
    for (const Row &r : rows) {
        const platform::ScreenFidelity f = platform::judgeFidelity(r.facts);
        EXPECT_EQ(f.exact, r.says == nullptr) << r.name;
        EXPECT_EQ(f.note.isEmpty(), f.exact) << r.name;
        EXPECT_TRUE(!r.says || f.note.contains(QLatin1String(r.says))) << r.name << ": " << qPrintable(f.note);
    }
}

} // namespace
