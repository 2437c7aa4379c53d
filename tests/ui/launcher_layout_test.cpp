#include "app/application.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>

#include <gtest/gtest.h>

using namespace tintoral;

namespace {

struct Expected {
    int index;
    const char *caption;
    const char *tooltip;
    int left, top, width, height; // twips
};

// The 24 test buttons as the window must show them.
const Expected kExpected[] = {
    {0, "Black", "100% Black", 840, 240, 735, 255},
    {1, "B&&W", "use + / -  * and 'Enter' ", 120, 240, 735, 255},
    {2, "White", "100% White", 1560, 240, 735, 255},
    {3, "Grey", "50% Black 50 % White", 2280, 240, 735, 255},
    {4, "Black +", "Darkest White (1/255), use + and - to change", 3000, 240, 735, 255},
    {5, "Red", "100% Red", 120, 480, 1455, 255},
    {6, "Green", "100% Green", 1560, 480, 1455, 255},
    {7, "Blue", "100% Blue", 3000, 480, 1455, 255},
    {8, "White Dot Pattern", "use + and -  ", 120, 240, 1935, 255},
    {9, "Convergence Grid",
     "Display small RGB cross, use + / -  * and 'Enter'  to change number of cross, \"Space\" for alternate mode",
     2160, 240, 2295, 255},
    {10, "Red Dot Pattern", "use + and -  ", 120, 480, 1935, 255},
    {11, "Green Dot Pattern", "use + and -  ", 120, 720, 1935, 255},
    {12, "Blue Dot Pattern", "use + and -  ", 120, 960, 1935, 255},
    {13, "Blue Shading", "use + / -  * and 'Enter' ", 3000, 720, 1455, 255},
    {14, "Green Shading", "use + / -  * and 'Enter' ", 1560, 720, 1455, 255},
    {15, "Red Shading", "use + / -  * and 'Enter' ", 120, 720, 1455, 255},
    {16, "Geometrie", "Display grid & circle, use + / -  * and 'Enter'  to change grid", 2160, 480, 2295, 255},
    {17, "Color", "Many Colors", 3720, 240, 735, 255},
    {18, "All colors Shading", "use + / -  * and 'Enter' ", 120, 960, 1455, 255},
    {19, "Vertical lines", "use + and -  ", 120, 1200, 1935, 255},
    {20, "Horizontal lines", "use + and -  ", 120, 1440, 1935, 255},
    {21, "Black level test", "16 levels test", 1560, 960, 1455, 255},
    {22, "White level test", "16 levels test", 3000, 960, 1455, 255},
    {23, "Test", "for Test", 2160, 1440, 2295, 255},
};

QRect px(int l, int t, int w, int h) { return {l / 15, t / 15, w / 15, h / 15}; }

class LauncherLayout : public ::testing::Test {
protected:
    Program program;
    Launcher &l = program.launcher();
};

TEST_F(LauncherLayout, ButtonsCaptionsTooltipsAndPlaces)
{
    EXPECT_EQ(l.windowTitle(), "Select Test");
    for (const Expected &e : kExpected) {
        SCOPED_TRACE(e.index);
        QPushButton *b = l.Command1[std::size_t(e.index)];
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), QString::fromUtf8(e.caption));
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(e.tooltip));
        EXPECT_EQ(b->geometry(), px(e.left, e.top, e.width, e.height));
        // No button has an access key; "B&&W" shows as B&W.
        EXPECT_TRUE(QKeySequence::mnemonic(b->text()).isEmpty());
        // The caption reads whole inside the button's frame.
        QStyleOptionButton option;
        option.initFrom(b);
        EXPECT_LE(QFontMetrics(b->font()).horizontalAdvance(QString(b->text()).replace("&&", "&")),
                  b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b).width());
        EXPECT_EQ(b->parentWidget(), e.index == 8 || (e.index >= 9 && e.index <= 12) || e.index == 16
                                             || e.index == 19 || e.index == 20 || e.index == 23
                                         ? static_cast<QWidget *>(l.Frame2)
                                         : static_cast<QWidget *>(l.Frame1));
    }
}

