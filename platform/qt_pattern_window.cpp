// SPDX-License-Identifier: MIT
#include "platform/qt_pattern_window.h"

#include "platform/desktop.h"
#include "platform/screen_metrics.h"
#include "platform/window_manager.h"

#include <QBackingStore>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <qpa/qplatformbackingstore.h>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>

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

    // Motion events without a button pressed: they bring the pointer back.
    setMouseTracking(true);
    pointerTimer_.setSingleShot(true);
    pointerTimer_.setInterval(2000);
    QObject::connect(&pointerTimer_, &QTimer::timeout, this, [this] {
        if (pointerMayHide_)
            setCursor(Qt::BlankCursor);
    });
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
    if (screen && !fullScreenIsManaged())
        fitNativeGeometry(screen);
    QWindow *w = windowHandle();
    if (w && !screenWatched_) {
        screenWatched_ = true;
        // Whoever moves the window to another screen (the window manager, or
        // Qt when a monitor goes away), it covers that screen and redraws.
        QObject::connect(w, &QWindow::screenChanged, this, [this](QScreen *s) {
            watchScreen(s);
            coverScreen(s);
        });
        watchScreen(w->screen());
    }
    if (pointerMayHide_)
        pointerTimer_.start();
}

void QtPatternWindow::watchScreen(QScreen *screen)
{
    QObject::disconnect(screenGeometry_);
    if (!screen)
        return;
    // A new resolution of the screen: cover it again at its new size.
    screenGeometry_ = QObject::connect(screen, &QScreen::geometryChanged, this,
                                       [this, screen] { coverScreen(screen); });
}

void QtPatternWindow::coverScreen(QScreen *screen)
{
    if (!screen || covering_ || !isVisible())
        return;
    covering_ = true;
    // A window manager sizes a full-screen window to its monitor exactly; once
    // the window is on the right screen, any geometry set on top of that is
    // worse (logical sizes cannot say every device size, and the manager
    // applies the size increments Qt asks for at a scale factor). Without a
    // window manager the program sizes the window itself, in device pixels.
    const bool managed = fullScreenIsManaged();
    const bool otherScreen = this->screen() != screen;
    const bool moved = otherScreen || (!managed && !nativeGeometryFits(screen));
    if (otherScreen) {
        if (fullScreenMovesByShowingAnew())
            hide();
        setScreen(screen);
        setGeometry(screen->geometry());
        showFullScreen();
    }
    if (moved && !managed)
        fitNativeGeometry(screen);
    covering_ = false;
    // The window's device size, and so the frame's, follows at once: a redraw
    // from a key, a tick or a test button never presents the old screen's size.
    if (moved || frameSize_ != windowDeviceSize(this))
        retakeGeometry();
}

bool QtPatternWindow::nativeGeometryFits(const QScreen *screen) const
{
    const QWindow *w = windowHandle();
    if (!w || !w->handle() || !screen->handle())
        return true;
    return w->handle()->geometry() == screen->handle()->geometry();
}

void QtPatternWindow::fitNativeGeometry(const QScreen *screen)
{
    // Logical sizes are whole numbers, so at a fractional scale the logical
    // screen size times the ratio can be a device pixel larger than the
    // screen (1024 / 1.5 = 682.67 becomes 683, and 683 x 1.5 becomes 1025).
    // The native window takes the screen's own device geometry instead.
    if (nativeGeometryFits(screen))
        return;
    windowHandle()->handle()->setGeometry(screen->handle()->geometry());
}

void QtPatternWindow::retakeGeometry()
{
    inPaint_ = true;
    display_.Form_Resize();
    inPaint_ = false;
    update();
}

void QtPatternWindow::setPointerMayHide(bool may)
{
    pointerMayHide_ = may;
    showPointer();
    if (may)
        pointerTimer_.start();
    else
        pointerTimer_.stop();
}

bool QtPatternWindow::pointerHidden() const
{
    return testAttribute(Qt::WA_SetCursor) && cursor().shape() == Qt::BlankCursor;
}

void QtPatternWindow::showPointer()
{
    if (pointerHidden())
        unsetCursor();
}

