// SPDX-License-Identifier: MIT
#include "frames.h"

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

RasterSurface::Workspace &workspace()
{
    static RasterSurface::Workspace kept;
    return kept;
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
