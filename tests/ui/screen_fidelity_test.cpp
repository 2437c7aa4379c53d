// What the pattern window puts on screen at the display scale it runs at (the
// suite also runs under QT_SCALE_FACTOR 1.5 and 2): the backing store holds,
// unscaled, the window's device size of what the rasterizer draws for the
// pattern state; the pointer hides over the pattern only while the selection
// window is away.
#include "app/application.h"
#include "pattern_window/mode_table.h"
#include "platform/raster_surface.h"
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
    const QImage screen = shown();
    ASSERT_EQ(screen.size(), device);
    PatternState state = program.display().state;
    QImage frame(device, QImage::Format_RGB32);
    RasterSurface surface(reinterpret_cast<std::uint32_t *>(frame.bits()), frame.width(), frame.height(),
                          frame.bytesPerLine() / 4, state.twipsPerPixelX, state.twipsPerPixelY);
    drawMode(state, surface);
    surface.finish();
    EXPECT_TRUE(screen == frame)
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

} // namespace
