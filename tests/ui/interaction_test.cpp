#include "app/application.h"
#include "running_program.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

using namespace tintoral;

namespace {

class Interaction : public test::RunningProgram {
protected:
    QRgb pixel(int x, int y) { return window()->frameImage().pixel(x, y); }
    void release(Qt::MouseButton b)
    {
        QMouseEvent e(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), b, Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(window(), &e);
    }
};

TEST_F(Interaction, StartShowsBlackFullScreenAndStartsTheOrbitTimer)
{
    const QImage &f = window()->frameImage();
    ASSERT_FALSE(f.isNull());
    EXPECT_EQ(f.size(), window()->screen()->size() * window()->devicePixelRatio());
    for (QPoint p : {QPoint(0, 0), QPoint(f.width() - 1, f.height() - 1), QPoint(f.width() / 2, 7)})
        EXPECT_EQ(f.pixel(p), qRgb(0, 0, 0));
    EXPECT_EQ(display().state.currentMode, 0);
    EXPECT_TRUE(display().Timer1.enabled());
    EXPECT_EQ(display().Timer1.interval(), 500);
    ASSERT_NE(program.loadedLauncher(), nullptr); // loaded by the first redraw
    EXPECT_FALSE(program.loadedLauncher()->isVisible());
    EXPECT_EQ(display().state.formWidth, float(f.width() * 15.0));
}

TEST_F(Interaction, ChoosingATestHidesTheLauncherBeforeItRedraws)
{
    launcher().Slider1->setValue(3);
    press(Qt::Key_Escape, "\x1b");
    EXPECT_TRUE(launcher().isVisible());
    display().state.TimerStep = 5;
    display().Timer1.setEnabled(false); // as if never started

    launcher().Command1_Click(5); // "Red"
    EXPECT_EQ(display().state.currentMode, 5);
    EXPECT_EQ(display().state.TimerStep, 0);
    EXPECT_EQ(display().Timer1.interval(), 3000);
    EXPECT_FALSE(launcher().isVisible());
    // The redraw found the launcher hidden, so it started the timer.
    EXPECT_TRUE(display().Timer1.enabled());
    EXPECT_EQ(pixel(0, 0), qRgb(255, 0, 0));

    launcher().Command1_Click(99);
    EXPECT_EQ(display().state.currentMode, 0);
    launcher().Command1_Click(-1);
    EXPECT_EQ(display().state.currentMode, 0);
    EXPECT_EQ(pixel(0, 0), qRgb(0, 0, 0));
}

TEST_F(Interaction, SliderSetsTheIntervalWithoutRedrawingOrStarting)
{
    display().Timer1.setEnabled(false);
    const long frames = window()->framesDrawn();
    launcher().Slider1->setValue(7);
    EXPECT_EQ(display().Timer1.interval(), 7000);
    EXPECT_FALSE(display().Timer1.enabled());
    EXPECT_EQ(window()->framesDrawn(), frames);
}

TEST_F(Interaction, KeysTuneAndRedrawButKeysWithoutTextDoNothing)
{
    launcher().Command1_Click(4); // "Black +": darkest grey
    EXPECT_EQ(pixel(3, 3), qRgb(1, 1, 1));
    press(Qt::Key_Plus, "+");
    EXPECT_EQ(display().state.blackLevel, 2);
    EXPECT_EQ(pixel(3, 3), qRgb(2, 2, 2));
    press(Qt::Key_M, "m");
    EXPECT_EQ(pixel(3, 3), qRgb(3, 3, 3));

    const long frames = window()->framesDrawn();
    press(Qt::Key_Shift, QString());
    press(Qt::Key_Left, QString());
    press(Qt::Key_F5, QString());
    EXPECT_EQ(window()->framesDrawn(), frames);
    press(Qt::Key_A, "a"); // no rule: redraws only
    EXPECT_EQ(window()->framesDrawn(), frames + 1);
    EXPECT_EQ(display().state.blackLevel, 3);
}

TEST_F(Interaction, EscapeAndRightClickBringTheLauncherBackAtHome)
{
    launcher().Command1_Click(8); // white dots
    display().state.orbitX = 15;
    display().state.orbitY = -15;
    release(Qt::LeftButton);
    release(Qt::MiddleButton);
    EXPECT_FALSE(launcher().isVisible());
    EXPECT_EQ(display().state.orbitX, 15);

    release(Qt::RightButton);
    EXPECT_TRUE(launcher().isVisible());
    EXPECT_EQ(display().state.orbitX, 0);
    EXPECT_EQ(display().state.orbitY, 0);

    // While the launcher is shown, ticks advance the cycle but draw at home.
    display().Timer1_Timer();
    EXPECT_EQ(display().state.TimerStep, 1);
    EXPECT_EQ(display().state.orbitY, 0);
}

TEST_F(Interaction, EscapeRunsPendingEventsBeforeItRedraws)
{
    launcher().Command1_Click(8);
    bool ranInside = false;
    bool launcherWasVisible = false;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            ranInside = true;
            launcherWasVisible = launcher().isVisible();
        },
        Qt::QueuedConnection);
    press(Qt::Key_Escape, "\x1b"); // delivered synchronously: returns after the handler
    EXPECT_TRUE(ranInside);
    EXPECT_TRUE(launcherWasVisible);
}

TEST_F(Interaction, TicksMoveThePatternOnlyWhileOrbitingIsOn)
{
    launcher().Command1_Click(3); // "Grey"
    display().Timer1_Timer();
    EXPECT_EQ(display().state.orbitY, -15); // one pixel up
    EXPECT_EQ(pixel(0, 0), qRgb(128, 128, 128));

    launcher().Check1->setChecked(false);
    display().Timer1_Timer();
    EXPECT_EQ(display().state.TimerStep, 2);
    EXPECT_EQ(display().state.orbitX, 0);
    EXPECT_EQ(display().state.orbitY, 0);
    EXPECT_TRUE(display().Timer1.enabled()); // nothing stops it once started
}

// tintoral --test 18: the geometry test with its default tuning, orbiting on
// at the slider's start value of one second, the selection window hidden.
TEST(StartWithATest, ShowsItAsTheSelectionWindowWould)
{
    Program program;
    program.start(nullptr, 18);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(program.displayWindow()));
    const PatternState &s = program.display().state;
    EXPECT_EQ(s.currentMode, 18);
    EXPECT_EQ(program.display().Timer1.interval(), 1000);
    EXPECT_TRUE(program.display().Timer1.enabled());
    EXPECT_FALSE(program.loadedLauncher()->isVisible());
    EXPECT_EQ(program.displayWindow()->frameImage().pixel(0, 0), qRgb(255, 255, 255)); // the frame
}

TEST_F(Interaction, ExitUnloadsThePatternWindowFirstAndEndsTheProgram)
{
    QPointer<QWidget> pattern = window();
    QPointer<QWidget> selection = &launcher();
    launcher().Command2_Click();
    EXPECT_FALSE(pattern->isVisible());
    EXPECT_FALSE(selection->isVisible());
    EXPECT_TRUE(program.ending());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pattern.isNull());
    EXPECT_TRUE(selection.isNull());
}

} // namespace
