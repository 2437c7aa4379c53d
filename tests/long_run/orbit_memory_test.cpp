// A long run of the orbiting timer: 20,000 ticks at the shortest interval,
// through the movable tests, with the window's pending events run after
// each one as the event loop would. The memory the program holds must stay
// flat: this executable replaces the global operator new and delete to
// count what is live (tests/alloc/counting_new.cpp), and reads the C
// allocator's own figures for what the toolkit allocates with malloc. In the sanitizer build LeakSanitizer checks
// the whole run again at exit.

#include "app/application.h"
#include "tests/alloc/counting_new.h"

#include <QCoreApplication>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <malloc.h>

namespace tintoral {
namespace {

// What the C allocator has handed out and not taken back (operator new
// included). Under AddressSanitizer the figures are its allocator's, not
// glibc's, and stay near zero: the count of live operator new bytes and
// LeakSanitizer stand in there.
long mallocInUse() { return long(mallinfo2().uordblks); }

TEST(LongRun, TwentyThousandOrbitTicksLeaveMemoryFlat)
{
    constexpr int kTicks = 20000;
    constexpr int kWarmUp = 500;
    // Buttons of the tests that orbit: the dots, the geometry grid, the
    // convergence crosses and the test card.
    constexpr std::int16_t kMoving[] = {8, 10, 11, 12, 16, 9, 23};

    Program program;
    program.start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(program.displayWindow()));
    Launcher &launcher = program.launcher();
    launcher.Slider1->setValue(launcher.Slider1->minimum()); // the shortest interval
    Display &display = program.display();

    long newBytes = 0, mallocBytes = 0, newCalls = 0;
    for (int i = 0; i < kTicks; ++i) {
        if (i % (kTicks / int(std::size(kMoving))) == 0)
            launcher.Command1_Click(kMoving[(i / (kTicks / int(std::size(kMoving)))) % std::size(kMoving)]);
        display.Timer1_Timer();
        QCoreApplication::processEvents();
        if (i == kWarmUp) {
            newBytes = test::liveNewBytes();
            mallocBytes = mallocInUse();
            newCalls = test::newCalls();
        }
    }
    EXPECT_EQ(display.Timer1.interval(), 1000);
    EXPECT_TRUE(display.Timer1.enabled());

    const long newGrowth = test::liveNewBytes() - newBytes;
    const long mallocGrowth = mallocInUse() - mallocBytes;
    const double perTick = double(test::newCalls() - newCalls) / (kTicks - kWarmUp);
    RecordProperty("operator_new_growth_bytes", int(newGrowth));
    RecordProperty("malloc_growth_bytes", int(mallocGrowth));
    RecordProperty("operator_new_calls_per_tick_x100", int(perTick * 100));
    // Flat: at most a few pages of bookkeeping, where a leak of even a few
    // bytes a tick would show a hundred kilobytes or more.
    EXPECT_LE(newGrowth, 16 * 1024) << "live operator new bytes grew over " << kTicks - kWarmUp << " ticks";
    EXPECT_LE(mallocGrowth, 256 * 1024) << "bytes in use grew over " << kTicks - kWarmUp << " ticks";
}

} // namespace
} // namespace tintoral
