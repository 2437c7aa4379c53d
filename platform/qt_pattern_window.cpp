#include "platform/qt_pattern_window.h"

#include "platform/screen_metrics.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace tintoral::platform {

QtTimer::QtTimer(std::function<void()> tick)
{
    timer_.setTimerType(Qt::CoarseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, std::move(tick));
}

void QtTimer::setEnabled(bool on)
{
    if (on && !timer_.isActive())
        timer_.start();
    else if (!on)
        timer_.stop();
}

QtPatternWindow::QtPatternWindow(std::function<SelectionWindowLink &()> launcher)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      timer_([this] { display_.Timer1_Timer(); }),
      display_(*this, timer_, std::move(launcher))
{
    setWindowTitle(QString());
    // Every frame covers the whole window: no background to clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
}

void QtPatternWindow::showFullScreenOn(QScreen *screen)
{
    if (screen) {
        // Without a window manager Qt keeps a full-screen window at its
        // default size unless the geometry is the screen's first.
        setScreen(screen);
        setGeometry(screen->geometry());
    }
    showFullScreen();
}

WindowGeometry QtPatternWindow::geometry() const
{
    const QSize size = windowDeviceSize(this);
    const QScreen *s = screen();
    return {size.width(), size.height(), float(twipsPerPixelX(s)), float(twipsPerPixelY(s))};
}

FrameBuffer QtPatternWindow::frame(int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    if (frame_.width() != width || frame_.height() != height) {
        frame_ = QImage(width, height, QImage::Format_RGB32);
        if (frame_.isNull())
            return {};
        frame_.fill(Qt::black);
    }
    return {reinterpret_cast<std::uint32_t *>(frame_.bits()), width, height,
            frame_.bytesPerLine() / 4};
}

void QtPatternWindow::present()
{
    ++framesDrawn_;
    framePending_ = true;
    if (!inPaint_)
        update();
}

void QtPatternWindow::doEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtPatternWindow::paintEvent(QPaintEvent *)
{
    // A paint asked for by the window system redraws the whole pattern with
    // the geometry taken anew; one that only shows a frame just drawn does not.
    if (!framePending_ || frame_.size() != windowDeviceSize(this)) {
        inPaint_ = true;
        display_.Form_Paint();
        inPaint_ = false;
    }
    framePending_ = false;
    if (frame_.isNull())
        return;
    frame_.setDevicePixelRatio(devicePixelRatioF());
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPointF(0, 0), frame_);
}

void QtPatternWindow::resizeEvent(QResizeEvent *)
{
    inPaint_ = true;
    display_.Form_Resize();
    inPaint_ = false;
    update();
}

void QtPatternWindow::keyPressEvent(QKeyEvent *event)
{
    // Only keys that produce characters reach the handler; a Shift press,
    // arrows and function keys come with no text and do nothing.
    for (const QChar c : event->text()) {
        std::int16_t key = c.unicode() <= 255 ? std::int16_t(c.unicode()) : std::int16_t('?');
        display_.Form_KeyPress(key);
    }
}

void QtPatternWindow::mouseReleaseEvent(QMouseEvent *event)
{
    std::int16_t button = 0;
    switch (event->button()) {
    case Qt::LeftButton: button = 1; break;
    case Qt::RightButton: button = 2; break;
    case Qt::MiddleButton: button = 4; break;
    default: return;
    }
    const Qt::KeyboardModifiers m = event->modifiers();
    const std::int16_t shift = std::int16_t((m & Qt::ShiftModifier ? 1 : 0)
                                            | (m & Qt::ControlModifier ? 2 : 0)
                                            | (m & Qt::AltModifier ? 4 : 0));
    const WindowGeometry g = geometry();
    const QPointF p = event->position() * devicePixelRatioF();
    display_.Form_MouseUp(button, shift, float(p.x() * g.twipsPerPixelX),
                          float(p.y() * g.twipsPerPixelY));
}

void QtPatternWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (onCloseRequested)
        onCloseRequested();
}

} // namespace tintoral::platform
