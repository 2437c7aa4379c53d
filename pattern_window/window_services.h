// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// What the pattern window needs from the platform: its window, its timer and
// the selection window. The Qt realisations live in platform/ and app/; tests
// can stand in for them.
namespace tintoral {

// A 32-bit image (0xffRRGGBB) to draw the next frame into.
struct FrameBuffer {
    std::uint32_t *pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0; // pixels from one row to the next
};

// The window's size in device pixels and the twips per device pixel of the
// screen it is on.
struct WindowGeometry {
    int width = 0;
    int height = 0;
    float twipsPerPixelX = 15.0f;
    float twipsPerPixelY = 15.0f;
};

class PatternWindowHost {
public:
    virtual ~PatternWindowHost() = default;
    virtual WindowGeometry geometry() const = 0;
    // The image of the given size that the next frame is drawn into. It keeps
    // its content between calls while the size stays the same.
    virtual FrameBuffer frame(int width, int height) = 0;
    // Shows the frame just drawn, whole.
    virtual void present() = 0;
    // Runs the pending window events before going on.
    virtual void doEvents() = 0;
};

class TimerControl {
public:
    virtual ~TimerControl() = default;
    virtual bool enabled() const = 0;
    virtual void setEnabled(bool on) = 0;
    virtual int interval() const = 0; // milliseconds
    virtual void setInterval(int ms) = 0;
};

// What the pattern window reads of the selection window, and how it calls it up.
class SelectionWindowLink {
public:
    virtual ~SelectionWindowLink() = default;
    virtual bool isVisible() const = 0;
    virtual int orbitingValue() const = 0; // the orbiting check box: 1 checked, 0 not
    // Makes the selection window visible in front, with the keyboard focus.
    virtual void showWithFocus() = 0;
};

} // namespace tintoral
