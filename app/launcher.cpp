// SPDX-License-Identifier: MIT
#include "app/launcher.h"

#include "app/application.h"
#include "pattern_window/mode_table.h"
#include "platform/desktop.h"
#include "platform/screen_fidelity.h"
#include "platform/screen_metrics.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace tintoral {

namespace {

// The window is laid out in twips at 15 twips per logical pixel.
constexpr int kTwipsPerLogicalPixel = 15;
QRect twips(int left, int top, int width, int height)
{
    const int k = kTwipsPerLogicalPixel;
    return {left / k, top / k, width / k, height / k};
}

enum class Parent { Window, Frame1, Frame2, Frame3, Frame4 };

struct ButtonDesign {
    int index;
    Parent parent;
    const char *caption;
    const char *tooltip;
    int left, top, width, height;
    int tab;
};

constexpr const char *kTuneTip = "use + / -  * and 'Enter' ";
constexpr const char *kDensityTip = "use + and -  ";

// The 24 test buttons, by their element index.
constexpr ButtonDesign kButtons[] = {
    {1, Parent::Frame1, "B&&W", kTuneTip, 120, 240, 735, 255, 8},
    {0, Parent::Frame1, "Black", "100% Black", 840, 240, 735, 255, 9},
    {2, Parent::Frame1, "White", "100% White", 1560, 240, 735, 255, 7},
    {3, Parent::Frame1, "Grey", "50% Black 50 % White", 2280, 240, 735, 255, 6},
    {4, Parent::Frame1, "Black +", "Darkest White (1/255), use + and - to change", 3000, 240, 735, 255, 5},
    {17, Parent::Frame1, "Color", "Many Colors", 3720, 240, 735, 255, 25},
    {5, Parent::Frame1, "Red", "100% Red", 120, 480, 1455, 255, 4},
    {6, Parent::Frame1, "Green", "100% Green", 1560, 480, 1455, 255, 3},
    {7, Parent::Frame1, "Blue", "100% Blue", 3000, 480, 1455, 255, 2},
    {15, Parent::Frame1, "Red Shading", kTuneTip, 120, 720, 1455, 255, 18},
    {14, Parent::Frame1, "Green Shading", kTuneTip, 1560, 720, 1455, 255, 17},
    {13, Parent::Frame1, "Blue Shading", kTuneTip, 3000, 720, 1455, 255, 16},
    {18, Parent::Frame1, "All colors Shading", kTuneTip, 120, 960, 1455, 255, 26},
    {21, Parent::Frame1, "Black level test", "16 levels test", 1560, 960, 1455, 255, 29},
    {22, Parent::Frame1, "White level test", "16 levels test", 3000, 960, 1455, 255, 30},
    {8, Parent::Frame2, "White Dot Pattern", kDensityTip, 120, 240, 1935, 255, 11},
    {10, Parent::Frame2, "Red Dot Pattern", kDensityTip, 120, 480, 1935, 255, 13},
    {11, Parent::Frame2, "Green Dot Pattern", kDensityTip, 120, 720, 1935, 255, 14},
    {12, Parent::Frame2, "Blue Dot Pattern", kDensityTip, 120, 960, 1935, 255, 15},
    {19, Parent::Frame2, "Vertical lines", kDensityTip, 120, 1200, 1935, 255, 27},
    {20, Parent::Frame2, "Horizontal lines", kDensityTip, 120, 1440, 1935, 255, 28},
    {9, Parent::Frame2, "Convergence Grid",
     "Display small RGB cross, use + / -  * and 'Enter'  to change number of cross, \"Space\" for "
     "alternate mode",
     2160, 240, 2295, 255, 12},
    {16, Parent::Frame2, "Geometrie", "Display grid & circle, use + / -  * and 'Enter'  to change grid",
     2160, 480, 2295, 255, 21},
    {23, Parent::Frame2, "Test", "for Test", 2160, 1440, 2295, 255, 31},
};
static_assert(std::size(kButtons) == kButtonCount);

constexpr int kTabExit = 0, kTabSlider = 23, kTabCheck = 24;

// Str(): a number with a leading blank for the sign when it is not negative.
QString str(int v) { return (v >= 0 ? QStringLiteral(" ") : QString()) + QString::number(v); }

} // namespace