TEST_F(LauncherLayout, FramesLabelOrbitingControlsAndExit)
{
    EXPECT_EQ(l.Frame3->title(), "Current display info");
    EXPECT_EQ(l.Frame3->geometry(), px(0, 0, 4575, 615));
    EXPECT_EQ(l.Frame1->title(), "Colors");
    EXPECT_EQ(l.Frame1->geometry(), px(0, 720, 4575, 1335));
    EXPECT_EQ(l.Frame2->title(), "Tools");
    EXPECT_EQ(l.Frame2->geometry(), px(0, 2160, 4575, 1815));
    EXPECT_EQ(l.Frame4->title(), "Orbiting");
    EXPECT_EQ(l.Frame4->parentWidget(), l.Frame2);
    EXPECT_EQ(l.Frame4->geometry(), px(2160, 720, 2295, 615));
    EXPECT_EQ(l.Label1->parentWidget(), l.Frame3);
    EXPECT_EQ(l.Label1->geometry(), px(120, 240, 4095, 255));

    EXPECT_EQ(l.Check1->text(), "Enabled");
    EXPECT_EQ(l.Check1->toolTip(), "Move Display XY");
    EXPECT_TRUE(l.Check1->isChecked());
    EXPECT_EQ(l.orbitingValue(), 1);

    EXPECT_EQ(l.Slider1->orientation(), Qt::Horizontal);
    EXPECT_EQ(l.Slider1->toolTip(), "Select refresh rate");
    EXPECT_EQ(l.Slider1->minimum(), 1);
    EXPECT_EQ(l.Slider1->maximum(), 10);
    EXPECT_EQ(l.Slider1->pageStep(), 5);
    EXPECT_EQ(l.Slider1->singleStep(), 1);
    EXPECT_EQ(l.Slider1->value(), 1);

    EXPECT_EQ(l.Command2->text(), "Exit");
    EXPECT_EQ(l.Command2->toolTip(), "Exit !");
    EXPECT_EQ(l.Command2->geometry(), px(0, 4080, 4575, 375));
    EXPECT_EQ(l.size(), QSize(4665 / 15, 4545 / 15));
}

TEST_F(LauncherLayout, TabOrderStartsAtExitAndVisitsTheDesignOrder)
{
    const std::vector<QWidget *> expected = {
        l.Command2,    l.Command1[7],  l.Command1[6],  l.Command1[5],  l.Command1[4],
        l.Command1[3], l.Command1[2],  l.Command1[1],  l.Command1[0],  l.Command1[8],
        l.Command1[9], l.Command1[10], l.Command1[11], l.Command1[12], l.Command1[13],
        l.Command1[14], l.Command1[15], l.Command1[16], l.Slider1,     l.Check1,
        l.Command1[17], l.Command1[18], l.Command1[19], l.Command1[20], l.Command1[21],
        l.Command1[22], l.Command1[23]};
    // What Tab visits: the focus chain without the widgets that take no Tab focus.
    std::vector<QWidget *> visited{l.Command2};
    for (QWidget *w = l.Command2->nextInFocusChain(); w != l.Command2 && visited.size() < 100;
         w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            visited.push_back(w);
    EXPECT_EQ(visited, expected);
    EXPECT_EQ(l.focusWidget(), l.Command2);
    EXPECT_EQ(l.Frame1->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(l.Label1->focusPolicy(), Qt::NoFocus);
}

TEST(ResolutionLine, StrGivesALeadingBlank)
{
    EXPECT_EQ(Launcher::resolutionText(1024, 768), "Resolution :  1024 x  768");
    EXPECT_EQ(Launcher::resolutionText(800, 600), "Resolution :  800 x  600");
}

} // namespace
