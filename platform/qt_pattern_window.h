#pragma once

#include "pattern_window/display.h"
#include "pattern_window/window_services.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace tintoral::platform {

// A timer control over QTimer, ticking on the user-interface thread.
class QtTimer final : public TimerControl {
public:
    explicit QtTimer(std::function<void()> tick);
    bool enabled() const override { return timer_.isActive(); }
    void setEnabled(bool on) override;
    int interval() const override { return timer_.interval(); }
    void setInterval(int ms) override { timer_.setInterval(ms); }

private:
    QTimer timer_;
};

// The borderless full-screen window that shows the pattern window's frames
// 1:1 in device pixels, and hands its events to the Display it owns.
class QtPatternWindow final : public QWidget, public PatternWindowHost {
public:
    explicit QtPatternWindow(std::function<SelectionWindowLink &()> launcher);

    Display &display() { return display_; }
    const QImage &frameImage() const { return frame_; }
    // Frames drawn since the window was made.
    long framesDrawn() const { return framesDrawn_; }

    // Called when the user closes this window on its own (a window manager's
    // close command).
    std::function<void()> onCloseRequested;

    // Shows the window covering the whole of `screen`, with or without a
    // window manager.
    void showFullScreenOn(QScreen *screen);
    // Moves the shown window onto `screen` and covers it whole; when that
    // changes anything the geometry is taken anew and the pattern redrawn.
    void coverScreen(QScreen *screen);

    // Over the pattern the pointer hides after `pointerHideDelay()` without
    // movement, and only while hiding is allowed (the selection window is
    // hidden); a movement shows it again.
    void setPointerMayHide(bool may);
    bool pointerHidden() const;
    int pointerHideDelay() const { return pointerTimer_.interval(); }
    void setPointerHideDelay(int ms) { pointerTimer_.setInterval(ms); }

    WindowGeometry geometry() const override;
    FrameBuffer frame(int width, int height) override;
    void present() override;
    void doEvents() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void watchScreen(QScreen *screen);
    bool nativeGeometryFits(const QScreen *screen) const;
    void fitNativeGeometry(const QScreen *screen);
    void retakeGeometry();
    void showPointer();

    QtTimer timer_;
    Display display_;
    QImage frame_;
    bool framePending_ = false; // a frame was drawn outside a paint and waits to be shown
    bool inPaint_ = false;
    bool covering_ = false;
    bool screenWatched_ = false;
    long framesDrawn_ = 0;
    QMetaObject::Connection screenGeometry_;
    QTimer pointerTimer_;
    bool pointerMayHide_ = true;
};

} // namespace tintoral::platform
