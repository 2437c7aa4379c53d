// SPDX-License-Identifier: MIT
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
// 1:1 in device pixels, and hands its events to the Display it owns. Frames
// are drawn straight into the window's backing store where it is an image of
// 32-bit pixels (the raster platforms): between its beginPaint and endPaint,
// flushed whole; elsewhere into an image of the window's own that a paint
// copies into the backing store.
class QtPatternWindow final : public QWidget, public PatternWindowHost {
public:
    explicit QtPatternWindow(std::function<SelectionWindowLink &()> launcher);

    Display &display() { return display_; }
    // A copy of the last frame drawn.
    QImage frameImage() const;
    // Frames drawn since the window was made, and frames that reached the
    // backing store.
    long framesDrawn() const { return framesDrawn_; }
    long framesShown() const { return framesShown_; }

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
    // The backing store's image when the next frame of this size can be drawn
    // into it; outside a paint the store is opened for painting first.
    QImage *openStore(int width, int height);
    // The image behind the backing store, where the platform draws into one.
    QImage *storeImage() const;

    QtTimer timer_;
    Display display_;
    QImage frame_;              // only where the backing store cannot be drawn into
    QSize frameSize_;           // of the last frame
    bool inStore_ = false;      // the last frame went straight into the backing store
    bool storeOpened_ = false;  // ... opened outside a paint, to be flushed by present()
    bool framePending_ = false; // a frame was drawn into frame_ outside a paint and waits to be shown
    bool inPaint_ = false;      // redrawing for a paint or a resize: the paint that follows shows it
    bool inPaintEvent_ = false; // Qt has opened the backing store for this paint
    long framesShown_ = 0;
    bool covering_ = false;
    bool screenWatched_ = false;
    long framesDrawn_ = 0;
    QMetaObject::Connection screenGeometry_;
    QTimer pointerTimer_;
    bool pointerMayHide_ = true;
};

} // namespace tintoral::platform