Launcher::Launcher(Program &program) : QWidget(nullptr, Qt::Dialog), program_(program)
{
    setWindowTitle(QStringLiteral("Select Test"));
    buildControls();
    Form_Load();
}

namespace {

// A caption a little wider than its designed box is set a pixel or two
// smaller rather than clipped at both ends.
void fitCaption(QPushButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    const int room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    const QString shown = QString(button->text()).replace(QStringLiteral("&&"), QStringLiteral("&"));
    QFont f = button->font();
    const int size = f.pixelSize();
    while (f.pixelSize() > 9 && QFontMetrics(f).horizontalAdvance(shown) > room)
        f.setPixelSize(f.pixelSize() - 1);
    if (f.pixelSize() != size)
        button->setFont(f);
}

} // namespace

void Launcher::buildControls()
{
    resize(4665 / kTwipsPerLogicalPixel, 4545 / kTwipsPerLogicalPixel);

    // Captions must read whole in the designed boxes; the toolkit's default
    // font on Linux is wider than the one the layout was made for.
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);

    const auto frame = [this](QWidget *parent, const char *caption, QRect r) {
        auto *box = new QGroupBox(QString::fromUtf8(caption), parent);
        box->setGeometry(r);
        box->setFocusPolicy(Qt::NoFocus);
        return box;
    };
    Frame3 = frame(this, "Current display info", twips(0, 0, 4575, 615));
    Frame1 = frame(this, "Colors", twips(0, 720, 4575, 1335));
    Frame2 = frame(this, "Tools", twips(0, 2160, 4575, 1815));
    Frame4 = frame(Frame2, "Orbiting", twips(2160, 720, 2295, 615));

    Label1 = new QLabel(Frame3);
    Label1->setGeometry(twips(120, 240, 4095, 255));
    Label1->setFocusPolicy(Qt::NoFocus);
    fidelityNote = new QLabel(Frame3);
    fidelityNote->setGeometry(twips(120, 495, 4335, 255));
    fidelityNote->setWordWrap(true);
    fidelityNote->setFocusPolicy(Qt::NoFocus);
    fidelityNote->hide();

    buttons_ = new QButtonGroup(this);
    for (const ButtonDesign &d : kButtons) {
        QWidget *parent = d.parent == Parent::Frame1 ? Frame1 : Frame2;
        auto *b = new QPushButton(QString::fromUtf8(d.caption), parent);
        b->setGeometry(twips(d.left, d.top, d.width, d.height));
        b->setToolTip(QString::fromUtf8(d.tooltip));
        fitCaption(b);
        b->setAutoDefault(true); // Enter presses the focused button
        buttons_->addButton(b, d.index);
        Command1[std::size_t(d.index)] = b;
    }
    connect(buttons_, &QButtonGroup::idClicked, this,
            [this](int id) { Command1_Click(std::int16_t(id)); });

    Check1 = new QCheckBox(QStringLiteral("Enabled"), Frame4);
    Check1->setGeometry(twips(120, 240, 975, 255));
    Check1->setToolTip(QStringLiteral("Move Display XY"));
    Check1->setChecked(true);

    Slider1 = new QSlider(Qt::Horizontal, Frame4);
    Slider1->setGeometry(twips(1200, 240, 975, 255));
    Slider1->setToolTip(QStringLiteral("Select refresh rate"));
    // A position of 0 would give the timer an interval of 0, which stops it.
    Slider1->setRange(1, 10);
    Slider1->setPageStep(5);
    Slider1->setSingleStep(1);
    Slider1->setValue(1);
    Slider1->setTickPosition(QSlider::TicksBelow);
    connect(Slider1, &QSlider::valueChanged, this, [this] { Slider1_Change(); });

    Command2 = new QPushButton(QStringLiteral("Exit"), this);
    Command2->setGeometry(twips(0, 4080, 4575, 375));
    Command2->setToolTip(QStringLiteral("Exit !"));
    Command2->setAutoDefault(true);
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    // Tab order: the focusable controls by their position in the design.
    std::vector<std::pair<int, QWidget *>> order{{kTabExit, Command2}, {kTabSlider, Slider1},
                                                 {kTabCheck, Check1}};
    for (const ButtonDesign &d : kButtons)
        order.emplace_back(d.tab, Command1[std::size_t(d.index)]);
    std::sort(order.begin(), order.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1].second, order[i].second);
    Command2->setFocus(); // Exit has the focus when the window is first shown
}

