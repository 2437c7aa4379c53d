#pragma once

#include "pattern_window/window_services.h"

// Stand-ins for the platform's timer and selection window, for tests that
// drive Display without a toolkit.
namespace tintoral::test {

struct FakeTimer final : TimerControl {
    bool on = false;
    int ms = 0;
    bool enabled() const override { return on; }
    void setEnabled(bool v) override { on = v; }
    int interval() const override { return ms; }
    void setInterval(int v) override { ms = v; }
};

struct FakeSelection final : SelectionWindowLink {
    bool visible = false;
    int check = 1; // orbiting on, as at start
    bool isVisible() const override { return visible; }
    int orbitingValue() const override { return check; }
    void showWithFocus() override { visible = true; }
};

} // namespace tintoral::test
