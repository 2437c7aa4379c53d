#include "frames.h"

#include "deferred_surface.h"
#include "platform/raster_surface.h"

#include <map>
#include <utility>

namespace tintoral::bench {

QImage &frameFor(FrameSize size)
{
    static std::map<std::pair<int, int>, QImage> frames;
    QImage &image = frames[{size.width, size.height}];
    if (image.isNull()) {
        image = QImage(size.width, size.height, QImage::Format_RGB32);
        image.fill(0xff000000u);
    }
    return image;
}

void measureDeferredDrawing(benchmark::State &st, FrameSize size,
                            const std::function<void(DrawingSurface &)> &draw)
{
    QImage &frame = frameFor(size);
    const auto deferred = [&] {
        DeferredSurface d(pixelsOf(frame), size.width, size.height, strideOf(frame), kTwipsPerPixel,
                          kTwipsPerPixel);
        draw(d);
    };
    frame.fill(0u);
    {
        RasterSurface direct(pixelsOf(frame), size.width, size.height, strideOf(frame),
                             kTwipsPerPixel, kTwipsPerPixel);
        draw(direct);
    }
    const QImage expected = frame.copy();
    frame.fill(0u);
    deferred();
    if (frame != expected) {
        st.SkipWithError("the deferred surface draws other pixels than the raster surface");
        return;
    }
    for (auto _ : st) {
        deferred();
        benchmark::ClobberMemory();
    }
}

PatternState stateFor(std::int32_t mode, FrameSize size)
{
    PatternState s;
    s.currentMode = mode;
    s.twipsPerPixelX = float(kTwipsPerPixel);
    s.twipsPerPixelY = float(kTwipsPerPixel);
    s.formWidth = float(double(size.width) * kTwipsPerPixel);
    s.formHeight = float(double(size.height) * kTwipsPerPixel);
    return s;
}

} // namespace tintoral::bench