void Launcher::showScreenFidelity()
{
    const platform::ScreenFidelity f = platform::screenFidelity(screen());
    fidelityNote->setText(f.note);
    fidelityNote->setVisible(!f.exact);
    const int noteHeight = f.exact ? 0 : fidelityNote->heightForWidth(fidelityNote->width());
    fidelityNote->resize(fidelityNote->width(), std::max(noteHeight, 1));
    const int grow = noteHeight - noteHeight_;
    noteHeight_ = noteHeight;
    Frame3->resize(Frame3->width(), Frame3->height() + grow);
    for (QWidget *w : {static_cast<QWidget *>(Frame1), static_cast<QWidget *>(Frame2),
                       static_cast<QWidget *>(Command2)})
        w->move(w->x(), w->y() + grow);
    // Also after a move to a screen of another scale: the window keeps its
    // logical size (X11 leaves the device size as it was, showing a part).
    resize(4665 / kTwipsPerLogicalPixel, 4545 / kTwipsPerLogicalPixel + noteHeight_);
}

void Launcher::Form_Load()
{
    program_.display(); // loads the pattern window unless it is loaded
    program_.showDisplay();
}

void Launcher::Form_Paint()
{
    const QSize s = platform::screenDeviceSize(screen());
    const QString text = resolutionText(s.width(), s.height());
    if (Label1->text() != text)
        Label1->setText(text);
}

QString Launcher::resolutionText(int columns, int rows)
{
    return QStringLiteral("Resolution : ") + str(columns) + QStringLiteral(" x ") + str(rows);
}

std::int32_t Launcher::sliderInterval() const
{
    // At most 10 x 1000: no overflow in 32 bits.
    return std::int32_t(Slider1->value()) * 1000;
}

void Launcher::Command1_Click(std::int16_t Index)
{
    // The test is shown on the monitor where the user has put this window.
    chooseMode(modeForButton(Index), screen());
}

void Launcher::chooseMode(std::int32_t mode, QScreen *where)
{
    Display &display = program_.display();
    display.state.currentMode = mode;
    display.state.TimerStep = 0;
    display.Timer1.setInterval(sliderInterval());
    setVisible(false);
    if (where)
        program_.activateDisplay(where);
    display.drawCurrentMire();
}

void Launcher::Slider1_Change() { program_.display().Timer1.setInterval(sliderInterval()); }

void Launcher::Command2_Click() { program_.unloadLauncher(); }

void Launcher::Form_QueryUnload() { program_.unloadDisplay(); }

int Launcher::orbitingValue() const { return Check1->isChecked() ? 1 : 0; }

void Launcher::showWithFocus()
{
    if (const QWidget *pattern = program_.displayWindow())
        platform::expectScreen(*this, pattern->screen());
    showScreenFidelity();
    if (!shownBefore_) {
        shownBefore_ = true;
        program_.placeLauncher(*this);
        // Queued: Qt gives the window its logical size on the new screen
        // only after telling of the change.
        QObject::connect(windowHandle(), &QWindow::screenChanged, this,
                         [this] {
                             showScreenFidelity();
                             update(); // the resolution line reads the new screen
                         }, Qt::QueuedConnection);
    }
    setVisible(true);
    platform::activate(*this);
}

void Launcher::paintEvent(QPaintEvent *event)
{
    Form_Paint();
    QWidget::paintEvent(event);
}

void Launcher::showEvent(QShowEvent *event)
{
    program_.selectionWindowShown(true);
    QWidget::showEvent(event);
}

void Launcher::hideEvent(QHideEvent *event)
{
    program_.selectionWindowShown(false);
    QWidget::hideEvent(event);
}

void Launcher::closeEvent(QCloseEvent *event)
{
    // The close box ends the program just as Exit does.
    event->ignore();
    program_.unloadLauncher();
}

} // namespace tintoral