void QtPatternWindow::mouseMoveEvent(QMouseEvent *)
{
    showPointer();
    if (pointerMayHide_)
        pointerTimer_.start();
}

WindowGeometry QtPatternWindow::geometry() const
{
    const QSize size = windowDeviceSize(this);
    const QScreen *s = screen();
    const double r = devicePixelRatioF();
    return {size.width(), size.height(), float(twipsPerPixelX(s, r)), float(twipsPerPixelY(s, r))};
}

QImage *QtPatternWindow::openStore(int width, int height)
{
    QBackingStore *store = backingStore();
    if (!store || !store->handle() || !windowHandle() || !windowHandle()->handle())
        return nullptr;
    if (!inPaintEvent_)
        store->beginPaint(QRegion(rect()));
    // The platform's own image, in device pixels whatever the scale. RGB32,
    // or premultiplied ARGB32 where every pixel drawn has alpha 255.
    QImage *image = storeImage();
    const bool fits = image && image->width() >= width && image->height() >= height
                      && (image->format() == QImage::Format_RGB32
                          || image->format() == QImage::Format_ARGB32_Premultiplied);
    if (!inPaintEvent_) {
        if (fits)
            storeOpened_ = true;
        else
            store->endPaint();
    }
    return fits ? image : nullptr;
}

FrameBuffer QtPatternWindow::frame(int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    // Outside a paint, a backing store not resized yet or a window whose
    // device size has changed since the last paint: the paint that follows
    // draws the frame, at the new size.
    if (!inPaintEvent_ && backingStore()
        && (backingStore()->size() != size() || QSize(width, height) != windowDeviceSize(this))) {
        update();
        return {};
    }
    if (QImage *store = openStore(width, height)) {
        inStore_ = true;
        frameSize_ = QSize(width, height);
        frame_ = QImage(); // not needed any more
        return {reinterpret_cast<std::uint32_t *>(store->bits()), width, height, store->bytesPerLine() / 4};
    }
    inStore_ = false;
    if (frame_.width() != width || frame_.height() != height) {
        frame_ = QImage(width, height, QImage::Format_RGB32);
        if (frame_.isNull())
            return {};
        frame_.fill(Qt::black);
    }
    frameSize_ = frame_.size();
    return {reinterpret_cast<std::uint32_t *>(frame_.bits()), width, height,
            frame_.bytesPerLine() / 4};
}

void QtPatternWindow::present()
{
    ++framesDrawn_;
    if (storeOpened_) { // the whole frame, shown at once
        storeOpened_ = false;
        backingStore()->endPaint();
        backingStore()->flush(QRegion(rect()), windowHandle());
        ++framesShown_;
        return;
    }
    if (inStore_)
        return; // Qt flushes it when the paint ends
    framePending_ = true;
    if (!inPaint_)
        update();
}

QImage QtPatternWindow::frameImage() const
{
    if (!inStore_)
        return frame_;
    const QImage *image = storeImage();
    return image ? image->copy(QRect(QPoint(0, 0), frameSize_)).convertToFormat(QImage::Format_RGB32) : QImage();
}

QImage *QtPatternWindow::storeImage() const
{
    QBackingStore *store = backingStore();
    QPaintDevice *device = store && store->handle() ? store->handle()->paintDevice() : nullptr;
    return device && device->devType() == QInternal::Image ? static_cast<QImage *>(device) : nullptr;
}

void QtPatternWindow::doEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtPatternWindow::paintEvent(QPaintEvent *)
{
    // A paint asked for by the window system redraws the whole pattern with
    // the geometry taken anew; one that only shows a frame just drawn into
    // frame_ does not.
    if (!framePending_ || frame_.size() != windowDeviceSize(this)) {
        inPaint_ = inPaintEvent_ = true;
        display_.Form_Paint();
        inPaint_ = inPaintEvent_ = false;
    }
    framePending_ = false;
    if (inStore_) {
        ++framesShown_;
        return;
    }
    if (frame_.isNull())
        return;
    frame_.setDevicePixelRatio(devicePixelRatioF());
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPointF(0, 0), frame_);
    ++framesShown_;
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
